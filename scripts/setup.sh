#!/usr/bin/env bash
# Installs what building, testing and running need on Debian 12, and nothing
# that is already there. Needs root or sudo only when something is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang clang-format libclang-rt-14-dev pkg-config ccache
  qt6-base-dev qt6-serialport-dev libxml2-dev
  googletest libgtest-dev libgmock-dev
  xvfb xauth x11-utils imagemagick
  git dpkg-dev lintian appstream desktop-file-utils librsvg2-bin python3
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  as_root=()
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "Need root (or sudo) to install: ${missing[*]}" >&2; exit 1; }
    as_root=(sudo)
  fi
  "${as_root[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

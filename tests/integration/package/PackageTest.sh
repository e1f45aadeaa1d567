#!/usr/bin/env bash
# Packages the build folder (no build of its own) and checks the package: the
# files it must hold, lintian without errors, the AppStream and desktop files,
# and that every command and option of each program's --help is on its
# manual page.
set -euo pipefail
src=$1 build=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/vaultline-package-test.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

deb=$("$src/scripts/package.sh" --no-build --build-dir "$build" --output "$work")
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ "$(basename "$deb")" = "vaultline_${version}_$(dpkg --print-architecture).deb" ] || fail "package named $deb"
# The release histories are written by hand: their newest entries must be the
# version the project states.
head -n 1 "$src/packaging/debian/changelog" | grep -qF "vaultline ($version)" ||
  fail "packaging/debian/changelog does not begin with version $version"
grep -m 1 '<release ' "$src/packaging/com.talvero.Vaultline.metainfo.xml" | grep -qF "version=\"$version\"" ||
  fail "the newest release in the AppStream file is not $version"

# The files the package must hold.
dpkg-deb --contents "$deb" | awk '{print $NF}' | sed 's|^\./|/|' >"$work/files"
expected=(
  /usr/bin/vaultline /usr/bin/vaultline-cli /usr/bin/dxr9k-sim
  /usr/share/doc/vaultline/guide/index.html /usr/share/doc/vaultline/copyright /usr/share/doc/vaultline/changelog.gz
  /usr/share/doc/vaultline/visa.md
  /usr/share/applications/com.talvero.Vaultline.desktop /usr/share/metainfo/com.talvero.Vaultline.metainfo.xml
  /usr/share/icons/hicolor/scalable/apps/vaultline.svg /usr/share/mime/packages/vaultline-xmem.xml
  /usr/share/man/man1/vaultline.1.gz /usr/share/man/man1/vaultline-cli.1.gz /usr/share/man/man1/dxr9k-sim.1.gz
  /usr/share/bash-completion/completions/vaultline-cli /usr/lib/udev/rules.d/60-vaultline-usbtmc.rules
)
for size in 16 24 32 48 64 128 256; do
  expected+=("/usr/share/icons/hicolor/${size}x${size}/apps/vaultline.png")
done
for f in "${expected[@]}"; do
  grep -qx -- "$f" "$work/files" || fail "the package lacks $f"
done

# Dependencies come from the binaries, not from a list typed by hand.
depends=$(dpkg-deb --field "$deb" Depends)
for lib in libc6 libstdc++6 libqt6core6 libqt6widgets6 libxml2; do
  grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib: $depends"
done

# The binaries are stripped and the scripts run as root; lintian reports no errors.
lintian --tag-display-limit 0 "$deb" >"$work/lintian" 2>&1 || true
cat "$work/lintian"
if grep -q '^E: ' "$work/lintian"; then fail "lintian reports errors"; fi

mkdir "$work/root"
dpkg-deb --extract "$deb" "$work/root"
appstreamcli validate --no-net "$work/root/usr/share/metainfo/com.talvero.Vaultline.metainfo.xml" ||
  fail "appstreamcli validate"
desktop-file-validate "$work/root/usr/share/applications/com.talvero.Vaultline.desktop" || fail "desktop-file-validate"
grep -q 'StartupWMClass=' "$work/root/usr/share/applications/com.talvero.Vaultline.desktop" ||
  fail "the desktop file lost StartupWMClass"
grep -q 'TAG+="uaccess"' "$work/root/usr/lib/udev/rules.d/60-vaultline-usbtmc.rules" || fail "udev rule"

# Every option and command word of --help (and of each command's --help) is
# on the program's manual page, with roff's \- read as -.
page() { gzip -dc "$work/root/usr/share/man/man1/$1.1.gz" | sed 's/\\-/-/g; s/\\f[BIRP]//g'; }
check_page() {
  local name=$1 help=$2 word
  local text
  text=$(page "$name")
  grep -qF -- "$build" <<<"$text" && fail "$name(1) names the build folder"
  for word in $(grep -o -- '--[a-z][a-z-]*\|^  -[a-z]' <<<"$help" | sed 's/^  //' | sort -u); do
    grep -q -- "$word" <<<"$text" || fail "$name(1) does not mention $word"
  done
}
export QT_QPA_PLATFORM=offscreen
# Stripping keeps the version block that --version reads.
[ "$("$work/root/usr/bin/vaultline" --version)" = "vaultline $version" ] || fail "vaultline --version"
cli_page=$(page vaultline-cli)
gui_page=$(page vaultline)
cli=$work/root/usr/bin/vaultline-cli
cli_help=$("$cli" --help)
commands=$(sed -n 's/^  vaultline-cli \([a-z][a-z-]*\).*/\1/p' <<<"$cli_help")
[ -n "$commands" ] || fail "no commands in vaultline-cli --help"
for c in $commands; do
  grep -q "^$c\b" <<<"$cli_page" || fail "vaultline-cli(1) has no entry for the command $c"
  cli_help+=$'\n'$("$cli" "$c" --help)
done
check_page vaultline-cli "$cli_help"
check_page dxr9k-sim "$("$work/root/usr/bin/dxr9k-sim" --help)"
check_page vaultline "$("$work/root/usr/bin/vaultline" --help)"
for v in VAULTLINE_VISA_RESOURCES VAULTLINE_VISA_PROVIDER VAULTLINE_VISA_LIBRARY vaultline-resources registry.ini; do
  grep -q "$v" <<<"$cli_page" || fail "vaultline-cli(1) does not mention $v"
  grep -q "$v" <<<"$gui_page" || fail "vaultline(1) does not mention $v"
done
grep -q VAULTLINE_LOG <<<"$gui_page" || fail "vaultline(1) does not mention VAULTLINE_LOG"
for code in 0 1 2 3 4 5 6 130; do
  grep -q "^\.B $code$" <<<"$cli_page" || fail "vaultline-cli(1) lacks the exit code $code"
done
echo "package $deb: ok"

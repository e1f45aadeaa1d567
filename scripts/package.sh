#!/usr/bin/env bash
# Builds the Debian package vaultline_<version>_<arch>.deb.
#
#   scripts/package.sh [--build-dir DIR] [--output DIR] [--no-build]
#
# Without --no-build it configures a Release build folder of its own
# (default build-package) and builds it; with --no-build it packages the
# build folder as it is (the tests package the build they have just made).
# The programs are installed into a staging folder, stripped, and the
# package's dependencies computed from them with dpkg-shlibdeps.
# Prints the path of the package.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build="build-package"
output=$root
do_build=1
while [ $# -gt 0 ]; do
  case $1 in
  --build-dir) build=$2; shift 2 ;;
  --output) output=$2; shift 2 ;;
  --no-build) do_build=0; shift ;;
  *) echo "package.sh: unknown option $1 (see the comment at the top)" >&2; exit 2 ;;
  esac
done
case $build in /*) ;; *) build=$root/$build ;; esac
mkdir -p "$output"
output=$(cd "$output" && pwd)

if [ "$do_build" = 1 ]; then
  scripts/setup.sh
  if [ ! -f "$build/build.ninja" ]; then
    # Debian's compiler and linker flags, every hardening feature included.
    flags() { DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get "$1"; }
    CFLAGS="$(flags CPPFLAGS) $(flags CFLAGS)" CXXFLAGS="$(flags CPPFLAGS) $(flags CXXFLAGS)" \
      LDFLAGS="$(flags LDFLAGS)" \
      cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVAULTLINE_TESTS=OFF -DVAULTLINE_BENCH=OFF
  fi
  cmake --build "$build"
fi

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
arch=$(dpkg --print-architecture)
work=$(mktemp -d "${TMPDIR:-/tmp}/vaultline-package.XXXXXX")
trap 'rm -rf "$work"' EXIT
stage=$work/vaultline

# umask 022: the package's files are owned by root and readable by all,
# whatever the umask of the user building it.
umask 022
DESTDIR=$stage cmake --install "$build" --prefix /usr --strip >/dev/null

doc=$stage/usr/share/doc/vaultline
install -m 644 packaging/debian/copyright "$doc/copyright"
gzip -9n -c packaging/debian/changelog >"$doc/changelog.gz"
gzip -9n "$stage"/usr/share/man/man1/*.1

mkdir -p "$stage/DEBIAN" "$work/debian"
install -m 755 packaging/debian/postinst "$stage/DEBIAN/postinst"
# dpkg-shlibdeps wants to stand in a source package; a minimal one will do.
printf 'Source: vaultline\n\nPackage: vaultline\nArchitecture: any\n' >"$work/debian/control"
depends=$(cd "$work" && dpkg-shlibdeps -O -e"$stage/usr/bin/vaultline" -e"$stage/usr/bin/vaultline-cli" \
  -e"$stage/usr/bin/dxr9k-sim" 2>/dev/null | sed -n 's/^shlibs:Depends=//p')
[ -n "$depends" ] || { echo "package.sh: dpkg-shlibdeps found no dependencies" >&2; exit 1; }
size=$(du -sk --exclude=DEBIAN "$stage" | cut -f1)
sed -e "s/@VERSION@/$version/" -e "s/@ARCH@/$arch/" -e "s/@SIZE@/$size/" -e "s/@DEPENDS@/$depends/" \
  packaging/debian/control.in >"$stage/DEBIAN/control"
(cd "$stage" && find usr -type f -print0 | sort -z | xargs -0 md5sum >DEBIAN/md5sums)
chmod 644 "$stage/DEBIAN/control" "$stage/DEBIAN/md5sums"

deb=$output/vaultline_${version}_${arch}.deb
dpkg-deb --root-owner-group -Zxz --build "$stage" "$deb" >/dev/null
echo "$deb"

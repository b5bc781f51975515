#!/usr/bin/env bash
# Makes the .deb from a built tree with cpack, then checks it as a user would meet it: the
# files it holds (each one installed, nothing else), its control fields, the programs run from
# an extracted copy, the installed guide names no build path, the desktop entry and metadata
# pass their validators, and lintian finds nothing to warn of.
# Usage: package_test.sh BUILD_DIR SOURCE_DIR VERSION WITH_RELAY(0|1)
set -euo pipefail
build=$(realpath "$1")
source=$2
version=$3
relay=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "package_test: $*" >&2
  exit 1
}

if ! cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log"
  fail "cpack failed"
fi
deb=$work/out/vantor1_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "no $(basename "$deb") among: $(ls "$work/out")"

expected=(
  usr/bin/hostsim
  usr/bin/vantor1
  usr/share/applications/vantor1.desktop
  usr/share/doc/vantor1/README.md
  usr/share/doc/vantor1/changelog.gz
  usr/share/doc/vantor1/copyright
  usr/share/icons/hicolor/128x128/apps/vantor1.png
  usr/share/icons/hicolor/16x16/apps/vantor1.png
  usr/share/icons/hicolor/24x24/apps/vantor1.png
  usr/share/icons/hicolor/256x256/apps/vantor1.png
  usr/share/icons/hicolor/32x32/apps/vantor1.png
  usr/share/icons/hicolor/48x48/apps/vantor1.png
  usr/share/icons/hicolor/64x64/apps/vantor1.png
  usr/share/icons/hicolor/scalable/apps/vantor1.svg
  usr/share/man/man1/hostsim.1.gz
  usr/share/man/man1/vantor1.1.gz
  usr/share/metainfo/org.vantor1.vantor1.metainfo.xml
)
if [ "$relay" = 1 ]; then
  expected+=(usr/bin/vantor1-relay usr/share/man/man1/vantor1-relay.1.gz)
fi
printf '%s\n' "${expected[@]}" | sort >"$work/expected"
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\.\//, "", $6); print $6 }' | sort >"$work/actual"
diff -u "$work/expected" "$work/actual" || fail "the package's files differ from the list above"

for field in Version:$version Section:misc Architecture:$(dpkg --print-architecture); do
  [ "$(dpkg-deb -f "$deb" "${field%%:*}")" = "${field#*:}" ] || fail "$field expected"
done
dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' || fail "Depends lacks the Qt libraries"
[ -n "$(dpkg-deb -f "$deb" Maintainer)" ] || fail "no Maintainer"

root=$work/root
dpkg-deb -x "$deb" "$root"
# A path into the build tree (an RPATH, a generated path) would break once the tree is gone.
if grep -rlF "$build" "$root"; then
  fail "the files above name the build tree $build"
fi

bin=$root/usr/bin
[ "$("$bin/vantor1" --version)" = "vantor1 $version" ] || fail "vantor1 --version"
[ "$("$bin/hostsim" --version)" = "hostsim $version" ] || fail "hostsim --version"
if [ "$relay" = 1 ]; then
  "$bin/vantor1-relay" --version | grep -qF "$version" || fail "vantor1-relay --version"
fi
QT_QPA_PLATFORM=offscreen "$bin/hostsim" --timeout-ms 10000 --spawn "$bin/vantor1" \
  "$source/tests/e2e/handshake_write_then_read.hsim" >"$work/hostsim.log" 2>&1 ||
  { cat "$work/hostsim.log"; fail "the extracted vantor1 did not register and end cleanly"; }

# The guide is read where it is installed: a path into a build tree is of no use there.
guide=$root/usr/share/doc/vantor1/README.md
if grep -nE '(^|[ `(])(build|tools)/' "$guide"; then
  fail "the installed guide names the paths above, which the package does not hold"
fi
for size in 16 24 32 48 64 128 256; do
  png=$root/usr/share/icons/hicolor/${size}x$size/apps/vantor1.png
  file "$png" | grep -q "PNG image data, $size x $size," || fail "$png is no $size px PNG"
done

desktop-file-validate "$root/usr/share/applications/vantor1.desktop"
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml >"$work/as.log" ||
  { cat "$work/as.log"; fail "appstreamcli validate"; }
# What scripts/package asks of the .deb; the one made there has Debian's hardening flags too.
lintian --fail-on error,warning "$deb" || fail "lintian"
echo "package_test: $(basename "$deb") holds ${#expected[@]} files; its programs run"

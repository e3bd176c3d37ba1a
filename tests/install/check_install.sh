#!/usr/bin/env bash
# Installs the build into a DESTDIR and checks the tree, the desktop
# entries and the icons; then builds the Debian package and checks its
# control fields and file list.
#   check_install.sh BUILD_DIR
set -euo pipefail
build=$1
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
DESTDIR="$stage" cmake --install "$build" --prefix /usr >/dev/null
root="$stage/usr"
fail() { echo "check_install: $*" >&2; exit 1; }
for f in bin/morva-manager bin/morva-scenario bin/morva-cards \
         share/applications/morva-manager.desktop \
         share/morva-manager/autostart/morva-manager.desktop \
         share/man/man1/morva-manager.1; do
  [ -e "$root/$f" ] || fail "missing $f"
done
for n in 16 22 24 32 48 64 128; do
  icon="$root/share/icons/hicolor/${n}x${n}/apps/morva-manager.png"
  [ -s "$icon" ] || fail "missing icon ${n}x${n}"
  # PNG: width and height are the big-endian words at bytes 16 and 20.
  size=$(od -An -tu1 -j16 -N8 "$icon" | awk '{print $3*256+$4 "x" $7*256+$8}')
  [ "$size" = "${n}x${n}" ] || fail "icon ${n}x${n} is $size"
done
svg="$root/share/icons/hicolor/scalable/apps/morva-manager.svg"
grep -q 'viewBox="0 0 32 32"' "$svg" 2>/dev/null || fail "missing the scalable icon"
desktop-file-validate "$root/share/applications/morva-manager.desktop"
desktop-file-validate "$root/share/morva-manager/autostart/morva-manager.desktop"
grep -qx 'Categories=AudioVideo;Audio;Mixer;' "$root/share/applications/morva-manager.desktop" ||
  fail "categories"
"$root/bin/morva-scenario" </dev/null >/dev/null || fail "installed runner does not run"

# The package, from the same build.
(cd "$build" && cpack -G DEB -B "$stage/package" >/dev/null) || fail "cpack"
deb=$(ls "$stage"/package/morva-manager_*.deb)
info=$(dpkg-deb --info "$deb")
grep -q '^ Package: morva-manager$' <<<"$info" || fail "Package field"
grep -q '^ Version: 1.0.0$' <<<"$info" || fail "Version field"
grep -q '^ Section: sound$' <<<"$info" || fail "Section field"
grep -Eq '^ Depends: .*libqt6widgets6' <<<"$info" || fail "Depends lacks Qt: $(echo "$info" | grep Depends)"
grep -Eq '^ Depends: .*libc6' <<<"$info" || fail "Depends lacks libc6"
contents=$(dpkg-deb --contents "$deb")
for f in ./usr/bin/morva-manager ./usr/bin/morva-scenario ./usr/bin/morva-cards \
         ./usr/share/applications/morva-manager.desktop \
         ./usr/share/morva-manager/autostart/morva-manager.desktop \
         ./usr/share/man/man1/morva-manager.1 \
         ./usr/share/icons/hicolor/128x128/apps/morva-manager.png \
         ./usr/share/icons/hicolor/scalable/apps/morva-manager.svg; do
  grep -q " $f\$" <<<"$contents" || fail "package lacks $f"
done
echo "check_install: install tree, desktop entries, icons and package are right"

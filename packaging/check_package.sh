#!/usr/bin/env bash
# Makes the Debian package from the build folder, unpacks it into a scratch folder as dpkg would
# install it, and runs the packaged programs' --version.
set -euo pipefail
build="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log" >&2; exit 1; }
deb="$(ls "$work"/out/*.deb)"
dpkg-deb --info "$deb" | grep -q "Package: tessaline"
dpkg-deb -x "$deb" "$work/root"
for file in usr/bin/tessaline usr/bin/tessaline-cli usr/share/applications/tessaline.desktop \
            usr/share/icons/hicolor/scalable/apps/tessaline.svg; do
  [ -e "$work/root/$file" ] || { echo "FAIL: the package lacks $file" >&2; exit 1; }
done
"$work/root/usr/bin/tessaline-cli" --version | grep -q "^tessaline-cli "
"$work/root/usr/bin/tessaline" --version | grep -q "^tessaline "
echo "package $(basename "$deb") unpacks and its programs answer --version"

#!/usr/bin/env bash
# Makes the Debian package from the build folder, unpacks it into a scratch folder as dpkg would
# install it, runs the packaged programs' --version and imports the packaged Python module.
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
module="$(ls "$work"/root/usr/lib/python3/dist-packages/tessaline.*.so)"
PYTHONPATH="$(dirname "$module")" /usr/bin/python3 -c "import tessaline; print(tessaline.__version__)" | grep -q .
dpkg-deb --field "$deb" Depends | grep -q "python3-numpy"
echo "package $(basename "$deb") unpacks, its programs answer --version and its Python module imports"

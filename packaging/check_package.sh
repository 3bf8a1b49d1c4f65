#!/usr/bin/env bash
# Makes the Debian package from the build folder, unpacks it into a scratch folder as dpkg would
# install it, runs the packaged programs' --version and imports the packaged Python module.
set -euo pipefail
build="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log" >&2; exit 1; }
deb="$(ls "$work"/out/*.deb)"
# Each answer is read whole before it is searched: `grep -q` stops reading at its first match, and
# the writer's broken pipe would then fail the pipeline at random.
info="$(dpkg-deb --info "$deb")"
grep -q "Package: tessaline" <<<"$info"
dpkg-deb -x "$deb" "$work/root"
for file in usr/bin/tessaline usr/bin/tessaline-cli usr/share/applications/tessaline.desktop \
            usr/share/icons/hicolor/scalable/apps/tessaline.svg; do
  [ -e "$work/root/$file" ] || { echo "FAIL: the package lacks $file" >&2; exit 1; }
done
version="$("$work/root/usr/bin/tessaline-cli" --version)"
grep -q "^tessaline-cli " <<<"$version"
version="$("$work/root/usr/bin/tessaline" --version)"
grep -q "^tessaline " <<<"$version"
module="$(ls "$work"/root/usr/lib/python3/dist-packages/tessaline.*.so)"
version="$(PYTHONPATH="$(dirname "$module")" /usr/bin/python3 -c "import tessaline; print(tessaline.__version__)")"
[ -n "$version" ]
depends="$(dpkg-deb --field "$deb" Depends)"
grep -q "python3-numpy" <<<"$depends"
echo "package $(basename "$deb") unpacks, its programs answer --version and its Python module imports"

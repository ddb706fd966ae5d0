#!/bin/sh
# Renders the demo diagram as the picture the README shows: plotix on
# examples/px-demo.txt at a fixed date, then Ghostscript on its EPS file,
# cropped to the diagram and its labels.
#   picture.sh [BUILD_DIR] [OUTPUT.png]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
out=${2:-$root/px-demo.png}
command -v gs >/dev/null 2>&1 || { echo "Ghostscript (gs) is needed for the picture" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$root/examples/px-demo.txt" "$work/"
(cd "$work" && printf 'demo\n' |
  SOURCE_DATE_EPOCH=1796392800 TZ=UTC LC_ALL=C "$build/bin/plotix" >/dev/null)
[ -f "$work/px-demo.eps" ] || { echo "plotix wrote no diagram; see its log" >&2; exit 1; }
# the page is empty below the labels of the x axis
sed 's/^\(%%BoundingBox: [0-9]*\) [0-9]*/\1 218/' "$work/px-demo.eps" > "$work/picture.eps"
gs -q -dSAFER -dBATCH -dNOPAUSE -dEPSCrop -r110 -dTextAlphaBits=4 -dGraphicsAlphaBits=4 \
  -sDEVICE=png16m -sOutputFile="$out" "$work/picture.eps"
echo "picture of the demo diagram written to $out"

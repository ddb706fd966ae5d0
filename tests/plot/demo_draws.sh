#!/bin/sh
# The demo script must leave an EPS file that Ghostscript draws.
#   demo_draws.sh SOURCE_DIR BUILD_DIR
set -eu
src=$1
build=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/examples"
cp "$src/examples/plot-demo.sh" "$src/examples/px-demo.txt" "$work/examples/"
SOURCE_DATE_EPOCH=1796392800 TZ=UTC LC_ALL=C LANG=C sh "$work/examples/plot-demo.sh" "$build" >"$work/out.txt" 2>&1 || {
  cat "$work/out.txt"; exit 1; }
grep -q "the diagram is in" "$work/out.txt" || { cat "$work/out.txt"; exit 1; }
sh "$src/tests/plot/render_eps.sh" "$work/demo-run"

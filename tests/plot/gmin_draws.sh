#!/bin/sh
# The demo minimisation with drawnames: plotix draws the winners' fields the
# calculator wrote, as they are, and Ghostscript renders the drawing.
#   gmin_draws.sh SOURCE_DIR BUILD_DIR
set -eu
src=$1
build=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for f in pf-ds6demo.txt pf-demoax.txt pf-gmin.txt; do cp "$src/examples/$f" "$work/"; done
printf 'dataset ds6demo\nonecalc\ndrawnames\n' > "$work/pf-prefs.txt"
cd "$work"
export SOURCE_DATE_EPOCH=1796392800 TZ=UTC LC_ALL=C LANG=C
printf '1\ngmin\n\n' | "$build/bin/phaseforge" > calc.txt 2>&1 || { cat calc.txt; exit 1; }
if grep -q BOMBED calc.txt; then cat calc.txt; exit 1; fi
grep -q '^u1 ' pf-gmin-px.txt || { echo "no boundary in pf-gmin-px.txt"; cat pf-gmin-px.txt; exit 1; }
cp pf-gmin-px.txt px-gmin.txt
printf 'gmin\n' | "$build/bin/plotix" > plot.txt 2>&1 || { cat plot.txt; exit 1; }
if grep -q BOMBED plot.txt || [ ! -s px-gmin.eps ]; then cat plot.txt; exit 1; fi
mkdir drawn && mv px-gmin.eps drawn/
sh "$src/tests/plot/render_eps.sh" drawn

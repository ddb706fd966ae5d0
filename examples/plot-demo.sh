#!/bin/sh
# Draws the demo diagram: runs plotix on examples/px-demo.txt in a scratch
# folder and says where the EPS file is.
#   plot-demo.sh BUILD_DIR
set -eu
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
case $build in /*) ;; *) build=$root/$build ;; esac
run=$root/demo-run/plotix
rm -rf "$run"
mkdir -p "$run"
cp "$root/examples/px-demo.txt" "$run/"
cd "$run"
# the one question: the suffix that names the drawing file
printf 'demo\n' | "$build/bin/plotix"
echo
if [ -f px-demo.eps ]; then
  echo "plotix demo: the diagram is in $run/px-demo.eps (log in $run/px-log.txt)"
else
  echo "plotix demo: no diagram was written; see $run/px-log.txt" >&2
  exit 1
fi

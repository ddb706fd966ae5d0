#!/bin/sh
# Renders every .eps file under the given folder with Ghostscript and fails
# on the first that does not draw cleanly.
#   render_eps.sh FOLDER
set -eu
command -v gs >/dev/null 2>&1 || { echo "Ghostscript (gs) is not installed"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
count=0
for eps in $(find "$1" -name '*.eps' | sort); do
  if ! gs -q -dSAFER -dBATCH -dNOPAUSE -dEPSCrop -sDEVICE=png16m \
       -sOutputFile="$work/out.png" "$eps" >"$work/gs.txt" 2>&1 \
     || grep -q Error "$work/gs.txt" || [ ! -s "$work/out.png" ]; then
    echo "does not draw: $eps"; cat "$work/gs.txt"; exit 1
  fi
  rm -f "$work/out.png"
  count=$((count + 1))
done
[ "$count" -gt 0 ] || { echo "no EPS files under $1"; exit 1; }
echo "$count EPS files drawn"

#!/bin/sh
# The README's picture can be made again: the script leaves a PNG file.
#   picture_renders.sh SOURCE_DIR BUILD_DIR
set -eu
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sh "$1/examples/picture.sh" "$2" "$work/picture.png" >/dev/null
[ "$(head -c 4 "$work/picture.png" | tail -c 3)" = PNG ] || { echo "not a PNG file"; exit 1; }

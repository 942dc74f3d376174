#!/bin/sh
# A folder of photos to thumbnails with the batch command: every BMP, JPEG,
# GIF and PNG file of PHOTOS becomes a SIZE x SIZE JPEG (fitted, white
# margins, high-quality resampling) of the same name in THUMBS, on every core.
#
#   examples/thumbnails.sh PHOTOS THUMBS [SIZE]
#
# A damaged photo is reported and skipped; the others are still converted,
# and the exit status is then 1.  Run it again after adding photos: outputs
# are replaced whole.  Add --draft to the options below for large JPEG
# photos if a few differing pixels do not matter: it is several times faster.
#
# Speed: 200 JPEG photos of 1600 x 1200 in 1.1 s (5.6 ms each, both cores in
# use) on a 2-core AMD EPYC build machine (measured by bench/recipes.py).
set -eu
if [ $# -lt 2 ] || [ $# -gt 3 ]; then
  echo "usage: $0 PHOTOS THUMBS [SIZE]" >&2
  exit 2
fi
photos=$1 thumbs=$2 size=${3:-160}
# The command of this source tree's build ($ZELNOR2_BUILD_DIR or build/), else
# the installed one.
here=$(dirname "$0")
zelnor2=${ZELNOR2_BUILD_DIR:-$here/../build}/bin/zelnor2
[ -x "$zelnor2" ] || zelnor2=zelnor2
mkdir -p "$thumbs"
exec "$zelnor2" convert "$photos" --to "$thumbs" --size "${size}x${size}" --hiq --type jpg --jpeg-quality 85

#!/usr/bin/env bash
# Draws the user guide's picture of the GIS export (docs/gis-layers.png) from the
# GeoPackage the program writes for the cul-de-sac sample plan, with GDAL's own tools: the
# parcels burnt in a pale fill (their arcs are true arcs in the file, made into fine chords
# for the drawing only), each line class in its colour and weight over them, survey marks as
# red dots and other points as small dark ones.
# Usage: scripts/gis-picture.sh [PROGRAM]   (PROGRAM: build/src/app/corvane by default)
set -euo pipefail
cd "$(dirname "$0")/.."
program=${1:-build/src/app/corvane}
out=docs/gis-layers.png
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export GDAL_PAM_ENABLED=NO

"$program" --export-gis examples/CS3051 --out "$work/plan.gpkg" >/dev/null
ogr2ogr -f GPKG "$work/flat.gpkg" "$work/plan.gpkg" parcels lines points -nlt CONVERT_TO_LINEAR -a_srs None

read -r xmin ymin xmax ymax < <(ogrinfo -so "$work/flat.gpkg" lines |
    sed -n 's/^Extent: (\(.*\), \(.*\)) - (\(.*\), \(.*\))$/\1 \2 \3 \4/p')
read -r xmin ymin xmax ymax width height < <(awk -v a="$xmin" -v b="$ymin" -v c="$xmax" -v d="$ymax" '
    BEGIN { pad = 0.06 * ((c - a > d - b) ? c - a : d - b);
            a -= pad; b -= pad; c += pad; d += pad;
            w = 1000; h = int(w * (d - b) / (c - a) + 0.5);
            print a, b, c, d, w, h }')
metre=$(awk -v a="$xmin" -v c="$xmax" -v w="$width" 'BEGIN { print (c - a) / w }')

canvas="$work/canvas.tif"
gdal_rasterize -q -init 255 -ot Byte -ts "$width" "$height" -te "$xmin" "$ymin" "$xmax" "$ymax" \
    -burn 250 -burn 246 -burn 228 -dialect SQLite -sql "SELECT geom FROM parcels" \
    "$work/flat.gpkg" "$canvas"

# burn R G B HALF-WIDTH-IN-PIXELS SQL
burn() {
    local half
    half=$(awk -v m="$metre" -v p="$4" 'BEGIN { print m * p }')
    gdal_rasterize -q -b 1 -b 2 -b 3 -burn "$1" -burn "$2" -burn "$3" -dialect SQLite \
        -sql "${5//HALF/$half}" "$work/flat.gpkg" "$canvas" 2>&1 |
        { grep -v -e '^Warning 1: The output raster dataset has a SRS' -e '^Ensure input vector' || true; } >&2
}
burn 190 190 190 1.0 "SELECT ST_Buffer(geom, HALF) FROM lines WHERE class = 'context'"
burn 110 110 110 0.8 "SELECT ST_Buffer(geom, HALF) FROM lines WHERE class = 'other'"
burn 30 80 200 1.0 "SELECT ST_Buffer(geom, HALF) FROM lines WHERE class = 'easement'"
burn 0 0 0 1.6 "SELECT ST_Buffer(geom, HALF) FROM lines WHERE class = 'boundary'"
burn 40 40 40 3.5 "SELECT ST_Buffer(geom, HALF) FROM points WHERE mark_type = ''"
burn 200 20 20 5 "SELECT ST_Buffer(geom, HALF) FROM points WHERE mark_type <> ''"

mkdir -p "$(dirname "$out")"
gdal_translate -q -of PNG "$canvas" "$out"
echo "Wrote $out (${width}x${height})"

#!/bin/sh
# Makes the splash bitmap and the icons of the resource script with ImageMagick.
# The bitmap must be 393 x 293, 24 bits, uncompressed and without a colour table,
# so the resource (the file less its 14-byte file header) is 345,780 bytes.
set -eu
cd "$(dirname "$0")"

convert -size 393x293 gradient:'#16325c'-'#4f86c6' \
  -fill '#ffffff' -draw "roundrectangle 28,70 365,222 14,14" \
  -fill '#16325c' -draw "polygon 52,100 52,192 92,192 92,124 76,100" \
  -fill '#4f86c6' -draw "polygon 76,100 76,124 92,124" \
  -fill '#c0392b' -draw "rectangle 58,150 86,160" \
  -fill '#16325c' -pointsize 40 -annotate +112+148 'Folyant' \
  -fill '#4f5b6b' -pointsize 15 -annotate +114+176 'Version 10.0.31' \
  -fill '#ffffff' -pointsize 13 -annotate +28+268 'Vesk Harrow Systems' \
  -type TrueColor -define bmp:format=bmp3 -compress None BMP3:splash.bmp

icon() {
  convert -size 256x256 xc:none \
    -fill "$2" -draw "roundrectangle 16,16 240,240 40,40" \
    -fill '#ffffff' -draw "polygon 72,52 72,204 184,204 184,96 140,52" \
    -fill '#c0392b' -draw "rectangle 92,140 164,164" \
    -define icon:auto-resize=48,32,16 "$1"
}
icon folyant.ico '#16325c'
icon folyant_small.ico '#2c5d9a'
icon mainframe.ico '#4f86c6'

size=$(wc -c < splash.bmp)
test "$size" -eq 345794 || { echo "splash.bmp is $size bytes, expected 345794" >&2; exit 1; }

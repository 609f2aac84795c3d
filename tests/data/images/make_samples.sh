#!/bin/sh
# Makes the sample files the image tests read: GIFs written by ImageMagick and
# JPEGs written by libjpeg-turbo's cjpeg, each with the pixels another decoder
# gives for it (".rgb": raw top-down RGB bytes). Run it here to remake them.
set -e
cd "$(dirname "$0")"
python3 - <<'PY'
# 13x11, 24 colours in blocks: small, odd-sized, and at most 256 colours so a
# GIF holds it exactly.
w, h = 13, 11
cols = [((i * 53) % 256, (i * 97) % 256, (i * 151) % 256) for i in range(24)]
def frame(shift):
    out = bytearray()
    for y in range(h):
        for x in range(w):
            out += bytes(cols[(x // 2 + y * 3 + shift) % 24])
    return out
for name, shift in (("frame0", 0), ("frame1", 5), ("frame2", 11)):
    with open(name + ".ppm", "wb") as f:
        f.write(b"P6\n%d %d\n255\n" % (w, h) + frame(shift))
# A smooth 40x24 picture for the JPEG samples.
with open("smooth.ppm", "wb") as f:
    f.write(b"P6\n40 24\n255\n" + bytes(v for y in range(24) for x in range(40)
                                        for v in (x * 6, y * 10, 128 + (x - y) * 2)))
PY
convert frame0.ppm frame0.gif
convert frame0.gif rgb:frame0.gif.rgb
# Graphic control and comment extensions before the image, GIF89a.
convert -delay 20 -dispose Background frame0.ppm -set comment "a comment block" extensions89a.gif
convert extensions89a.gif rgb:extensions89a.gif.rgb
convert frame0.ppm -interlace GIF interlaced.gif
convert interlaced.gif rgb:interlaced.gif.rgb
convert -delay 10 -loop 0 frame0.ppm frame1.ppm frame2.ppm animated.gif
convert 'animated.gif[0]' rgb:animated.gif.rgb
cjpeg -quality 75 -outfile cjpeg.jpg smooth.ppm
djpeg -pnm cjpeg.jpg | tail -c $((40 * 24 * 3)) > cjpeg.jpg.rgb
cjpeg -quality 75 -progressive -outfile progressive.jpg smooth.ppm
djpeg -pnm progressive.jpg | tail -c $((40 * 24 * 3)) > progressive.jpg.rgb
cjpeg -quality 90 -grayscale -outfile grey.jpg smooth.ppm
djpeg -pnm grey.jpg | tail -c $((40 * 24)) > grey.jpg.gray
rm -f frame0.ppm frame1.ppm frame2.ppm frame0.gif frame0.gif.rgb smooth.ppm

#!/bin/sh
# Regenerates the program's icon: resources/Tarvelin.ico (16x16, 32x32 and
# 48x48, 256 colours each, as Windows expects of a classic program icon) and
# the PNG copies of the same three images for the Linux desktop entry.
# Needs ImageMagick and python3. Run from anywhere; writes into resources/.
set -eu

out="$(cd "$(dirname "$0")/../resources" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# A database drum with a green "redo" arrow, drawn on a 48-unit grid.
picture="
push graphic-context
  stroke '#1d3f6e' stroke-width 1.5
  fill '#3a78c2'
  path 'M 4,9 L 4,36 A 14,5 0 0 0 32,36 L 32,9 Z'
  fill none stroke '#9cc3ee' stroke-width 1.3
  path 'M 4,18 A 14,5 0 0 0 32,18'
  path 'M 4,27 A 14,5 0 0 0 32,27'
  stroke '#1d3f6e' stroke-width 1.5 fill '#7fb0e8'
  ellipse 18,9 14,5 0,360
pop graphic-context
push graphic-context
  fill '#ffffff' stroke none
  circle 34,34 34,46
  fill none stroke '#23913a' stroke-width 4.5
  path 'M 42,34 A 8,8 0 1 1 33.5,26'
  fill '#23913a' stroke none
  path 'M 41,26 L 33,20.5 L 33,31.5 Z'
pop graphic-context
"

for size in 16 32 48; do
    # Drawn eight times larger, then scaled down, for smooth edges.
    big=$((size * 8))
    scale=$(awk "BEGIN { print $size * 8 / 48 }")
    # A 256-colour icon has on/off transparency: 255 colours plus "clear".
    convert -size "${big}x${big}" xc:none -draw "scale $scale,$scale $picture" \
        -filter Lanczos -resize "${size}x${size}" \
        -channel A -threshold 50% +channel \
        -background '#000000' -alpha background \
        +dither -colors 255 -depth 8 "$work/icon-$size.png"
    convert "$work/icon-$size.png" -depth 8 "rgba:$work/icon-$size.rgba"
    # Without time stamps, so that regenerating an unchanged picture changes no file.
    convert "$work/icon-$size.png" -strip -define png:exclude-chunk=date,time "$out/tarvelin-$size.png"
done

# ImageMagick writes no transparency mask into 8-bit icon images, so the
# file is assembled here: palette, pixel indices and the AND mask.
python3 - "$work" "$out/Tarvelin.ico" <<'PY'
import struct, sys

work, target = sys.argv[1], sys.argv[2]
entries = []
for size in (16, 32, 48):
    data = open(f"{work}/icon-{size}.rgba", "rb").read()
    pixels = [data[i:i + 4] for i in range(0, len(data), 4)]
    palette = [(0, 0, 0)]  # index 0: under the mask, never seen
    index = {}
    rows, mask = [], []
    for y in reversed(range(size)):  # bitmaps run bottom-up
        row = bytearray()
        bits = 0
        maskrow = bytearray()
        for x in range(size):
            r, g, b, a = pixels[y * size + x]
            if a < 128:
                row.append(0)
                bits = bits << 1 | 1
            else:
                if (r, g, b) not in index:
                    index[(r, g, b)] = len(palette)
                    palette.append((r, g, b))
                row.append(index[(r, g, b)])
                bits <<= 1
            if x % 8 == 7:
                maskrow.append(bits)
                bits = 0
        row += bytes(-len(row) % 4)
        maskrow += bytes(-len(maskrow) % 4)
        rows.append(bytes(row))
        mask.append(bytes(maskrow))
    assert len(palette) <= 256, f"{size}: {len(palette)} colours"
    palette += [(0, 0, 0)] * (256 - len(palette))
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 8, 0, 0, 0, 0, 256, 0)
    body = header + b"".join(bytes((b, g, r, 0)) for r, g, b in palette) + b"".join(rows) + b"".join(mask)
    entries.append((size, body))

offset = 6 + 16 * len(entries)
out = bytearray(struct.pack("<HHH", 0, 1, len(entries)))
for size, body in entries:
    out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 8, len(body), offset)
    offset += len(body)
for _, body in entries:
    out += body
open(target, "wb").write(out)
PY

identify "$out/Tarvelin.ico"

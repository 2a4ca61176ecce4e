#!/usr/bin/env bash
# Takes the README's screenshots of quillomat.exe's three windows under Wine on an Xvfb into
# docs/windows-*.png. Needs the windows preset built (scripts/test windows) and its Wine
# prefix. Usage: tests/windows/screenshots.sh
set -euo pipefail
cd "$(dirname "$0")/../.."
export WINEPREFIX="${WINEPREFIX:-$PWD/build/wine-prefix}" WINEDEBUG=-all
cmake --build --preset windows --target quillomat-screenshots >/dev/null
shots=$(mktemp -d)
trap 'rm -rf "$shots"' EXIT
xvfb-run -a -s "-screen 0 800x600x24 -dpi 96" \
  wine build/windows/tests/win32gui/quillomat-screenshots.exe "$(winepath -w "$shots")" \
  </dev/null
# Bitmaps to PNGs with the standard library alone.
python3 - "$shots" docs <<'PY'
import pathlib, struct, sys, zlib
source, target = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
for bmp in sorted(source.glob("*.bmp")):
    data = bmp.read_bytes()
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height = struct.unpack_from("<ii", data, 18)
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(height - 1, -1, -1):  # bottom-up rows of BGR
        row = data[offset + y * stride: offset + y * stride + width * 3]
        rgb = bytearray(row)
        rgb[0::3], rgb[2::3] = row[2::3], row[0::3]
        rows.append(b"\0" + bytes(rgb))
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) + chunk(b"IEND", b"")
    (target / (bmp.stem + ".png")).write_bytes(png)
    print(target / (bmp.stem + ".png"), width, "x", height)
PY

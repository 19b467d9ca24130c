#!/usr/bin/env bash
# Starts the real application on a new document, on a project package and on
# a file it refuses, lets each window paint, has the application save it as a
# PNG and quit, and checks the exit status and that the picture is not blank.
# Usage: smoke.sh /path/to/quiltfolio /path/to/fallback.quiltfolioproj
# QF_SMOKE_KEEP=1 keeps the screenshots (the work folder is printed).
set -euo pipefail

app=$1
fallback=$2
work=$(mktemp -d)
if [ -n "${QF_SMOKE_KEEP:-}" ]; then
  echo "work folder: $work"
else
  trap 'rm -rf "$work"' EXIT
fi

# A grid of four coloured pictures, written here so the run never touches the
# fixtures; without Python a copy of a fixture package does.
package=$work/smoke.quiltfolioproj
if command -v python3 >/dev/null; then
  python3 - "$package" <<'PY'
import hashlib, os, struct, sys, zlib
root = sys.argv[1]

def png(w, h, rgb):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    raw = b"".join(b"\0" + bytes(rgb) * w for _ in range(h))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))

def envelope(payload, version=7):
    head = bytearray(bytes.fromhex("8610AA2431A6BE5C")) + bytes([version, 0])
    field = b"202,%d," % len(payload)
    head += field + bytes(32 - len(field)) + bytes(128)
    head += hashlib.md5(head).digest() + hashlib.md5(payload).digest()
    return bytes(head) + payload

pictures = [png(160, 120, c) for c in ((200, 40, 40), (40, 90, 200), (40, 170, 60), (230, 180, 30))]
ids = [hashlib.md5(p).hexdigest().upper() for p in pictures]
os.makedirs(os.path.join(root, "Images"))
for i, p in enumerate(pictures):
    open(os.path.join(root, "Images", "%d.png" % i), "wb").write(p)
design = ('{"cs":"grid","is":[%s]}' % ",".join('"%s"' % i for i in ids)).encode()
open(os.path.join(root, "collage.design"), "wb").write(envelope(design))
PY
else
  cp -R "$fallback" "$package"
fi

run() {
  local shot=$1
  shift
  # A real X server when there is one to start; otherwise Qt's offscreen screen.
  if command -v xvfb-run >/dev/null && command -v xauth >/dev/null; then
    QF_SMOKE_SCREENSHOT=$shot QT_QPA_PLATFORM=xcb HOME=$work XDG_RUNTIME_DIR=$work \
      timeout 60 xvfb-run -a -s "-screen 0 1400x900x24" "$app" "$@"
  else
    QF_SMOKE_SCREENSHOT=$shot QT_QPA_PLATFORM=offscreen HOME=$work XDG_RUNTIME_DIR=$work \
      timeout 60 "$app" "$@"
  fi
}

check_png() {
  local shot=$1
  [ -s "$shot" ] || { echo "no screenshot at $shot"; exit 1; }
  [ "$(head -c 8 "$shot" | od -An -tx1 | tr -d ' \n')" = "89504e470d0a1a0a" ] \
    || { echo "$shot is not a PNG"; exit 1; }
  if command -v python3 >/dev/null; then
    python3 - "$shot" <<'PY'
import struct, sys, zlib
data = open(sys.argv[1], 'rb').read()
pos, idat, width, height = 8, b'', 0, 0
while pos < len(data):
    length, kind = struct.unpack('>I4s', data[pos:pos + 8])
    body = data[pos + 8:pos + 8 + length]
    if kind == b'IHDR':
        width, height = struct.unpack('>II', body[:8])
    elif kind == b'IDAT':
        idat += body
    pos += 12 + length
raw = zlib.decompress(idat)
if width < 400 or height < 300:
    sys.exit(f'window too small: {width}x{height}')
# A flat picture has very few distinct bytes, even filtered.
if len(set(raw)) < 16:
    sys.exit('the screenshot is blank')
PY
  else
    [ "$(stat -c %s "$shot")" -gt 8000 ] || { echo "$shot looks blank"; exit 1; }
  fi
}

run "$work/new.png"
check_png "$work/new.png"
run "$work/package.png" "$package"
check_png "$work/package.png"
# A file that is no document is refused; with nothing opened a new one shows.
echo "not a collage" > "$work/notes.txt"
run "$work/refused.png" "$work/notes.txt"
check_png "$work/refused.png"

# A sandboxed start ends at once with status 1 and shows nothing.
status=0
APP_SANDBOX_CONTAINER_ID=smoke QT_QPA_PLATFORM=offscreen timeout 20 "$app" >/dev/null 2>&1 || status=$?
[ "$status" -eq 1 ] || { echo "sandboxed start ended with $status"; exit 1; }
echo "smoke test passed"

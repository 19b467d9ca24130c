#!/usr/bin/env bash
# Starts the real application on a new document, on a project package and on
# a file it refuses, each under an X server of its own making. Once a window
# shows, a screenshot of the screen is taken from outside and checked not to
# be blank; then every window is closed as a window manager's close button
# would, and the application must end with status 0.
# Usage: smoke.sh /path/to/quiltfolio
# Exits 77 (skipped) where no X server can be started.
# QF_SMOKE_KEEP=1 keeps the screenshots (the work folder is printed).
set -euo pipefail

app=$1
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  [ -n "${QF_SMOKE_KEEP:-}" ] || rm -rf "$work"
}
trap cleanup EXIT
[ -z "${QF_SMOKE_KEEP:-}" ] || echo "work folder: $work"
fail() {
  echo "$*"
  exit 1
}
skip() {
  echo "skipped: $*"
  exit 77
}

# A sandboxed start ends at once with status 1 and shows nothing.
status=0
APP_SANDBOX_CONTAINER_ID=smoke QT_QPA_PLATFORM=offscreen timeout 20 "$app" >/dev/null 2>&1 || status=$?
[ "$status" -eq 1 ] || fail "sandboxed start ended with $status"

for tool in Xvfb xwd python3; do
  command -v "$tool" >/dev/null || skip "no $tool"
done

# A grid of four coloured pictures, written here so the run never touches the
# fixtures.
package=$work/smoke.quiltfolioproj
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

# "shown FILE": whether an XWD screenshot shows a window, an area of at least
# 400 x 300 pixels in many colours on the black screen.
# "close": asks every visible top-level window to close, through the
# WM_DELETE_WINDOW message a window manager sends.
x11=$work/x11.py
cat >"$x11" <<'PY'
import ctypes, ctypes.util, struct, sys

def shown(path):
    data = open(path, "rb").read()
    f = struct.unpack(">25I", data[:100])
    header, width, height, bpp, stride, ncolors = f[0], f[4], f[5], f[11], f[12], f[19]
    size = bpp // 8
    if size not in (3, 4):
        sys.exit("expected 24 or 32 bits a pixel, not %d" % bpp)
    image = data[header + 12 * ncolors:]
    rows = [image[y * stride:y * stride + size * width] for y in range(height)]
    painted = [y for y, row in enumerate(rows) if row.strip(b"\0")]
    if not painted:
        return False
    left = min((len(r) - len(r.lstrip(b"\0"))) // size for r in rows if r.strip(b"\0"))
    right = max(len(r.rstrip(b"\0")) // size for r in rows if r.strip(b"\0"))
    colours = {row[x:x + size] for row in rows[::8] for x in range(0, len(row), 4 * size)}
    return right - left >= 400 and painted[-1] - painted[0] >= 300 and len(colours) >= 16

class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5), ("pad", ctypes.c_long * 24)]

class Attributes(ctypes.Structure):
    _fields_ = [("x", ctypes.c_int), ("y", ctypes.c_int), ("width", ctypes.c_int), ("height", ctypes.c_int),
                ("border_width", ctypes.c_int), ("depth", ctypes.c_int), ("visual", ctypes.c_void_p),
                ("root", ctypes.c_ulong), ("c_class", ctypes.c_int), ("bit_gravity", ctypes.c_int),
                ("win_gravity", ctypes.c_int), ("backing_store", ctypes.c_int),
                ("backing_planes", ctypes.c_ulong), ("backing_pixel", ctypes.c_ulong),
                ("save_under", ctypes.c_int), ("colormap", ctypes.c_ulong), ("map_installed", ctypes.c_int),
                ("map_state", ctypes.c_int), ("all_event_masks", ctypes.c_long),
                ("your_event_mask", ctypes.c_long), ("do_not_propagate_mask", ctypes.c_long),
                ("override_redirect", ctypes.c_int), ("screen", ctypes.c_void_p)]

def close():
    x = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
    x.XOpenDisplay.restype = ctypes.c_void_p
    x.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x.XDefaultRootWindow.restype = ctypes.c_ulong
    x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x.XInternAtom.restype = ctypes.c_ulong
    x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x.XQueryTree.argtypes = [ctypes.c_void_p, ctypes.c_ulong] + [ctypes.c_void_p] * 4
    x.XGetWindowAttributes.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_void_p]
    x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
    x.XCloseDisplay.argtypes = [ctypes.c_void_p]
    display = x.XOpenDisplay(None)
    if not display:
        sys.exit("no display")
    protocols = x.XInternAtom(display, b"WM_PROTOCOLS", 0)
    delete = x.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
    root, parent, count = ctypes.c_ulong(), ctypes.c_ulong(), ctypes.c_uint()
    children = ctypes.POINTER(ctypes.c_ulong)()
    x.XQueryTree(display, x.XDefaultRootWindow(display), ctypes.byref(root), ctypes.byref(parent),
                 ctypes.byref(children), ctypes.byref(count))
    for i in range(count.value):
        attributes = Attributes()
        if not x.XGetWindowAttributes(display, children[i], ctypes.byref(attributes)):
            continue
        if attributes.map_state != 2 or attributes.override_redirect:  # IsViewable, no popups
            continue
        message = ClientMessage(type=33, window=children[i], message_type=protocols, format=32)  # ClientMessage
        message.data[0] = delete
        x.XSendEvent(display, children[i], 0, 0, ctypes.byref(message))
    x.XCloseDisplay(display)  # flushes

if sys.argv[1] == "shown":
    sys.exit(0 if shown(sys.argv[2]) else 1)
close()
PY

# Our own server on a free display: it writes the number once it takes clients.
Xvfb -displayfd 3 -screen 0 1400x900x24 -br -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
for _ in $(seq 100); do
  [ -s "$work/display" ] || ! kill -0 "${pids[0]}" 2>/dev/null && break
  sleep 0.1
done
[ -s "$work/display" ] || skip "Xvfb did not start: $(tail -n 3 "$work/xvfb.log")"
export DISPLAY=:$(head -n 1 "$work/display")
mkdir -m 700 "$work/home" "$work/runtime"

run() {
  local name=$1 pid shown="" status=0
  shift
  HOME=$work/home XDG_RUNTIME_DIR=$work/runtime QT_QPA_PLATFORM=xcb \
    timeout 60 "$app" "$@" >"$work/$name.log" 2>&1 &
  pid=$!
  pids+=("$pid")
  for _ in $(seq 60); do
    sleep 0.5
    kill -0 "$pid" 2>/dev/null || break
    xwd -root -silent -out "$work/$name.xwd" 2>/dev/null || continue
    if python3 "$x11" shown "$work/$name.xwd"; then
      shown=1
      break
    fi
  done
  [ -n "$shown" ] || { cat "$work/$name.log"; fail "$name: no window showed"; }
  # A modal window blocks the close of the ones under it: ask again until all are gone.
  for _ in $(seq 40); do
    kill -0 "$pid" 2>/dev/null || break
    python3 "$x11" close
    sleep 0.5
  done
  wait "$pid" || status=$?
  [ "$status" -eq 0 ] || { cat "$work/$name.log"; fail "$name: the application ended with $status"; }
}

run new
run package "$package"
# A file that is no document is refused; with nothing opened a new one shows.
echo "not a collage" >"$work/notes.txt"
run refused "$work/notes.txt"
echo "smoke test passed"

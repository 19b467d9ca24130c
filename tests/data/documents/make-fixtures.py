#!/usr/bin/env python3
"""Writes the document fixtures beside this script. Run it again after changing
it; the output is deterministic. preview.jpeg is kept as it is (a 64 x 48 JPEG)."""
import hashlib
import os
import plistlib
import shutil
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
MAGIC = bytes.fromhex("8610AA2431A6BE5C")


def envelope(payload: bytes, version: int = 7) -> bytes:
    head = bytearray(MAGIC)
    head += bytes([version & 0xFF, 0])
    field = b"202,%d," % len(payload)
    head += field + bytes(32 - len(field))
    head += bytes(128)
    head += hashlib.md5(head).digest()
    head += hashlib.md5(payload).digest()
    return bytes(head) + payload


def png(width: int, height: int, rgb) -> bytes:
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    raw = b"".join(b"\0" + bytes(rgb) * width for _ in range(height))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def write(path, data: bytes):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def md5hex(data: bytes) -> str:
    return hashlib.md5(data).hexdigest().upper()


red, blue, green = png(8, 6, (220, 30, 30)), png(6, 8, (30, 30, 220)), png(4, 4, (30, 200, 30))
collage = ('{"cs":"grid","images":["%s","%s"]}' % (md5hex(red), md5hex(blue))).encode()

docs = HERE
for name in ("template.quiltfolioproj", "plain.quiltfolioproj", "missing-design.quiltfolioproj"):
    shutil.rmtree(os.path.join(docs, name), ignore_errors=True)

t = os.path.join(docs, "template.quiltfolioproj")
write(os.path.join(t, "collage.design"), envelope(collage))
write(os.path.join(t, "Images", "red.png"), red)
write(os.path.join(t, "Images", "red copy.png"), red)
write(os.path.join(t, "Images", "blue.png"), blue)
write(os.path.join(t, "Images", ".hidden.png"), green)
write(os.path.join(t, "Images", "notes.txt"), b"not a picture\n")
write(os.path.join(t, ".directory"), b"[Desktop Entry]\nIcon=folder\n")
shutil.copy(os.path.join(docs, "preview.jpeg"), os.path.join(t, "preview.jpeg"))
write(os.path.join(t, "TemplateInfo.plist"), plistlib.dumps(
    {"Category1": "Travel", "Category2": "Family", "Category3": "", "Description": "  Summer Trip\n"},
    fmt=plistlib.FMT_XML))

write(os.path.join(docs, "plain.quiltfolioproj", "collage.design"), envelope(b'{"cs":"pile"}'))
write(os.path.join(docs, "missing-design.quiltfolioproj", "Images", "red.png"), red)

write(os.path.join(docs, "old-version6.quiltfolio"), envelope(b'{"cs":"pile","images":["/home/a/p.jpg"]}', 6))
v8 = envelope(b'{"cs":"pile","future":true}', 8)
write(os.path.join(docs, "version8.quiltfolio"), v8)
bad = bytearray(v8)
bad[-2] ^= 0x01  # a payload byte: the payload digest no longer matches
write(os.path.join(docs, "version8-bad-digest.quiltfolio"), bytes(bad))
write(os.path.join(docs, "truncated.quiltfolio"), envelope(collage)[:150])
wrong = bytearray(envelope(collage))
wrong[0] = 0x87
write(os.path.join(docs, "wrong-magic.quiltfolio"), bytes(wrong))

# Property lists.
plists = os.path.join(os.path.dirname(HERE), "plist")
os.makedirs(plists, exist_ok=True)
write(os.path.join(plists, "template-info-binary.plist"), plistlib.dumps(
    {"Category1": "Kids", "Description": "Birthday", "Count": -3, "Ratio": 1.5, "Shown": True,
     "Tags": ["a", "b"]}, fmt=plistlib.FMT_BINARY))


def binary_plist(objects, top=0):
    """A binary property list from raw object bytes, one-byte references."""
    body = bytearray(b"bplist00")
    offsets = []
    for o in objects:
        offsets.append(len(body))
        body += o
    table = len(body)
    for off in offsets:
        body += struct.pack(">H", off)
    body += bytes(6) + bytes([2, 1]) + struct.pack(">QQQ", len(objects), top, table)
    return bytes(body)


# 40 arrays, each holding the next one twice: 2^40 values once expanded.
levels = [bytes([0xA2, i + 1, i + 1]) for i in range(40)] + [bytes([0x10, 7])]
write(os.path.join(plists, "shared-references.plist"), binary_plist(levels))
# An array that holds itself.
write(os.path.join(plists, "cycle.plist"), binary_plist([bytes([0xA1, 0])]))
# Dictionary keys holding a NUL character, as UTF-16 and as ASCII strings.
write(os.path.join(plists, "nul-key-utf16.plist"), plistlib.dumps(
    {"Description": "Party", "\u00e9\u0000x": 1}, fmt=plistlib.FMT_BINARY))
write(os.path.join(plists, "nul-key-ascii.plist"), plistlib.dumps(
    {"Description": "Party", "a\u0000x": 1}, fmt=plistlib.FMT_BINARY))
# A dictionary whose key is an integer.
write(os.path.join(plists, "integer-key.plist"), binary_plist([bytes([0xD1, 1, 2]), bytes([0x10, 7]), bytes([0x10, 8])]))

#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into fuzz/corpus/<target>/.

The loader's seeds are small image files of every pixel depth and header
variant of each type (made here byte by byte where the imaging library
cannot write them), each also truncated and with a damaged byte.  The other
targets read their inputs as a stream of choices; their seeds are short
fixed byte strings.  Run again after changing it; the files it writes are
named by content, so existing grown corpus files stay.
"""
import hashlib
import io
import os
import random
import struct
import sys
import zlib

from PIL import Image

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")


def save(target, data):
    folder = os.path.join(ROOT, target)
    os.makedirs(folder, exist_ok=True)
    name = "seed-" + hashlib.sha1(data).hexdigest()[:16]
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def pattern(mode, w, h):
    img = Image.new("RGB", (w, h))
    img.putdata([((x * 37) % 256, (y * 59) % 256, ((x + y) * 23) % 256) for y in range(h) for x in range(w)])
    if mode == "P":
        return img.quantize(colors=16)
    return img.convert(mode)


def pil_bytes(img, fmt, **options):
    out = io.BytesIO()
    img.save(out, fmt, **options)
    return out.getvalue()


# ------------------------------------------------------------------ PNG

def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def png(w, h, depth, colour, interlace=False, extra=b"", palette=None):
    channels = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}[colour]
    bits = depth * channels
    rnd = random.Random(w * 131 + h * 7 + depth + colour)

    def rows(pw, ph):
        stride = (pw * bits + 7) // 8
        return b"".join(b"\x00" + bytes(rnd.randrange(256) for _ in range(stride)) for _ in range(ph))

    if interlace:
        raw = b""
        for x0, y0, dx, dy in ((0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4),
                               (1, 0, 2, 2), (0, 1, 1, 2)):
            pw, ph = (w - x0 + dx - 1) // dx, (h - y0 + dy - 1) // dy
            if pw > 0 and ph > 0:
                raw += rows(pw, ph)
    else:
        raw = rows(w, h)
    body = chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, depth, colour, 0, 0, 1 if interlace else 0))
    if colour == 3:
        entries = palette if palette is not None else 1 << depth
        body += chunk(b"PLTE", bytes(rnd.randrange(256) for _ in range(3 * entries)))
    body += extra + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
    return b"\x89PNG\r\n\x1a\n" + body


def png_seeds():
    out = []
    for colour, depths in ((0, (1, 2, 4, 8, 16)), (2, (8, 16)), (3, (1, 2, 4, 8)), (4, (8, 16)), (6, (8, 16))):
        for depth in depths:
            out.append(png(5, 3, depth, colour))
    out.append(png(9, 9, 8, 2, interlace=True))
    out.append(png(6, 5, 2, 3, interlace=True))
    out.append(png(4, 4, 8, 3, palette=3, extra=chunk(b"tRNS", b"\xff\x00")))
    out.append(png(4, 4, 8, 2, extra=chunk(b"tRNS", b"\x00\x10\x00\x20\x00\x30")))
    out.append(png(4, 4, 4, 0, extra=chunk(b"tRNS", b"\x00\x03") + chunk(b"gAMA", b"\x00\x00\xb1\x8f")))
    out.append(png(1, 1, 8, 3, palette=0))  # a palette image without entries
    out.append(pil_bytes(pattern("RGB", 11, 7), "PNG"))
    return out


# ------------------------------------------------------------------ BMP

def bmp(w, h, bits, compression=0, pixels=None, palette=None, masks=None, header=40, top_down=False):
    stride = ((w * bits + 31) // 32) * 4
    rnd = random.Random(w + h * 3 + bits * 11 + compression)
    if pixels is None:
        pixels = bytes(rnd.randrange(256) for _ in range(stride * h))
    if palette is None:
        palette = (1 << bits) if bits <= 8 else 0
    entry = 3 if header == 12 else 4
    table = bytes(rnd.randrange(256) for _ in range(entry * palette))
    if header == 12:
        info = struct.pack("<IHHHH", 12, w, h, 1, bits)
    else:
        info = struct.pack("<IiiHHIIiiII", header, w, -h if top_down else h, 1, bits, compression, len(pixels),
                           2835, 2835, palette if bits <= 8 else 0, 0)
        if header > 40:
            m = masks or (0, 0, 0, 0)
            info += struct.pack("<IIII", *m) + bytes(header - 56)
    mask_bytes = b"" if (masks is None or header > 40) else struct.pack("<III", *masks[:3])
    offset = 14 + len(info) + len(mask_bytes) + len(table)
    data = info + mask_bytes + table + pixels
    return b"BM" + struct.pack("<IHHI", 14 + len(data), 0, 0, offset) + data


def bmp_seeds():
    out = [bmp(7, 3, bits) for bits in (1, 4, 8, 16, 24, 32)]
    out.append(bmp(5, 2, 16, 3, masks=(0xF800, 0x07E0, 0x001F)))
    out.append(bmp(5, 2, 32, 3, masks=(0xFF0000, 0xFF00, 0xFF)))
    out.append(bmp(4, 4, 24, top_down=True))
    out.append(bmp(3, 3, 8, header=12))
    out.append(bmp(3, 3, 24, header=108, masks=(0, 0, 0, 0)))
    out.append(bmp(3, 3, 32, 3, header=124, masks=(0xFF0000, 0xFF00, 0xFF, 0xFF000000)))
    out.append(bmp(4, 2, 8, palette=3))
    # Run-length coded: runs, literals, a jump, end of line and end of bitmap.
    out.append(bmp(6, 3, 8, 1, pixels=bytes([3, 1, 0, 3, 1, 2, 3, 0, 0, 0, 0, 2, 2, 1, 0, 0, 2, 3, 0, 1])))
    out.append(bmp(6, 3, 4, 2, pixels=bytes([4, 0x12, 0, 4, 0x34, 0x56, 0, 0, 2, 0x77, 0, 1])))
    out.append(pil_bytes(pattern("RGB", 9, 5), "BMP"))
    return out


# ------------------------------------------------------------------ GIF and JPEG

def gif_partial_frame():
    # A 8 x 6 screen with a 3 x 2 frame at (2, 1), a global table of 4.
    screen = b"GIF89a" + struct.pack("<HHBBB", 8, 6, 0x81, 1, 0) + bytes(range(12))
    gce = b"\x21\xf9\x04\x01\x0a\x00\x02\x00"
    frame = b"\x2c" + struct.pack("<HHHHB", 2, 1, 3, 2, 0)
    data = b"\x02\x04\x84\x8f\x10\x05\x00"
    return screen + gce + frame + data + b"\x3b"


def gif_seeds():
    out = [pil_bytes(pattern("P", 8, 8), "GIF", interlace=False)]
    out.append(pil_bytes(pattern("P", 20, 20), "GIF", interlace=True))
    out.append(pil_bytes(pattern("L", 5, 4), "GIF"))
    frames = [pattern("P", 6, 6), pattern("P", 6, 6).rotate(90)]
    out.append(pil_bytes(frames[0], "GIF", save_all=True, append_images=frames[1:], loop=0, duration=50,
                         transparency=0))
    out.append(gif_partial_frame())
    return out


def jpeg_seeds():
    out = []
    for mode, w, h, options in (("RGB", 16, 8, {}), ("RGB", 17, 9, {"progressive": True}),
                                ("L", 8, 8, {}), ("CMYK", 9, 9, {}), ("RGB", 1, 1, {"quality": 5}),
                                ("RGB", 24, 16, {"subsampling": 0, "optimize": True}),
                                ("RGB", 33, 17, {"subsampling": 2, "progressive": True})):
        out.append(pil_bytes(pattern(mode, w, h), "JPEG", **options))
    return out


def damaged(data, rnd):
    yield data[: max(8, len(data) // 2)]
    bad = bytearray(data)
    bad[rnd.randrange(8, len(bad))] ^= 1 << rnd.randrange(8)
    yield bytes(bad)


def main():
    rnd = random.Random(18)
    for data in png_seeds() + bmp_seeds() + gif_seeds() + jpeg_seeds():
        save("load_fuzz", data)
        for d in damaged(data, rnd):
            save("load_fuzz", d)
    for target in ("invoke_fuzz", "draw_fuzz", "save_fuzz", "stretch_fuzz"):
        for n in (16, 48, 96, 200, 400):
            save(target, bytes(rnd.randrange(256) for _ in range(n)))
    return 0


if __name__ == "__main__":
    sys.exit(main())

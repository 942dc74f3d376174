#!/usr/bin/python3
"""Times Pillow on the picture bench_io writes: quantize to 256 colours with
Floyd-Steinberg and save as GIF; also PNG and JPEG saves for comparison."""
import io
import sys
import timeit

from PIL import Image

path = sys.argv[1] if len(sys.argv) > 1 else "/tmp/zelnor2-bench-photo.bmp"
photo = Image.open(path).convert("RGB")


def gif():
    out = io.BytesIO()
    photo.quantize(256, dither=Image.Dither.FLOYDSTEINBERG).save(out, "GIF")
    return out


def png():
    out = io.BytesIO()
    photo.save(out, "PNG", compress_level=7)
    return out


def jpeg():
    out = io.BytesIO()
    photo.save(out, "JPEG", quality=100)
    return out


for name, fn in (("pillow_gif", gif), ("pillow_png", png), ("pillow_jpeg_q100", jpeg)):
    runs = 10
    seconds = min(timeit.repeat(fn, number=1, repeat=runs))
    print(f"{name:20s} {seconds * 1000:8.1f} ms  bytes={len(fn().getvalue())}")

#!/usr/bin/python3
"""Times loading from bytes in the same run for the component, Pillow and vips.

Writes a 4000 x 3000 JPEG and a 1024 x 768 PNG of a photo-like picture with
Pillow, runs bench_load on those very bytes (ZELNOR_LOAD_BENCH_DIR), then
decodes the same bytes in memory with Pillow and with libvips (through ctypes,
so no process start is counted) and prints one table of milliseconds (best
of several runs).  Usage: bench/load_compare.py [build dir]
Needs Debian's python3 with PIL and numpy; vips rows need libvips.so.42.
"""
import ctypes
import ctypes.util
import io
import json
import os
import subprocess
import sys
import tempfile
import timeit

import numpy as np
from PIL import Image

BUILD = sys.argv[1] if len(sys.argv) > 1 else "build"
REPEAT = 7


def photo(width, height):
    y, x = np.mgrid[0:height, 0:width].astype(np.float32)
    sky = 0.5 + 0.5 * np.sin(x * 6 / width) * np.cos(y * 6 / height)
    ball = np.clip(1 - np.hypot(x - 0.6 * width, y - 0.5 * height) / (0.2 * width), 0, 1)
    noise = np.random.default_rng(12345).integers(-6, 7, (height, width, 3))
    rgb = np.stack([60 + 120 * sky + 70 * ball, 80 + 90 * sky, 150 - 60 * sky], axis=-1) + noise
    return Image.fromarray(np.clip(rgb, 0, 255).astype(np.uint8), "RGB")


def best_ms(fn):
    return min(timeit.repeat(fn, number=1, repeat=REPEAT)) * 1000


def pillow_ms(data):
    def load():
        with Image.open(io.BytesIO(data)) as im:
            im.load()
    return best_ms(load)


def vips_library():
    try:
        lib = ctypes.CDLL(ctypes.util.find_library("vips") or "libvips.so.42")
    except OSError:
        return None
    if lib.vips_init(b"load_compare") != 0:
        return None
    lib.vips_concurrency_set(2)
    lib.vips_image_new_from_buffer.restype = ctypes.c_void_p
    lib.vips_image_write_to_memory.restype = ctypes.c_void_p
    lib.vips_image_write_to_memory.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_size_t)]
    glib = ctypes.CDLL(ctypes.util.find_library("glib-2.0") or "libglib-2.0.so.0")
    gobject = ctypes.CDLL(ctypes.util.find_library("gobject-2.0") or "libgobject-2.0.so.0")
    glib.g_free.argtypes = [ctypes.c_void_p]
    gobject.g_object_unref.argtypes = [ctypes.c_void_p]
    return lib, glib, gobject


def vips_ms(vips, data):
    """Decodes the bytes into memory: the load plus one copy of the pixels."""
    lib, glib, gobject = vips
    buf = ctypes.create_string_buffer(data, len(data))

    def load():
        image = lib.vips_image_new_from_buffer(buf, ctypes.c_size_t(len(data)), b"", None)
        if not image:
            raise RuntimeError("vips could not read the bytes")
        size = ctypes.c_size_t()
        pixels = lib.vips_image_write_to_memory(ctypes.c_void_p(image), ctypes.byref(size))
        glib.g_free(ctypes.c_void_p(pixels))
        gobject.g_object_unref(ctypes.c_void_p(image))
    return best_ms(load)


def zelnor_ms(folder):
    out = subprocess.run([os.path.join(BUILD, "bench", "bench_load"), "--benchmark_format=json",
                          f"--benchmark_repetitions={REPEAT}", "--benchmark_report_aggregates_only=false"],
                         env=dict(os.environ, ZELNOR_LOAD_BENCH_DIR=folder), check=True,
                         capture_output=True, text=True).stdout
    runs = {}
    for b in json.loads(out)["benchmarks"]:
        if b.get("run_type") == "iteration":
            runs.setdefault(b["run_name"], []).append(b["real_time"])
    return {name: min(times) for name, times in runs.items()}


def main():
    with tempfile.TemporaryDirectory(prefix="zelnor2-load-bench-") as folder:
        jpeg_path, png_path = os.path.join(folder, "photo.jpg"), os.path.join(folder, "photo.png")
        photo(4000, 3000).save(jpeg_path, quality=90)
        photo(1024, 768).save(png_path, compress_level=6)
        jpeg, png = open(jpeg_path, "rb").read(), open(png_path, "rb").read()
        ours = zelnor_ms(folder)
    vips = vips_library()
    rows = [("jpeg 4000x3000", len(jpeg), ours.get("BM_LoadJpeg4000x3000"), pillow_ms(jpeg),
             vips_ms(vips, jpeg) if vips else None),
            ("png 1024x768", len(png), ours.get("BM_LoadPng1024x768"), pillow_ms(png),
             vips_ms(vips, png) if vips else None)]
    fmt = lambda v: f"{v:9.1f}" if v is not None else "      n/a"
    print(f"{'bytes in memory':16s} {'size':>9s} {'zelnor2':>9s} {'pillow':>9s} {'vips':>9s}   (ms, best of {REPEAT})")
    for name, size, *times in rows:
        print(f"{name:16s} {size:9d} " + " ".join(fmt(t) for t in times))


if __name__ == "__main__":
    main()

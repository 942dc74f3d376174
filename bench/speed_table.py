#!/usr/bin/python3
"""One table of the component's speed beside peers and the bare libraries.

Every "ours" figure is timed in this process through the zelnor2 binding,
calling the members by name as a script does; the bare-library and GD figures
come from bench_codec_speed and bench_draw run in the same session, Pillow and
libvips (through ctypes, so no process start is counted) are timed here on the
same pixels.  A peer that is not installed prints n/a.  Figures are the best
of REPEAT runs, in milliseconds.

Usage: /usr/bin/python3 bench/speed_table.py [BUILD_DIR] [--repeat N]
Run it under the build lock so that no build shares the cores.
"""
import argparse
import ctypes
import ctypes.util
import io
import json
import os
import resource
import subprocess
import sys
import tempfile
import time
import timeit

import numpy as np
from PIL import Image, ImageDraw, ImageFont

ARGS = argparse.ArgumentParser()
ARGS.add_argument("build", nargs="?", default="build")
ARGS.add_argument("--repeat", type=int, default=7)
OPTS = ARGS.parse_args()
BUILD = os.path.abspath(OPTS.build)
REPEAT = OPTS.repeat
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"

sys.path.insert(0, os.path.join(BUILD, "python"))
os.environ["ZELNOR2_REGISTRY"] = os.path.join(tempfile.mkdtemp(prefix="zelnor2-speed-"), "registry")
import zelnor2  # noqa: E402

zelnor2.lowlevel.dll_register_server(os.path.realpath(os.path.join(BUILD, "lib", "Zelnor2.so")))


def best_ms(fn, repeat=REPEAT):
    return min(timeit.repeat(fn, number=1, repeat=repeat)) * 1000


def photo(width, height, seed=12345):
    y, x = np.mgrid[0:height, 0:width].astype(np.float32)
    sky = 0.5 + 0.5 * np.sin(x * 6 / width) * np.cos(y * 6 / height)
    ball = np.clip(1 - np.hypot(x - 0.6 * width, y - 0.5 * height) / (0.2 * width), 0, 1)
    noise = np.random.default_rng(seed).integers(-6, 7, (height, width, 3))
    rgb = np.stack([60 + 120 * sky + 70 * ball, 80 + 90 * sky, 150 - 60 * sky], axis=-1) + noise
    return Image.fromarray(np.clip(rgb, 0, 255).astype(np.uint8), "RGB")


def encoded(image, fmt, **kw):
    out = io.BytesIO()
    image.save(out, fmt, **kw)
    return out.getvalue()


def canvas_with(data, file_type):
    canvas = zelnor2.CreateObject("Zelnor2.MyCanvas")
    assert canvas.LoadFromStream(zelnor2.Ref(data), file_type) == 0
    return canvas


def cpp_bench(program, pattern):
    """Best real time in ms of each benchmark of a C++ bench program."""
    path = os.path.join(BUILD, "bench", program)
    if not os.path.exists(path):
        return {}
    out = subprocess.run([path, f"--benchmark_filter={pattern}", "--benchmark_format=json",
                          f"--benchmark_repetitions={REPEAT}"], check=True, capture_output=True,
                         text=True).stdout
    runs = {}
    for b in json.loads(out)["benchmarks"]:
        if b.get("run_type") == "iteration":
            scale = {"ms": 1, "us": 1e-3, "ns": 1e-6}[b["time_unit"]]
            runs.setdefault(b["run_name"], []).append(b["real_time"] * scale)
    return {name: min(times) for name, times in runs.items()}


def vips():
    try:
        lib = ctypes.CDLL(ctypes.util.find_library("vips") or "libvips.so.42")
    except OSError:
        return None
    if lib.vips_init(b"speed_table") != 0:
        return None
    lib.vips_concurrency_set(2)
    lib.vips_image_new_from_file.restype = ctypes.c_void_p
    lib.vips_image_write_to_memory.restype = ctypes.c_void_p
    lib.vips_image_write_to_memory.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_size_t)]
    glib = ctypes.CDLL(ctypes.util.find_library("glib-2.0") or "libglib-2.0.so.0")
    gobject = ctypes.CDLL(ctypes.util.find_library("gobject-2.0") or "libgobject-2.0.so.0")
    glib.g_free.argtypes = [ctypes.c_void_p]
    gobject.g_object_unref.argtypes = [ctypes.c_void_p]

    def load_file(path):
        """Opens the file and decodes it into memory: the load plus one copy."""
        image = lib.vips_image_new_from_file(path.encode(), None)
        if not image:
            raise RuntimeError("vips could not read " + path)
        size = ctypes.c_size_t()
        pixels = lib.vips_image_write_to_memory(ctypes.c_void_p(image), ctypes.byref(size))
        glib.g_free(ctypes.c_void_p(pixels))
        gobject.g_object_unref(ctypes.c_void_p(image))
    return load_file


# ------------------------------------------------------------------ rows

def jpeg_rows(big, bare):
    canvas = canvas_with(encoded(big, "BMP"), "bmp")
    rows = []
    for quality in (85, 100):
        canvas.JPEGCompressionQuality = quality
        ref = zelnor2.Ref()

        def ours():
            assert canvas.SaveToStream(ref, "JPEG") == 0
        pillow = best_ms(lambda: encoded(big, "JPEG", quality=quality))
        engine = bare.get(f"BM_SaveJpeg/{quality}")
        rows.append((f"JPEG encode 4000x3000 q{quality}", best_ms(ours),
                     bare.get(f"BM_LibjpegAloneEncode/{quality}"), "libjpeg alone",
                     f"Pillow {pillow:.1f}" + (f"; our save in C++ {engine:.1f}" if engine else ""), 1.1))
    canvas.release()
    return rows


def bmp_row(folder, big, load_file, codec):
    path = os.path.join(folder, "photo.bmp")
    big.save(path)
    canvas = zelnor2.CreateObject("Zelnor2.MyCanvas")

    def ours():
        assert canvas.LoadFromFile(path) == 0
    # libvips reads BMP through ImageMagick; its own PPM reader on the same
    # pixels is the stricter peer, and the one the row compares with.
    ppm = os.path.join(folder, "photo.ppm")
    big.save(ppm)
    theirs = best_ms(lambda: load_file(ppm)) if load_file else None
    via_bmp = best_ms(lambda: load_file(path), 2) if load_file else None
    engine = codec.get("BM_LoadBmpFile")
    notes = [f"libvips on the BMP {via_bmp:.1f}" if via_bmp else "", f"our load in C++ {engine:.1f}" if engine else ""]
    row = ("BMP load 4000x3000 24-bit", best_ms(ours), theirs, "libvips on the same pixels as PPM",
           "; ".join(n for n in notes if n), 1.0)
    canvas.release()
    return row


def draw_rows(draw_cpp):
    import random
    rng = random.Random(7)
    lines = [(rng.randrange(1024), rng.randrange(768), rng.randrange(1024), rng.randrange(768),
              rng.randrange(1 << 24)) for _ in range(10000)]
    ellipses = []
    for _ in range(2000):
        x, y = rng.randrange(1024), rng.randrange(768)
        ellipses.append((x, y, x + rng.randrange(120) + 2, y + rng.randrange(120) + 2, rng.randrange(1 << 24)))
    texts = [((i * 37) % 900, (i * 13) % 740) for i in range(200)]
    canvas = zelnor2.CreateObject("Zelnor2.MyCanvas")
    canvas.NewCanvas(1024, 768)
    canvas.FontName = "DejaVu Sans"
    canvas.FontSize = 12

    def ours():
        for x1, y1, x2, y2, c in lines:
            canvas.PenColor = c
            canvas.Line(x1, y1, x2, y2)
        for x1, y1, x2, y2, c in ellipses:
            canvas.PenColor = c
            canvas.BrushColor = c ^ 0x808080
            canvas.Ellipse(x1, y1, x2, y2, True)
        for x, y in texts:
            canvas.StringWrite(x, y, "Zelnor2 bench text 1")

    image = Image.new("RGB", (1024, 768), "white")
    draw = ImageDraw.Draw(image)
    font = ImageFont.truetype(FONT, 16) if os.path.exists(FONT) else ImageFont.load_default()

    def pillow():
        for x1, y1, x2, y2, c in lines:
            draw.line((x1, y1, x2, y2), fill=c)
        for x1, y1, x2, y2, c in ellipses:
            draw.ellipse((x1, y1, x2 - 1, y2 - 1), fill=c ^ 0x808080, outline=c)
        for x, y in texts:
            draw.text((x, y), "Zelnor2 bench text 1", fill=(0, 0, 0), font=font)
    ours_ms = best_ms(ours)
    canvas.release()
    engine = [draw_cpp.get(k) for k in ("BM_Zelnor_Lines", "BM_Zelnor_FilledEllipses")]
    note = ("engine alone in C++: lines %.1f, filled ellipses %.1f" % tuple(engine)) if None not in engine else ""
    return [("10k lines + 2k filled ellipses + 200 texts", ours_ms, best_ms(pillow), "Pillow", note, None, 25.0)]


def gif_rows(codec):
    frames = [photo(320, 240, 1000 + i) for i in range(10)]
    anim = zelnor2.CreateObject("Zelnor2.MyCanvas")
    for i, f in enumerate(frames):
        if i:
            anim.NewCanvas(320, 240, 1)
            anim.CurrentCanvasIndex = i
        assert anim.LoadFromStream(zelnor2.Ref(encoded(f, "BMP")), "bmp") == 0
    anim.GIFCompressionMode = 0
    ref = zelnor2.Ref()

    def ours_anim():
        assert anim.SaveAniGIFToStream(ref, 100, 0) == 0

    def pillow_anim():
        encoded(frames[0], "GIF", save_all=True, append_images=frames[1:], duration=100, loop=0)
    assert anim.UBound == 9
    rows = [("animated GIF 10 x 320x240, mode 0", best_ms(ours_anim), codec.get("BM_GdAnimatedGif10x320x240"),
             "GD", f"Pillow {best_ms(pillow_anim):.1f}; our save in C++ "
             f"{codec.get('BM_SaveAnimatedGif10x320x240', 0):.1f}", None, 20.0)]
    anim.release()

    big = photo(1024, 768, 777)
    single = canvas_with(encoded(big, "BMP"), "bmp")
    single.GIFCompressionMode = 0

    def ours_gif():
        assert single.SaveToStream(ref, "GIF") == 0

    def pillow_gif():
        encoded(big.quantize(256, dither=Image.Dither.FLOYDSTEINBERG), "GIF")
    rows.append(("GIF 1024x768, mode 0", best_ms(ours_gif), codec.get("BM_GdGif1024x768"), "GD",
                 f"Pillow {best_ms(pillow_gif):.1f}; our save in C++ {codec.get('BM_SaveGif1024x768', 0):.1f}",
                 None, 15.0))
    single.release()
    return rows


PROCESS = """
import os, sys
sys.path.insert(0, os.path.join(sys.argv[1], "python"))
import zelnor2
c = zelnor2.CreateObject("Zelnor2.MyCanvas")
assert c.LoadFromFile(sys.argv[2]) == 0
assert c.Stretch(160, 120, True) == 0
assert c.SaveToFile(sys.argv[3]) == 0
"""


def process_times(argv):
    """Best wall and system milliseconds of a whole process."""
    best = (float("inf"), float("inf"))
    for _ in range(REPEAT):
        start = time.perf_counter()
        child = subprocess.Popen(argv)
        _, status, usage = os.wait4(child.pid, 0)
        wall = (time.perf_counter() - start) * 1000
        assert status == 0, argv
        best = min(best, (wall, usage.ru_stime * 1000))
    return best


def process_row(folder, big):
    jpeg = os.path.join(folder, "photo.jpg")
    big.save(jpeg, quality=90)
    wall, sys_ms = process_times([sys.executable, "-c", PROCESS, BUILD, jpeg, os.path.join(folder, "thumb.jpg")])
    empty_wall, empty_sys = process_times([sys.executable, "-c", "import sys; sys.path.insert(0, sys.argv[1])"
                                   "; import zelnor2", os.path.join(BUILD, "python")])
    vips_cmd = ["vips", "resize", jpeg, os.path.join(folder, "vips.jpg"), "0.04"]
    theirs = process_times(vips_cmd)[0] if subprocess.run(["which", "vips"], capture_output=True).returncode == 0 \
        else None
    note = (f"system {sys_ms:.1f} ms (target 10); the interpreter and import alone take {empty_wall:.1f} ms, "
            f"{empty_sys:.1f} ms of it system time")
    return ("process: load 4000x3000 JPEG, HiQ thumbnail, save", wall, theirs, "vips resize (full decode)",
            note, 1.0)


def main():
    codec = cpp_bench("bench_codec_speed", ".")
    draw_cpp = cpp_bench("bench_draw", "BM_Zelnor_(Lines|FilledEllipses)")
    load_file = vips()
    big = photo(4000, 3000)
    rows = []
    with tempfile.TemporaryDirectory(prefix="zelnor2-speed-") as folder:
        rows += jpeg_rows(big, codec)
        rows.append(bmp_row(folder, big, load_file, codec))
        rows += draw_rows(draw_cpp)
        rows += gif_rows(codec)
        rows.append(process_row(folder, big))
    print(f"{'stage':52s} {'ours':>8s} {'peer':>8s} {'ratio':>6s}  target         peer / notes")
    for row in rows:
        name, ours, theirs, who = row[:4]
        note = row[4]
        ratio = ours / theirs if theirs else None
        if len(row) == 7:  # an absolute target in ms
            target = f"<= {row[6]:.0f} ms"
            met = ours <= row[6]
        else:
            target = f"<= {row[5]:.1f} x"
            met = ratio is not None and ratio <= row[5]
        fmt = lambda v: f"{v:8.1f}" if v is not None else "     n/a"
        print(f"{name:52s} {fmt(ours)} {fmt(theirs)} {ratio if ratio else 0:6.2f}  {target:10s} "
              f"{'met ' if met else 'MISS'} {who}{'; ' + note if note else ''}")
    print(f"(ms, best of {REPEAT}; ratio = ours / peer)")


if __name__ == "__main__":
    main()

#!/usr/bin/python3
"""Threaded throughput of a web script's requests through the zelnor2 binding,
next to Pillow doing the same work in the same run.

  thumbnail  decode a 1600 x 1200 JPEG, resample to 200 x 150 (high quality),
             encode a JPEG at quality 85
  chart      a 640 x 480 bar chart: filled boxes, axes, labels; encode a PNG
  png-save   a CPU-heavy member that runs on the calling thread alone: PNG
             encoding of a 1200 x 900 photo at level 9 (1, 2 and 4 threads)

Each request makes its own object, as a request handler does.  Figures are
requests per second over all threads, the ratio against one thread, and the
cores the process kept busy (its CPU time over the wall time): a binding that
held the interpreter lock during calls could never pass 1.0, whatever else
runs on the machine.

Usage: /usr/bin/python3 bench/python_threads.py [BUILD_DIR] [--seconds S]
"""
import argparse
import hashlib
import io
import os
import sys
import tempfile
import threading
import time

from PIL import Image, ImageDraw, ImageFont

parser = argparse.ArgumentParser()
parser.add_argument("build", nargs="?", default="build")
parser.add_argument("--seconds", type=float, default=2.0, help="time per measurement")
options = parser.parse_args()
build = os.path.abspath(options.build)
sys.path.insert(0, os.path.join(build, "python"))
os.environ["ZELNOR2_REGISTRY"] = os.path.join(tempfile.mkdtemp(prefix="zelnor2-bench-"), "registry")
import zelnor2  # noqa: E402

zelnor2.lowlevel.dll_register_server(os.path.realpath(os.path.join(build, "lib", "Zelnor2.so")))


def photo(width, height):
    """A photo-like picture: smooth gradients with fine noise."""
    noise = Image.effect_noise((width, height), 40).convert("RGB")
    gradient = Image.linear_gradient("L").resize((width, height)).convert("RGB")
    return Image.blend(gradient, noise, 0.35)


def encoded(image, fmt, **params):
    out = io.BytesIO()
    image.save(out, fmt, **params)
    return out.getvalue()


PHOTO_JPEG = encoded(photo(1600, 1200), "JPEG", quality=90)
BIG_PHOTO_BMP = encoded(photo(1200, 900), "BMP")
BARS = [(i, 40 + (i * 37) % 300) for i in range(16)]
FONT_PATH = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
PIL_FONT = ImageFont.truetype(FONT_PATH, 12) if os.path.exists(FONT_PATH) else ImageFont.load_default()


def canvas():
    return zelnor2.CreateObject("Zelnor2.MyCanvas")


def z_thumbnail():
    c = canvas()
    c.LoadFromStream(PHOTO_JPEG, "JPEG")
    c.Stretch(200, 150, True, True)
    c.JPEGCompressionQuality = 85
    ref = zelnor2.Ref()
    c.SaveToStream(ref, "JPEG")
    return bytes(ref)


def p_thumbnail():
    image = Image.open(io.BytesIO(PHOTO_JPEG)).convert("RGB")
    return encoded(image.resize((200, 150), Image.Resampling.LANCZOS), "JPEG", quality=85)


def z_chart():
    c = canvas()
    c.NewCanvas(640, 480)
    c.PenColor = 0x000000
    c.Line(40, 440, 620, 440)
    c.Line(40, 440, 40, 20)
    for i, height in BARS:
        c.BrushColor = 0x3366CC + i * 0x0A0500
        c.Box(50 + i * 35, 440 - height, 75 + i * 35, 440, True)
        c.StringWrite(50 + i * 35, 450, str(height))
    ref = zelnor2.Ref()
    c.SaveToStream(ref, "PNG")
    return bytes(ref)


def p_chart():
    image = Image.new("RGB", (640, 480), "white")
    draw = ImageDraw.Draw(image)
    draw.line((40, 440, 620, 440), fill="black")
    draw.line((40, 440, 40, 20), fill="black")
    for i, height in BARS:
        colour = 0x3366CC + i * 0x0A0500
        fill = (colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF)
        draw.rectangle((50 + i * 35, 440 - height, 75 + i * 35, 440), fill=fill, outline="black")
        draw.text((50 + i * 35, 450), str(height), fill="black", font=PIL_FONT)
    return encoded(image, "PNG")


def z_png_save():
    c = canvas()
    c.LoadFromStream(BIG_PHOTO_BMP, "BMP")
    c.PNGCompressionLevel = 9
    ref = zelnor2.Ref()
    c.SaveToStream(ref, "PNG")
    return bytes(ref)


def p_png_save():
    image = Image.open(io.BytesIO(BIG_PHOTO_BMP)).convert("RGB")
    return encoded(image, "PNG", compress_level=9)


def throughput(request, threads):
    """(requests per second, cores busy) with `threads` threads each running
    requests until the time is up."""
    request()  # warm caches and fonts
    counts = [0] * threads
    start = threading.Barrier(threads + 1)
    deadline = [0.0]

    def worker(index):
        start.wait()
        while time.perf_counter() < deadline[0]:
            request()
            counts[index] += 1

    pool = [threading.Thread(target=worker, args=(i,)) for i in range(threads)]
    for t in pool:
        t.start()
    cpu = os.times()
    began = time.perf_counter()
    deadline[0] = began + options.seconds
    start.wait()
    for t in pool:
        t.join()
    wall = time.perf_counter() - began
    used = os.times()
    busy = (used.user - cpu.user + used.system - cpu.system) / wall
    return sum(counts) / wall, busy


def compare(name, ours, theirs, thread_counts):
    print(f"\n{name}: requests/s (ratio to 1 thread, cores busy)")
    print(f"{'threads':>8} {'zelnor2':>25} {'Pillow':>25} {'zelnor2/Pillow':>15}")
    base = {}
    for n in thread_counts:
        (z, z_busy), (p, p_busy) = throughput(ours, n), throughput(theirs, n)
        base.setdefault("z", z)
        base.setdefault("p", p)
        print(f"{n:8d} {z:9.1f} ({z / base['z']:4.2f}x, {z_busy:4.2f}) "
              f"{p:9.1f} ({p / base['p']:4.2f}x, {p_busy:4.2f}) {z / p:14.2f}x")


print(f"cores: {os.cpu_count()}, load average: {os.getloadavg()[0]:.2f}, {options.seconds:.1f} s per figure")
# What the machine lets the process use right now: hashing, which runs without
# the interpreter lock, on 1 and 2 threads.  On a shared machine the ratios
# below can be no better than this one.
_block = b"x" * (8 << 20)
control = [throughput(lambda: hashlib.sha256(_block).digest(), n) for n in (1, 2)]
print(f"control (sha256 without the lock): 2 threads {control[1][0] / control[0][0]:.2f}x one, "
      f"cores busy {control[0][1]:.2f} -> {control[1][1]:.2f}")
compare("thumbnail", z_thumbnail, p_thumbnail, (1, 2, 4, 8))
compare("chart", z_chart, p_chart, (1, 2, 4, 8))
compare("png-save (CPU-heavy member)", z_png_save, p_png_save, (1, 2, 4))

#!/usr/bin/python3
"""The Python half of bench/node_compare.js: the cost of one PixelGet and of
the thumbnail request through the Python binding, printed as JSON rows (best
of three rounds, wall and CPU nanoseconds per run).

Usage: /usr/bin/python3 bench/node_compare_python.py BUILD_DIR UPLOAD_JPEG [--loop WHAT COUNT]
(the registration store is the one ZELNOR2_REGISTRY names, as the Node half
sets it up).  With --loop, it only runs WHAT (pixelget or thumbnail) COUNT
times, for the Node half's instruction counts.
"""
import json
import os
import sys
import time

build, upload_file = os.path.abspath(sys.argv[1]), sys.argv[2]
sys.path.insert(0, os.path.join(build, "python"))
import zelnor2  # noqa: E402

with open(upload_file, "rb") as f:
    upload = f.read()


def thumbnail():
    canvas = zelnor2.CreateObject("Zelnor2.MyCanvas")
    canvas.LoadFromStream(upload, "JPEG")
    canvas.Stretch(160, 160, HiQ=True)
    picture = zelnor2.Ref()
    canvas.SaveToStream(picture, "JPEG")
    canvas.release()
    return picture.value


def measure(runs, body):
    wall = cpu = float("inf")
    for _ in range(3):
        start, start_cpu = time.perf_counter_ns(), time.process_time_ns()
        body(runs)
        wall = min(wall, (time.perf_counter_ns() - start) / runs)
        cpu = min(cpu, (time.process_time_ns() - start_cpu) / runs)
    return {"wall": wall, "cpu": cpu}


def pixel_gets(n):
    for _ in range(n):
        canvas.PixelGet(3, 4)


def thumbnails(n):
    for _ in range(n):
        thumbnail()


canvas = zelnor2.CreateObject("Zelnor2.MyCanvas")
canvas.NewCanvas(16, 16)
if "--loop" in sys.argv:
    what, count = sys.argv[sys.argv.index("--loop") + 1:][:2]
    (pixel_gets if what == "pixelget" else thumbnails)(int(count))
    sys.exit(0)
rows = [
    {"language": "Python", "what": "PixelGet(3, 4)", "unit": "ns", **measure(200000, pixel_gets)},
    {"language": "Python", "what": "thumbnail request", "unit": "ms", **measure(30, thumbnails)},
]
print(json.dumps(rows))

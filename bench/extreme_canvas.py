#!/usr/bin/python3
"""Time of every kind of member on a canvas at the edge of the size limit.

A 1 x 100,000,000 canvas (400 MB at 24 bits) passes the bitmap size limit.
Each member below must either finish in a few seconds or be refused at once
with a clear message, never work for long and then fail with a codec's
message.  Prints seconds and the outcome per call.

Usage: /usr/bin/python3 bench/extreme_canvas.py [BUILD_DIR] [HEIGHT]   (default build/, 100000000)
"""
import os
import sys
import tempfile
import time

build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build")
height = int(sys.argv[2]) if len(sys.argv) > 2 else 100_000_000
sys.path.insert(0, os.path.join(build, "python"))
os.environ["ZELNOR2_REGISTRY"] = os.path.join(tempfile.mkdtemp(prefix="zelnor2-bench-"), "registry")
import zelnor2  # noqa: E402

zelnor2.lowlevel.dll_register_server(os.path.realpath(os.path.join(build, "lib", "Zelnor2.so")))
canvas = zelnor2.CreateObject("Zelnor2.MyCanvas")


def run(label, call):
    start = time.perf_counter()
    try:
        outcome = f"-> {call()!r}"[:60]
    except Exception as e:  # the standard failure report
        outcome = f"failed: {e}"[:100]
    print(f"{label:34s} {time.perf_counter() - start:7.2f} s  {outcome}", flush=True)


out = zelnor2.Ref(None)
run(f"NewCanvas(1, {height})", lambda: canvas.NewCanvas(1, height))
run("Line full height", lambda: canvas.Line(0, 0, 0, height))
run("Box outline", lambda: canvas.Box(0, 0, 1, height))
run("Box filled", lambda: canvas.Box(0, 0, 1, height, True))
canvas.PenWidth = 9
run("Line, pen width 9", lambda: canvas.Line(0, 0, 0, height))
canvas.PenWidth = 1
run("Ellipse filled", lambda: canvas.Ellipse(0, 0, 1, height, True))
run("Circle", lambda: canvas.Circle(0, height // 2, 1000))
run("RoundBox filled", lambda: canvas.RoundBox(0, 0, 1, height, 5, 5, True))
run("Arc", lambda: canvas.Arc(0, 0, 1, height, 0, 0, 1, height))
run("Pie filled", lambda: canvas.Pie(0, 0, 1, height, 0, 0, 1, height, True))
run("Chord filled", lambda: canvas.Arc(0, 0, 1, height, 0, 0, 1, height, True, True))
# Figures through the general path fill and stroke: no pen (brush over the
# outline too), a dotted pen, a wide pen, and a hatched brush.
canvas.PenStyle = 5
run("Ellipse filled, no pen", lambda: canvas.Ellipse(0, 0, 1, height, True))
run("Pie filled, no pen", lambda: canvas.Pie(0, 0, 1, height, 0, 0, 1, height, True))
canvas.PenStyle = 2
run("Ellipse filled, dotted pen", lambda: canvas.Ellipse(0, 0, 1, height, True))
canvas.PenStyle = 0
canvas.PenWidth = 9
run("Box filled, pen width 9", lambda: canvas.Box(0, 0, 1, height, True))
run("Ellipse filled, pen width 9", lambda: canvas.Ellipse(0, 0, 1, height, True))
run("Arc, pen width 9", lambda: canvas.Arc(0, 0, 1, height, 0, 0, 1, height))
canvas.PenWidth = 1
canvas.BrushStyle = 7
run("Box filled, hatched brush", lambda: canvas.Box(-1, -1, 2, height + 1, True))
canvas.BrushStyle = 0
run("BezierLine", lambda: canvas.BezierLine(0, 0, 1, height // 3, 0, height // 2, 1, height))
run("FloodFill", lambda: canvas.FloodFill(0, 5, canvas.PixelGet(0, 5)))
run("StringWrite", lambda: canvas.StringWrite(0, 10, "text"))
run("Gray", lambda: canvas.Gray())
run("Gamma(120)", lambda: canvas.Gamma(120))
run("Contrast(20)", lambda: canvas.Contrast(20))
run("Reversal", lambda: canvas.Reversal())
run("Mask", lambda: canvas.Mask(0))
run("Sharp", lambda: canvas.Sharp())
run("Dull", lambda: canvas.Dull())
run("CustomFilter", lambda: canvas.CustomFilter(0, 1, 0, 1, 4, 1, 0, 1, 0, 0, 8))
run("GetCanvas (whole)", lambda: canvas.GetCanvas(out, 0, 0, 1, height))
for word in ("BMP", "PNG", "GIF", "JPEG"):
    run(f"SaveToStream {word}", lambda: canvas.SaveToStream(out, word))
run("Stretch thumbnail 100 x 100", lambda: canvas.Stretch(100, 100))
canvas.NewCanvas(1, height)
run("Stretch HiQ exact 1 x 1000", lambda: canvas.Stretch(1, 1000, True, True))
canvas.release()

#!/usr/bin/python3
"""Cost of one late-bound call from Python through the zelnor2 binding.

Usage: /usr/bin/python3 bench/automation_python.py [BUILD_DIR]   (default build/)
"""
import os
import sys
import tempfile
import time
import timeit

build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build")
sys.path.insert(0, os.path.join(build, "python"))
os.environ["ZELNOR2_REGISTRY"] = os.path.join(tempfile.mkdtemp(prefix="zelnor2-bench-"), "registry")
import zelnor2  # noqa: E402

zelnor2.lowlevel.dll_register_server(os.path.realpath(os.path.join(build, "lib", "Zelnor2.so")))
canvas = zelnor2.CreateObject("Zelnor2.MyCanvas")
canvas.NewCanvas(16, 16)
for label, stmt in [("Width get", "canvas.Width"), ("PixelGet(3, 4)", "canvas.PixelGet(3, 4)"),
                    ("PixelGet(X1=3, Y1=4)", "canvas.PixelGet(X1=3, Y1=4)"), ("Width put", "canvas.Width = 16")]:
    runs = 200000
    wall = min(timeit.repeat(stmt, globals={"canvas": canvas}, number=runs, repeat=3))
    cpu = min(timeit.repeat(stmt, globals={"canvas": canvas}, number=runs, repeat=3, timer=time.process_time))
    print(f"{label:24s} {wall / runs * 1e9:8.0f} ns wall {cpu / runs * 1e9:8.0f} ns CPU per call")

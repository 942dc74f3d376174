#!/usr/bin/python3
"""The drawing row of speed_table.py on its own: 10,000 lines, 2,000 filled
ellipses and 200 texts on 1024 x 768 through the binding, beside Pillow, with
the engine-alone figures of bench_draw.

Usage: /usr/bin/python3 bench/draw_speed.py [BUILD_DIR] [--repeat N]
Run it under the build lock so that no build shares the cores.
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import speed_table  # noqa: E402  (parses the same arguments)

for name, ours, theirs, who, note, _, target in speed_table.draw_rows(
        speed_table.cpp_bench("bench_draw", "BM_Zelnor_(Lines|FilledEllipses)")):
    print(f"{name}: ours {ours:.1f} ms, {who} {theirs:.1f} ms, ratio {ours / theirs:.2f}, "
          f"target <= {target:.0f} ms; {note}")

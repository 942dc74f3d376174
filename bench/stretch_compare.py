#!/usr/bin/python3
"""Runs bench_stretch and times Pillow and vips on the same resizes of the
same picture, printing one table (milliseconds, best of several runs).

Usage: /usr/bin/python3 bench/stretch_compare.py <build dir>

Pillow: Image.resize with BOX for reductions and BICUBIC for the enlargement,
single-threaded, in this process.  vips: the `vips resize` command on the
picture in vips's own uncompressed format; the time of `vips copy` on the
same files (start-up, loading and saving) is subtracted, so the figure is
close to the resize alone.
"""
import json
import os
import subprocess
import sys
import tempfile
import time
import timeit

import numpy as np
from PIL import Image

RUNS = 7


def photo_like(w, h):
    """The picture of stretch_bench.cpp: same bytes, as RGB."""
    x = np.arange(w, dtype=np.int64)[None, :]
    y = np.arange(h, dtype=np.int64)[:, None]
    blue = (x * 255 // w + ((x ^ y) & 15)) & 0xFF
    green = (y * 255 // h + ((x * 3 + y) & 31)) & 0xFF
    red = ((x + y) * 255 // (w + h) + ((x * y) & 7)) & 0xFF
    return np.stack(np.broadcast_arrays(red, green, blue), axis=2).astype(np.uint8)


def best_ms(fn):
    return min(timeit.repeat(fn, number=1, repeat=RUNS)) * 1000


def vips_ms(args, vfile, tmp):
    out = os.path.join(tmp, "out.v")

    def run(cmd):
        start = time.perf_counter()
        subprocess.run(cmd, check=True)
        return time.perf_counter() - start

    resize = min(run(["vips", "resize", vfile, out] + args) for _ in range(RUNS))
    copy = min(run(["vips", "copy", vfile, out]) for _ in range(RUNS))
    return (resize - copy) * 1000, resize * 1000


def ours(build):
    exe = os.path.join(build, "bench", "bench_stretch")
    res = subprocess.run([exe, "--benchmark_format=json", "--benchmark_repetitions=3",
                          "--benchmark_report_aggregates_only=true"],
                         check=True, capture_output=True, text=True)
    times = {}
    for b in json.loads(res.stdout)["benchmarks"]:
        if b.get("aggregate_name") == "median":
            times[b["run_name"].split("/")[0]] = b["real_time"]
    return times


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else "build"
    mine = ours(build)
    cases = [
        ("HiQ thumbnail 4000x3000 -> 160x119", "BM_HiQThumbnail_4000x3000_to_160x160",
         (4000, 3000), (160, 119), Image.Resampling.BOX, []),
        ("HiQ exact 640x480 -> 1600x1200", "BM_HiQExact_640x480_to_1600x1200",
         (640, 480), (1600, 1200), Image.Resampling.BICUBIC, ["--kernel", "cubic"]),
        ("HiQ exact 4000x3000 -> 1000x750", "BM_HiQExact_4000x3000_to_1000x750",
         (4000, 3000), (1000, 750), Image.Resampling.BOX, []),
    ]
    print(f"{'case':38} {'Zelnor2':>9} {'Pillow':>9} {'vips':>9} {'vips+io':>9}")
    with tempfile.TemporaryDirectory() as tmp:
        for title, bench, (w, h), (nw, nh), pil_filter, vips_extra in cases:
            rgb = photo_like(w, h)
            im = Image.fromarray(rgb, "RGB")
            pil = best_ms(lambda: im.resize((nw, nh), pil_filter))
            ppm = os.path.join(tmp, "in.ppm")
            vfile = os.path.join(tmp, "in.v")
            im.save(ppm)
            subprocess.run(["vips", "copy", ppm, vfile], check=True)
            args = [str(nw / w), "--vscale", str(nh / h)] + vips_extra
            vips, vips_io = vips_ms(args, vfile, tmp)
            print(f"{title:38} {mine.get(bench, float('nan')):9.2f} {pil:9.2f} {vips:9.2f} {vips_io:9.2f}")
    fast = [(k, v) for k, v in mine.items() if k.startswith("BM_Fast")]
    for name, ms in fast:
        print(f"{name:38} {ms:9.2f}")


if __name__ == "__main__":
    main()

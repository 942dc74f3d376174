#!/usr/bin/python3
"""Runs bench_stretch and times Pillow and vips on the same resizes of the
same picture, printing one table (milliseconds, best of several runs).

Usage: /usr/bin/python3 bench/stretch_compare.py <build dir>

Two figures per library: wall time, and CPU time of all its threads (the
fair measure on a busy machine, where wall times mostly show the wait).

Pillow: Image.resize with BOX for reductions and BICUBIC for the enlargement,
single-threaded, in this process.  vips: the `vips resize` command on the
picture in vips's own uncompressed format (mapped, read as the resize goes);
the time of `vips copy` on a 1 x 1 picture (start-up and shut-down) is
subtracted.
"""
import json
import os
import resource
import subprocess
import sys
import tempfile
import time

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
    """(wall, CPU) of the fastest of RUNS calls, in ms."""
    best = None
    for _ in range(RUNS):
        w0, c0 = time.perf_counter(), time.process_time()
        fn()
        run = ((time.perf_counter() - w0) * 1000, (time.process_time() - c0) * 1000)
        best = run if best is None or run[0] < best[0] else best
    return best


def vips_ms(args, vfile, tmp):
    out = os.path.join(tmp, "out.v")

    def run(cmd):
        r0 = resource.getrusage(resource.RUSAGE_CHILDREN)
        start = time.perf_counter()
        subprocess.run(cmd, check=True)
        wall = time.perf_counter() - start
        r1 = resource.getrusage(resource.RUSAGE_CHILDREN)
        cpu = (r1.ru_utime - r0.ru_utime) + (r1.ru_stime - r0.ru_stime)
        return wall * 1000, cpu * 1000

    def best(cmd):
        runs = [run(cmd) for _ in range(RUNS)]
        return min(r[0] for r in runs), min(r[1] for r in runs)

    tiny = os.path.join(tmp, "tiny.v")
    Image.new("RGB", (1, 1)).save(os.path.join(tmp, "tiny.ppm"))
    subprocess.run(["vips", "copy", os.path.join(tmp, "tiny.ppm"), tiny], check=True)
    resize = best(["vips", "resize", vfile, out] + args)
    start = best(["vips", "copy", tiny, out])
    return resize[0] - start[0], resize[1] - start[1]


def ours(build):
    exe = os.path.join(build, "bench", "bench_stretch")
    res = subprocess.run([exe, "--benchmark_format=json", "--benchmark_repetitions=3",
                          "--benchmark_report_aggregates_only=true"],
                         check=True, capture_output=True, text=True)
    times = {}
    for b in json.loads(res.stdout)["benchmarks"]:
        if b.get("aggregate_name") == "median":
            times[b["run_name"].split("/")[0]] = (b["real_time"], b["cpu_time"])
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
    print(f"{'wall / CPU ms':38} {'Zelnor2':>15} {'Pillow':>15} {'vips (- start)':>15}")
    fmt = lambda t: f"{t[0]:7.2f}/{t[1]:7.2f}"
    nan = (float("nan"), float("nan"))
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
            vips = vips_ms(args, vfile, tmp)
            print(f"{title:38} {fmt(mine.get(bench, nan)):>15} {fmt(pil):>15} {fmt(vips):>15}")
    for name, t in mine.items():
        if name.startswith("BM_Fast") or "Only" in name:
            print(f"{name:38} {fmt(t):>15}")


if __name__ == "__main__":
    main()

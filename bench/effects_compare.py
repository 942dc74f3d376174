#!/usr/bin/python3
"""Times the effects and filters next to Pillow and vips doing the same work.

  bench/effects_compare.py [BUILD_DIR] [--repeat N]

Runs BUILD_DIR/bench/bench_effects (default build dir: build), then the same
operations on the same 4000 x 3000 RGB picture with Pillow (in process) and
with the vips command-line tools (on a .v file, so loading is a memory map),
and prints one table of milliseconds (wall time and CPU time of all threads).  vips figures are whole-command times;
the "vips copy" row is the same command doing no work, for subtracting.
Needs Debian's python3 with PIL and numpy, and libvips-tools.
"""
import json
import os
import resource
import shutil
import subprocess
import sys
import tempfile
import time

import numpy as np
from PIL import Image, ImageFilter, ImageOps

W, H = 4000, 3000


def photo_like():
    """The picture the C++ benchmark paints (R, G, B channel order)."""
    y, x = np.mgrid[0:H, 0:W].astype(np.int64)
    b = (x * 7 + y * 3) & 0xFF
    g = (x ^ y) & 0xFF
    r = ((x + y * 5) >> 4) & 0xFF
    return Image.fromarray(np.dstack([r, g, b]).astype(np.uint8), "RGB")


def _cpu_seconds():
    """CPU time of this process and its finished children, user + system."""
    me, kids = resource.getrusage(resource.RUSAGE_SELF), resource.getrusage(resource.RUSAGE_CHILDREN)
    return me.ru_utime + me.ru_stime + kids.ru_utime + kids.ru_stime


def best_ms(fn, repeat):
    """Best wall time and best CPU time (all threads, children included), ms."""
    best_wall = best_cpu = float("inf")
    for _ in range(repeat):
        t, c = time.perf_counter(), _cpu_seconds()
        fn()
        best_wall = min(best_wall, (time.perf_counter() - t) * 1000)
        best_cpu = min(best_cpu, (_cpu_seconds() - c) * 1000)
    return best_wall, best_cpu


def gamma_table():
    return [min(255, max(0, round(255 * (c / 255) ** 0.5))) for c in range(256)]


def contrast_table(amount=50):
    k = amount / 100
    return [min(255, max(0, round((c - 127.5) * k + c))) for c in range(256)]


def pillow_times(im, repeat):
    g, c = gamma_table() * 3, contrast_table() * 3
    sharp = ImageFilter.Kernel((3, 3), [-1, -1, -1, -1, 24, -1, -1, -1, -1], scale=16)
    dull = ImageFilter.Kernel((3, 3), [1] * 9, scale=9)
    emboss = ImageFilter.Kernel((3, 3), [-2, -1, 0, -1, 1, 1, 0, 1, 2], scale=1, offset=128)
    return {
        "Gray": best_ms(lambda: im.convert("L"), repeat),
        "Gamma": best_ms(lambda: im.point(g), repeat),
        "Contrast": best_ms(lambda: im.point(c), repeat),
        "Reversal": best_ms(lambda: ImageOps.invert(im), repeat),
        "Sharp": best_ms(lambda: im.filter(sharp), repeat),
        "Dull": best_ms(lambda: im.filter(dull), repeat),
        "CustomEmboss": best_ms(lambda: im.filter(emboss), repeat),
    }


def vips_times(im, repeat):
    if not shutil.which("vips"):
        return {}
    d = tempfile.mkdtemp()
    src = os.path.join(d, "in.v")
    im.save(os.path.join(d, "in.png"), compress_level=0)
    subprocess.run(["vips", "copy", os.path.join(d, "in.png"), src], check=True)

    def mat(name, scale, offset, rows):
        path = os.path.join(d, name)
        with open(path, "w") as f:
            f.write("3 3 %d %d\n" % (scale, offset))
            for r in rows:
                f.write(" ".join(map(str, r)) + "\n")
        return path

    def lut(name, table):
        path = os.path.join(d, name + ".v")
        arr = np.array(table, dtype=np.uint8).reshape(1, 256, 1)
        Image.fromarray(arr[:, :, 0], "L").save(os.path.join(d, name + ".png"))
        subprocess.run(["vips", "copy", os.path.join(d, name + ".png"), path], check=True)
        return path

    out = os.path.join(d, "out.v")
    sharp = mat("sharp.mat", 16, 0, [[-1, -1, -1], [-1, 24, -1], [-1, -1, -1]])
    dull = mat("dull.mat", 9, 0, [[1, 1, 1], [1, 1, 1], [1, 1, 1]])
    emboss = mat("emboss.mat", 1, 128, [[-2, -1, 0], [-1, 1, 1], [0, 1, 2]])
    cmds = {
        "copy (no work)": ["copy", src, out],
        "Gray": ["colourspace", src, out, "b-w"],
        "Gamma": ["maplut", src, out, lut("gamma", gamma_table())],
        "Contrast": ["maplut", src, out, lut("contrast", contrast_table())],
        "Reversal": ["invert", src, out],
        "Sharp": ["conv", src, out, sharp, "--precision", "integer"],
        "Dull": ["conv", src, out, dull, "--precision", "integer"],
        "CustomEmboss": ["conv", src, out, emboss, "--precision", "integer"],
    }
    env = dict(os.environ, VIPS_CONCURRENCY="2")
    res = {}
    for name, args in cmds.items():
        res[name] = best_ms(lambda: subprocess.run(["vips"] + args, check=True, env=env), repeat)
    shutil.rmtree(d)
    return res


def zelnor_times(build):
    exe = os.path.join(build, "bench", "bench_effects")
    if not os.path.exists(exe):
        sys.exit("no %s: build the bench_effects target first" % exe)
    out = subprocess.run([exe, "--benchmark_format=json", "--benchmark_min_time=0.5"], check=True,
                         capture_output=True, text=True).stdout
    res = {}
    for b in json.loads(out)["benchmarks"]:
        parts = b["name"].split("/")
        name = parts[0].replace("BM_", "")
        threads = [p.split(":")[1] for p in parts if p.startswith("threads:")]
        if threads:
            name += " (%s thread%s)" % (threads[0], "" if threads[0] == "1" else "s")
        res[name] = (b["real_time"], b["cpu_time"])
    return res


def main():
    args = [a for a in sys.argv[1:] if not a.startswith("--")]
    repeat = 5
    if "--repeat" in sys.argv:
        repeat = int(sys.argv[sys.argv.index("--repeat") + 1])
    build = args[0] if args else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "build")
    z = zelnor_times(build)
    im = photo_like()
    p = pillow_times(im, repeat)
    v = vips_times(im, repeat)
    names = list(z) + [n for n in v if n not in z]
    print("milliseconds per operation on a 4000 x 3000 RGB picture, best of several runs;")
    print("wall time / CPU time of all threads (vips: whole command, see the copy row)")
    print("%-28s %15s %15s %15s" % ("operation", "zelnor", "Pillow", "vips"))
    for n in names:
        cell = lambda d: ("%7.1f /%6.1f" % d[n]) if n in d else "%15s" % "-"
        print("%-28s %s %s %s" % (n, cell(z), cell(p), cell(v)))


if __name__ == "__main__":
    main()

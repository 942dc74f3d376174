#!/usr/bin/python3
"""Times thumbnailing one folder of photos with zelnor2 and with other tools.

Generates PHOTOS (default 200) photo-like JPEGs of 4000 x 3000 at quality 90
(cached in <build>/convert-bench/photos<N>, or --photos DIR), then makes
160 x 160 high-quality thumbnails of all of them as JPEG (quality 90) with:

  zelnor2 convert --jobs 2            full-scale decode, as the member decodes
  zelnor2 convert --jobs 2 --draft    libjpeg's reduced decode
  ConvertFile, one call               the member through the Python binding
  vips thumbnail_image                libvips on a full-scale decode (in-process, ctypes)
  vipsthumbnail                       libvips with its shrink-on-load
  vipsthumbnail, 2 processes          the same, one process per core
  mogrify -thumbnail                  ImageMagick, full-scale decode

and prints seconds, milliseconds per photo and each time relative to
'zelnor2 convert --jobs 2'.  Then runs bench_convert on the first photo for
where the time of one conversion goes.  Tools that are not installed are
left out.  Usage: bench/convert_compare.py [build dir] [--photos DIR]
[--count N] [--repeat R].  Needs Debian's python3 with PIL and numpy.
"""
import argparse
import atexit
import ctypes
import ctypes.util
import os
import shutil
import subprocess
import sys
import tempfile
import time

import numpy as np
from PIL import Image

WIDTH, HEIGHT, THUMB, QUALITY = 4000, 3000, 160, 90


def texture(rng, width, height):
    """Light and shade, a ball, fine grain and sensor noise: about as much
    entropy as a camera photo (4 MB at quality 90)."""
    y, x = np.mgrid[0:height, 0:width].astype(np.float32)
    sky = 0.5 + 0.5 * np.sin(x * 6 / width) * np.cos(y * 6 / height)
    ball = np.clip(1 - np.hypot(x - 0.6 * width, y - 0.5 * height) / (0.2 * width), 0, 1)
    grain = 25 * np.sin(x * 0.9 + 3 * np.sin(y * 0.05)) * np.cos(y * 0.7)
    rgb = np.stack([60 + 120 * sky + 70 * ball, 80 + 90 * sky, 150 - 60 * sky], axis=-1) + grain[..., None]
    rgb += rng.integers(-14, 15, rgb.shape, dtype=np.int16)
    return np.clip(rgb, 0, 255).astype(np.uint8)


def make_photos(folder, count):
    os.makedirs(folder, exist_ok=True)
    names = [f"photo{i:04d}.jpg" for i in range(count)]
    if all(os.path.exists(os.path.join(folder, n)) for n in names):
        return names
    print(f"writing {count} photos of {WIDTH} x {HEIGHT} into {folder} ...", flush=True)
    base = texture(np.random.default_rng(7), WIDTH + 400, HEIGHT + 300)
    for i, name in enumerate(names):
        dx, dy = (i * 37) % 400, (i * 23) % 300  # every photo a different crop
        crop = np.ascontiguousarray(base[dy:dy + HEIGHT, dx:dx + WIDTH])
        Image.fromarray(crop, "RGB").save(os.path.join(folder, name), quality=QUALITY)
    return names


def fresh(folder):
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    return folder


def timed(fn, repeat):
    best = None
    for _ in range(repeat):
        start = time.perf_counter()
        fn()
        elapsed = time.perf_counter() - start
        best = elapsed if best is None else min(best, elapsed)
    return best


def command(args):
    def run():
        subprocess.run(args, check=True, stdout=subprocess.DEVNULL)
    return run


def member_call(build, source, out):
    """One ConvertFile call on an object created by name (registered into a
    private registration store)."""
    sys.path.insert(0, os.path.join(build, "python"))
    registry = tempfile.mkdtemp(prefix="zelnor2-bench-registry-")
    atexit.register(shutil.rmtree, registry, ignore_errors=True)
    os.environ["ZELNOR2_REGISTRY"] = os.path.join(registry, "registry")
    import zelnor2
    zelnor2.lowlevel.dll_register_server(os.path.realpath(os.path.join(build, "lib", "Zelnor2.so")))
    canvas = zelnor2.CreateObject("Zelnor2.MyCanvas")
    canvas.JPEGCompressionQuality = QUALITY

    def run():
        assert canvas.ConvertFile(source, fresh(out), "jpg", THUMB, THUMB, 0, 0, True) > 0
    return run


def vips_full_decode(photos, names, out):
    """libvips' thumbnail_image on images loaded at full scale (no
    shrink-on-load), in one process with two threads."""
    try:
        lib = ctypes.CDLL(ctypes.util.find_library("vips") or "libvips.so.42")
        gobject = ctypes.CDLL(ctypes.util.find_library("gobject-2.0") or "libgobject-2.0.so.0")
    except OSError:
        return None
    if lib.vips_init(b"convert_compare") != 0:
        return None
    lib.vips_concurrency_set(2)
    lib.vips_image_new_from_file.restype = ctypes.c_void_p
    sequential = 1

    def run():
        fresh(out)
        for name in names:
            image = lib.vips_image_new_from_file(os.path.join(photos, name).encode(), b"access", sequential, None)
            thumb = ctypes.c_void_p()
            if not image or lib.vips_thumbnail_image(ctypes.c_void_p(image), ctypes.byref(thumb), THUMB,
                                                     b"height", THUMB, None) != 0:
                raise RuntimeError("vips failed on " + name)
            target = os.path.join(out, name).encode() + b"[Q=%d]" % QUALITY
            if lib.vips_image_write_to_file(thumb, target, None) != 0:
                raise RuntimeError("vips could not write " + name)
            gobject.g_object_unref(thumb)
            gobject.g_object_unref(ctypes.c_void_p(image))
    return run


def cases(build, photos, names, work):
    cli = os.path.join(build, "bin", "zelnor2")
    paths = [os.path.join(photos, n) for n in names]
    size = f"{THUMB}x{THUMB}"
    pattern = os.path.join(photos, f"photo{'?' * 4}.jpg")  # the generated photos, whatever else is there
    zelnor = [cli, "convert", pattern, "--size", size, "--hiq", "--type", "jpg", "--jpeg-quality", str(QUALITY),
              "--jobs", "2", "-q", "--to"]
    out = {k: os.path.join(work, k) for k in ("full", "draft", "member", "vipsfull", "vips", "vips2", "magick")}
    yield "zelnor2 convert --jobs 2", lambda: command(zelnor + [fresh(out["full"])])()
    yield "zelnor2 convert --jobs 2 --draft", lambda: command(zelnor + [fresh(out["draft"]), "--draft"])()
    yield "ConvertFile, one call", member_call(build, pattern, out["member"])
    vips = vips_full_decode(photos, names, out["vipsfull"])
    if vips:
        yield "vips thumbnail_image (full decode)", vips
    if shutil.which("vipsthumbnail"):
        target = lambda key: os.path.join(out[key], "%s.jpg") + f"[Q={QUALITY}]"

        def one_process():
            fresh(out["vips"])
            command(["vipsthumbnail", "-s", size, "-o", target("vips")] + paths)()
        yield "vipsthumbnail (shrink-on-load)", one_process
        half = len(paths) // 2

        def two_processes():
            fresh(out["vips2"])
            jobs = [subprocess.Popen(["vipsthumbnail", "-s", size, "-o", target("vips2")] + part)
                    for part in (paths[:half], paths[half:])]
            assert all(j.wait() == 0 for j in jobs)
        yield "vipsthumbnail, 2 processes", two_processes
    if shutil.which("mogrify"):
        yield "mogrify -thumbnail", lambda: command(
            ["mogrify", "-path", fresh(out["magick"]), "-thumbnail", size, "-quality", str(QUALITY),
             "-format", "jpg"] + paths)()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build", nargs="?", default="build")
    parser.add_argument("--photos")
    parser.add_argument("--count", type=int, default=200)
    parser.add_argument("--repeat", type=int, default=1)
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    photos = os.path.abspath(args.photos or os.path.join(build, "convert-bench", f"photos{args.count}"))
    names = make_photos(photos, args.count)
    for name in names:  # into the page cache, so that no tool pays for the disk
        with open(os.path.join(photos, name), "rb") as f:
            f.read()
    work = tempfile.mkdtemp(prefix="zelnor2-convert-bench-")
    rows = []
    try:
        for label, fn in cases(build, photos, names, work):
            rows.append((label, timed(fn, args.repeat)))
            print(f"  {label}: {rows[-1][1]:.2f} s", flush=True)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    reference = rows[0][1]
    print(f"\n{len(names)} photos of {WIDTH} x {HEIGHT} -> {THUMB} x {THUMB} JPEG, best of {args.repeat}")
    print(f"{'tool':40} {'seconds':>8} {'ms/photo':>9} {'vs zelnor2 --jobs 2':>20}")
    for label, seconds in rows:
        print(f"{label:40} {seconds:8.2f} {seconds * 1000 / len(names):9.1f} {seconds / reference:19.2f}x")
    bench = os.path.join(build, "bench", "bench_convert")
    if os.path.exists(bench):
        print(flush=True)
        env = dict(os.environ, ZELNOR_CONVERT_BENCH_PHOTO=os.path.join(photos, names[0]))
        subprocess.run([bench, "--benchmark_repetitions=3", "--benchmark_report_aggregates_only=true"],
                       env=env, check=False)


if __name__ == "__main__":
    main()

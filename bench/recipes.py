#!/usr/bin/python3
"""Times the recipes of examples/ as their users run them; the speed line at
the top of each recipe comes from this.

  chart.py               chart_png: one 640 x 400 chart of 7 bars, as PNG bytes
  thumbnail_service.py   thumbnail: a 1600 x 1200 JPEG upload to its 160 x 160 JPEG
  banner.py              banner: a 728 x 90 PNG, the font size search included
  animated_gif.py        the 12-frame spinner drawn and saved as one GIF
  thumbnails.sh          PHOTOS (default 200) 1600 x 1200 JPEGs to thumbnails, every core

Each in-process figure is the median of REPEAT runs after one warm-up run.
Usage: bench/recipes.py [BUILD_DIR] [--count PHOTOS] [--repeat REPEAT]
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def median_ms(run, repeat):
    run()
    times = []
    for _ in range(repeat):
        start = time.perf_counter()
        run()
        times.append(time.perf_counter() - start)
    return statistics.median(times) * 1000


def photo_jpeg(zelnor2, shade):
    """A 1600 x 1200 photo as JPEG bytes: the example photograph enlarged and tinted."""
    canvas = zelnor2.CreateObject("Zelnor2.MyCanvas")
    canvas.LoadFromFile(os.path.join(ROOT, "examples", "data", "coffee.jpg"))
    canvas.Stretch(1600, 1200, HiQ=True, NotThumbMode=True)
    canvas.Gray(shade % 40, 0, -(shade % 30))
    canvas.JPEGCompressionQuality = 90
    picture = zelnor2.Ref()
    canvas.SaveToStream(picture, "JPEG")
    canvas.release()
    return picture.value


def time_in_process(zelnor2, work, repeat):
    import animated_gif
    import banner
    import chart
    import thumbnail_service

    days = ["Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"]
    values = [120, 340, 95, 410, 385, 220, 60]
    print(f"chart.py              {median_ms(lambda: chart.chart_png('Visitors', days, values), repeat):8.2f} ms")
    upload = photo_jpeg(zelnor2, 0)
    print(f"thumbnail_service.py  {median_ms(lambda: thumbnail_service.thumbnail(upload), repeat):8.2f} ms")
    out = os.path.join(work, "banner.png")
    print(f"banner.py             {median_ms(lambda: banner.banner('Summer sale: 20 % off', out), repeat):8.2f} ms")

    def spin():
        canvas = zelnor2.CreateObject("Zelnor2.MyCanvas")
        canvas.GIFCompressionMode = 1
        animated_gif.spinner(canvas)
        canvas.SaveAniGIFToFile(os.path.join(work, "spinner.gif"), Delay=animated_gif.DELAY_SPIN)
        canvas.release()

    print(f"animated_gif.py       {median_ms(spin, repeat):8.2f} ms")


def time_batch(zelnor2, build, work, count):
    photos, thumbs = os.path.join(work, "photos"), os.path.join(work, "thumbs")
    os.mkdir(photos)
    for i in range(count):
        with open(os.path.join(photos, f"photo{i:04}.jpg"), "wb") as f:
            f.write(photo_jpeg(zelnor2, i))
    env = dict(os.environ, ZELNOR2_BUILD_DIR=build)
    start = time.perf_counter()
    subprocess.run([os.path.join(ROOT, "examples", "thumbnails.sh"), photos, thumbs], env=env, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    seconds = time.perf_counter() - start
    print(f"thumbnails.sh         {seconds:8.2f} s for {count} photos, {seconds / count * 1000:.1f} ms each")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("build", nargs="?", default=os.path.join(ROOT, "build"))
    parser.add_argument("--count", type=int, default=200)
    parser.add_argument("--repeat", type=int, default=30)
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    sys.path.insert(0, os.path.join(build, "python"))
    sys.path.insert(0, os.path.join(ROOT, "examples"))
    os.environ["ZELNOR2_BUILD_DIR"] = build
    work = tempfile.mkdtemp(prefix="zelnor2-recipes-")
    try:
        os.environ["ZELNOR2_REGISTRY"] = os.path.join(work, "registry")
        import zelnor2

        if zelnor2.lowlevel.dll_register_server(os.path.join(build, "lib", "Zelnor2.so")) != zelnor2.S_OK:
            sys.exit("registering the built module failed")
        time_in_process(zelnor2, work, args.repeat)
        time_batch(zelnor2, build, work, args.count)
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    main()

#!/usr/bin/python3
"""Whole-screen capture of a 1920 x 1080 screen: the component against
ImageMagick's `import -window root`, on the same private Xvfb display.

Starts Xvfb (1920x1080x24) with a few coloured windows of the test X client,
runs bench_desktop on it, then times in one table (best of several runs, ms):
CaptureWindow("") through the Python binding, the same followed by SaveToFile
as BMP, `import -window root` into raw RGB (no encoding worth counting) and
into a BMP file, and `import -version` (the tool's start-up alone).
Needs Debian's xvfb and imagemagick (apt-get install xvfb imagemagick); the
build must include the tests (for the X client).
Usage: /usr/bin/python3 bench/desktop_compare.py [build dir]
"""
import os
import shutil
import subprocess
import sys
import tempfile
import timeit

BUILD = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build")
REPEAT = 9
X_CLIENT = os.path.join(BUILD, "tests", "desktop", "zelnor_x_client")


def start_xvfb():
    read_end, write_end = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1920x1080x24",
                               "-nolisten", "tcp", "-noreset"], pass_fds=[write_end], stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as numbers:
        return server, ":" + numbers.readline().strip()


def best_ms(fn):
    return min(timeit.repeat(fn, number=1, repeat=REPEAT)) * 1000


def main():
    if shutil.which("Xvfb") is None:
        sys.exit("Xvfb is missing: apt-get install xvfb")
    server, display = start_xvfb()
    os.environ["DISPLAY"] = display
    clients = [subprocess.Popen([X_CLIENT, "window", "--title", f"w{i}", "--geometry", f"400x300+{i * 300}+{i * 150}",
                                 "--colour", colour], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
               for i, colour in enumerate(["ff0000", "00ff00", "0000ff", "ffff00", "00ffff"])]
    for client in clients:
        client.stdout.readline()
    try:
        subprocess.run([os.path.join(BUILD, "bench", "bench_desktop")], check=True)
        sys.path.insert(0, os.path.join(BUILD, "python"))
        os.environ["ZELNOR2_REGISTRY"] = os.path.join(tempfile.mkdtemp(prefix="zelnor2-bench-"), "registry")
        import zelnor2
        zelnor2.lowlevel.dll_register_server(os.path.realpath(os.path.join(BUILD, "lib", "Zelnor2.so")))
        canvas = zelnor2.CreateObject("Zelnor2.MyCanvas")
        out = tempfile.mkdtemp(prefix="zelnor2-capture-")
        rows = [("CaptureWindow(\"\")", best_ms(lambda: canvas.CaptureWindow(""))),
                ("CaptureWindow + SaveToFile BMP",
                 best_ms(lambda: (canvas.CaptureWindow(""), canvas.SaveToFile(os.path.join(out, "z.bmp")))))]
        if shutil.which("import"):
            rows += [("import -window root rgb:/dev/null",
                      best_ms(lambda: subprocess.run(["import", "-window", "root", "rgb:/dev/null"], check=True))),
                     ("import -window root file.bmp",
                      best_ms(lambda: subprocess.run(["import", "-window", "root", os.path.join(out, "i.bmp")],
                                                     check=True))),
                     ("import -version (start-up only)",
                      best_ms(lambda: subprocess.run(["import", "-version"], check=True, stdout=subprocess.DEVNULL)))]
        else:
            print("ImageMagick is missing (apt-get install imagemagick): no import rows")
        print(f"\n{'1920 x 1080, 24-bit Xvfb':40s} {'best ms':>8s}")
        for label, ms in rows:
            print(f"{label:40s} {ms:8.1f}")
    finally:
        for client in clients:
            client.stdin.close()
            client.wait()
        server.terminate()
        server.wait()


if __name__ == "__main__":
    main()

#!/usr/bin/python3
"""Hello, Zelnor2: the steps of a typical page request, driven by name.

Run from the project root after scripts/quickstart (which builds and
registers the component):  /usr/bin/python3 examples/hello.py [OUTPUT.gif]
or, with the package installed:
  python3 /usr/share/doc/zelnor2/examples/hello.py [OUTPUT.gif]
"""
import os
import sys

# In the source tree, the module of its build tree ($ZELNOR2_BUILD_DIR or
# build/); anywhere else, the installed one.
HERE = os.path.dirname(os.path.abspath(__file__))
BUILT = os.path.join(os.environ.get("ZELNOR2_BUILD_DIR", os.path.join(HERE, "..", "build")), "python")
if os.path.isdir(BUILT):
    sys.path.insert(0, BUILT)

import zelnor2  # noqa: E402


def main():
    output = sys.argv[1] if len(sys.argv) > 1 else "hello.gif"
    canvas = zelnor2.CreateObject("Zelnor2.MyCanvas")
    canvas.NewCanvas(200, 100)
    canvas.PenColor = canvas.RGBToColor(255, 0, 0)
    canvas.Box(10, 10, 190, 90)
    canvas.FontSize = 12
    canvas.StringWrite(20, 40, "Hello, Zelnor2")
    canvas.Stretch(100, 100, HiQ=True)
    picture = zelnor2.Ref()
    result = canvas.SaveToStream(picture, "GIF")
    if result != 0:
        sys.exit(f"SaveToStream failed with result {result}")
    with open(output, "wb") as f:
        f.write(picture.value)
    print(f"{output}: {canvas.Width} x {canvas.Height} GIF, {len(picture.value)} bytes")
    # The same picture straight to a file: the extension picks the type.
    png = os.path.splitext(output)[0] + ".png"
    result = canvas.SaveToFile(os.path.abspath(png))
    if result != 0:
        sys.exit(f"SaveToFile failed with result {result}")
    print(f"{png}: {os.path.getsize(png)} bytes")


if __name__ == "__main__":
    try:
        main()
    except zelnor2.ComError as err:
        sys.exit(f"{err.source}: {err.description}")

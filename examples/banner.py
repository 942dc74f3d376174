#!/usr/bin/python3
"""A banner whose text is measured to fit: the largest font size at which the
text fits the banner with its margins, centred on a two-colour gradient.

  /usr/bin/python3 examples/banner.py "Summer sale: 20 % off" banner.png [WIDTH HEIGHT]

A text too long for the banner even at MIN_SIZE points is shortened at the
end with an ellipsis, so it never runs over the edge.  The output type
follows the file's extension (.png, .jpg, .gif or .bmp).

Speed: 8.3 ms per 728 x 90 PNG banner, the font size search included, on one
core of a 2-core AMD EPYC build machine (measured by bench/recipes.py).
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

MIN_SIZE, MAX_SIZE = 8, 400  # points
FROM, TO = (20, 40, 110), (180, 40, 90)  # gradient colours, left to right


def fits(canvas, text, size, width, height):
    canvas.FontSize = size
    return canvas.StringWidth(text) <= width and canvas.StringHeight(text) <= height


def largest_size(canvas, text, width, height):
    """The largest font size from MIN_SIZE to MAX_SIZE at which text fits, else None."""
    low, high = MIN_SIZE, MAX_SIZE
    if not fits(canvas, text, low, width, height):
        return None
    while low < high:  # fits at low; find the last size that fits
        middle = (low + high + 1) // 2
        if fits(canvas, text, middle, width, height):
            low = middle
        else:
            high = middle - 1
    return low


def shortened(canvas, text, width, height):
    """text cut at the end, with an ellipsis, until it fits at MIN_SIZE."""
    while text and not fits(canvas, text + "…", MIN_SIZE, width, height):
        text = text[:-1]
    return text.rstrip() + "…"


def margin_of(width, height):
    """The space kept free around the text: an eighth of the shorter side, 4 pixels at least."""
    return max(4, min(width, height) // 8)


def draw_gradient(canvas, width, height):
    for x in range(width):
        mix = [round(a + (b - a) * x / max(width - 1, 1)) for a, b in zip(FROM, TO)]
        canvas.PenColor = canvas.RGBToColor(*mix)
        canvas.Line(x, 0, x, height)


def banner(text, output, width=728, height=90):
    """Draws the banner into output (its extension picks the type); returns the text drawn and its size."""
    if not text.strip():
        raise ValueError("the banner needs a text")
    margin = margin_of(width, height)
    canvas = zelnor2.CreateObject("Zelnor2.MyCanvas")
    try:
        if canvas.NewCanvas(width, height) != 0:
            raise ValueError(f"a banner of {width} x {height} pixels cannot be made")
        draw_gradient(canvas, width, height)
        canvas.FontName = "DejaVu Sans"
        canvas.FontBold = True
        inner_width, inner_height = width - 2 * margin, height - 2 * margin
        size = largest_size(canvas, text, inner_width, inner_height)
        if size is None:
            text, size = shortened(canvas, text, inner_width, inner_height), MIN_SIZE
        canvas.FontSize = size
        x = (width - canvas.StringWidth(text)) // 2
        y = (height - canvas.StringHeight(text)) // 2
        canvas.FontColor = canvas.RGBToColor(0, 0, 0)
        canvas.StringWrite(x + 2, y + 2, text)  # a soft shadow first
        canvas.FontColor = canvas.RGBToColor(255, 255, 255)
        canvas.StringWrite(x, y, text)
        result = canvas.SaveToFile(os.path.abspath(output))
        if result != 0:
            raise ValueError(f"SaveToFile returned {result}: use .png, .jpg, .gif or .bmp")
        return text, size
    finally:
        canvas.release()


def main(argv):
    if len(argv) not in (2, 4):
        sys.exit(__doc__)
    width, height = (int(argv[2]), int(argv[3])) if len(argv) == 4 else (728, 90)
    _, size = banner(argv[0], argv[1], width, height)
    print(f"{argv[1]}: {width} x {height}, text at {size} points")


if __name__ == "__main__":
    try:
        main(sys.argv[1:])
    except (ValueError, zelnor2.ComError) as err:
        sys.exit(getattr(err, "description", str(err)))

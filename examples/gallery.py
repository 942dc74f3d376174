#!/usr/bin/python3
"""The gallery: one picture per capability of Zelnor2, each drawn by name
through the Python binding exactly as a script would draw it.

    /usr/bin/python3 examples/gallery.py [FOLDER]

writes into FOLDER (default docs/gallery/):
  pens.png       every figure with every pen style
  brushes.png    filled figures with every brush style, the hatches among them
  text.png       text in Latin and Japanese, sizes, faces and styles
  effects.png    each effect and filter on one photograph
  resize.png     fast against HiQ resizing, thumbnail against exact
  gif.png        GIF colour reduction, run-length and LZW
  copymodes.png  the fifteen copy modes
  animation.gif  an animated GIF drawn canvas by canvas

The component must be registered (scripts/quickstart does it); the binding
is found in $ZELNOR2_BUILD_DIR/python, else build/python.  The photograph is
examples/data/coffee.jpg (see examples/data/README.md).
"""
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(os.environ.get("ZELNOR2_BUILD_DIR", os.path.join(HERE, "..", "build")), "python"))

import zelnor2  # noqa: E402

PHOTO = os.path.join(HERE, "data", "coffee.jpg")
WHITE, BLACK = 0xFFFFFF, 0


def rgb(r, g, b):
    """A colour value, as canvas.RGBToColor(r, g, b) makes it."""
    return r + (g << 8) + (b << 16)


INK = rgb(30, 40, 90)
GREY = rgb(110, 110, 110)


def check(result, what):
    if result != 0:
        raise RuntimeError(f"{what} returned {result}")


def sheet(width, height):
    """A new object whose current canvas is a white width x height picture."""
    canvas = zelnor2.CreateObject("Zelnor2.MyCanvas")
    check(canvas.NewCanvas(width, height), "NewCanvas")
    canvas.FontName = "DejaVu Sans"
    return canvas


def caption(canvas, x, y, text, size=8, color=GREY, centred_in=0):
    canvas.FontSize = size
    canvas.FontColor = color
    if centred_in:
        x += (centred_in - canvas.StringWidth(text)) // 2
    canvas.StringWrite(x, y, text)


def save(canvas, folder, name):
    canvas.PNGCompressionLevel = 9
    path = os.path.join(folder, name)
    check(canvas.SaveToFile(path), f"SaveToFile {name}")
    return path


# ---------------------------------------------------------------- figures

def figure_drawers():
    """(name, draw(canvas, x, y, w, h, fill)) for every figure, in a w x h cell."""
    return [
        ("Line", lambda c, x, y, w, h, f: c.Line(x, y + h, x + w, y)),
        ("Box", lambda c, x, y, w, h, f: c.Box(x, y, x + w, y + h, f)),
        ("Ellipse", lambda c, x, y, w, h, f: c.Ellipse(x, y, x + w, y + h, f)),
        ("Circle", lambda c, x, y, w, h, f: c.Circle(x + w // 2, y + h // 2, h // 2, f)),
        ("Arc", lambda c, x, y, w, h, f: c.Arc(x, y, x + w, y + h, x + w, y + h // 2, x, y + h)),
        ("Arc, Chord", lambda c, x, y, w, h, f: c.Arc(x, y, x + w, y + h, x + w, y + h, x, y, True, f)),
        ("Pie", lambda c, x, y, w, h, f: c.Pie(x, y, x + w, y + h, x + w // 2, y, x + w, y + h // 2, f)),
        ("RoundBox", lambda c, x, y, w, h, f: c.RoundBox(x, y, x + w, y + h, 18, 18, f)),
        ("BezierLine", lambda c, x, y, w, h, f: c.BezierLine(x, y + h, x + w // 3, y - h // 3, x + 2 * w // 3,
                                                              y + h + h // 3, x + w, y)),
    ]


def filled_figure_drawers():
    """The figures that have an inside, and a flood fill of a ring's inside."""
    def flood(c, x, y, w, h, f):
        c.Circle(x + w // 2, y + h // 2, h // 2)  # outlines leave the brush as it was
        c.Circle(x + w // 2, y + h // 2, h // 5)
        c.FloodFill(x + w // 2, y + 3, c.PenColor, True)

    kept = {"Box", "Ellipse", "Circle", "Arc, Chord", "Pie", "RoundBox"}
    return [(n, d) for n, d in figure_drawers() if n in kept] + [("FloodFill", flood)]


def figure_grid(rows, fill, figures, cell=(84, 64), label_width=118):
    """A sheet with one row per (label, set_up) and one column per figure."""
    cw, ch = cell
    canvas = sheet(label_width + cw * len(figures) + 8, 24 + ch * len(rows))
    for i, (name, _) in enumerate(figures):
        caption(canvas, label_width + i * cw, 6, name, centred_in=cw)
    for r, (label, set_up) in enumerate(rows):
        y = 24 + r * ch
        caption(canvas, 8, y + ch // 2 - 8, label, color=INK)
        for i, (_, draw) in enumerate(figures):
            set_up(canvas)
            draw(canvas, label_width + i * cw + 12, y + 8, cw - 24, ch - 20, fill)
            canvas.PenStyle, canvas.PenWidth, canvas.BrushStyle = 0, 1, 0
    return canvas


def pens(folder):
    names = ["psSolid", "psDash", "psDot", "psDashDot", "psDashDotDot", "psClear", "psInsideFrame"]

    def pen(style, width):
        def set_up(c):
            c.PenColor, c.PenStyle, c.PenWidth = INK, style, width
        return set_up

    rows = [(f"{n} ({i})", pen(i, 1)) for i, n in enumerate(names)]
    rows += [("psSolid, width 7", pen(0, 7)), ("psInsideFrame, 7", pen(6, 7))]
    return save(figure_grid(rows, False, figure_drawers()), folder, "pens.png")


def brushes(folder):
    names = ["bsSolid", "bsClear", "bsHorizontal", "bsVertical", "bsFDiagonal", "bsBDiagonal", "bsCross",
             "bsDiagCross"]
    colours = [rgb(250, 190, 60), WHITE, rgb(200, 40, 40), rgb(40, 130, 60), rgb(40, 90, 200),
               rgb(150, 60, 170), rgb(0, 140, 150), rgb(200, 100, 0)]

    def brush(style, colour):
        def set_up(c):
            c.PenColor, c.BrushColor, c.BrushStyle = INK, colour, style
        return set_up

    rows = [(f"{n} ({i})", brush(i, colours[i])) for i, n in enumerate(names)]
    return save(figure_grid(rows, True, filled_figure_drawers()), folder, "brushes.png")


# ---------------------------------------------------------------- text

def write(canvas, x, y, words, face="Liberation Sans", size=14, color=BLACK, **styles):
    """StringWrite in a font; the style flags given are set for this text only."""
    canvas.FontName, canvas.FontSize, canvas.FontColor = face, size, color
    for flag in styles:
        setattr(canvas, flag, True)
    canvas.StringWrite(x, y, words)
    for flag in styles:
        setattr(canvas, flag, False)


def text(folder):
    canvas = sheet(640, 420)
    write(canvas, 16, 12, "The quick brown fox jumps over the lazy dog", "Liberation Serif", 22)
    x = 16
    for size in (8, 10, 12, 16, 20, 28, 36):  # sizes in points, bottoms aligned
        canvas.FontName, canvas.FontSize = "Liberation Sans", size
        width, height = canvas.StringWidth("Ag"), canvas.StringHeight("Ag")
        write(canvas, x, 100 - height, "Ag", size=size, color=INK)
        caption(canvas, x, 102, f"{size} pt")
        x += max(width, 30) + 16
    for row, flag in enumerate(("FontBold", "FontItalic", "FontUnderLine", "FontStrikeOut")):
        write(canvas, 16, 134 + 28 * row, flag, size=16, **{flag: True})
    for row, face in enumerate(("Liberation Serif", "Liberation Mono", "DejaVu Sans", "DejaVu Serif")):
        write(canvas, 200, 136 + 24 * row, face, face)
    write(canvas, 16, 252, "日本語のテキスト：こんにちは、世界", "IPAGothic", 24, rgb(160, 20, 40))
    write(canvas, 16, 296, "太字", "IPAPGothic", 18, INK, FontBold=True)
    write(canvas, 76, 296, "下線", "IPAPGothic", 18, INK, FontUnderLine=True)
    write(canvas, 136, 296, "取り消し線", "IPAPGothic", 18, INK, FontStrikeOut=True)
    canvas.BrushColor = rgb(255, 230, 80)
    canvas.FontName, canvas.FontSize, canvas.FontColor = "Liberation Sans", 14, BLACK
    canvas.StringWrite(16, 340, "BackTrans False fills the character cells with the brush colour", False)
    # A label centred in a box by measuring it.
    canvas.PenColor = canvas.BrushColor = rgb(40, 90, 200)
    canvas.RoundBox(400, 134, 624, 210, 16, 16, True)
    label = "centred by measuring"
    canvas.FontName, canvas.FontSize = "DejaVu Sans", 13
    write(canvas, 512 - canvas.StringWidth(label) // 2, 172 - canvas.StringHeight(label) // 2, label,
          "DejaVu Sans", 13, WHITE)
    caption(canvas, 16, 386, "StringWrite in FontName, FontSize, FontColor and the style flags; "
            "StringWidth and StringHeight measure.", size=8)
    return save(canvas, folder, "text.png")


# ---------------------------------------------------------------- photographs

def photo_tile(width, height):
    """The photograph resized to width x height, as a BMP byte array."""
    canvas = zelnor2.CreateObject("Zelnor2.MyCanvas")
    check(canvas.LoadFromFile(PHOTO), "LoadFromFile")
    check(canvas.Stretch(width, height, True, True), "Stretch")
    tile = zelnor2.Ref()
    check(canvas.GetCanvas(tile, 0, 0, width, height), "GetCanvas")
    return tile.value


def paste(target, picture, x, y, text, width):
    """Puts a BMP byte array on the target sheet with a caption below it."""
    check(target.PutCanvas(picture, x, y, 11), "PutCanvas")
    height = abs(int.from_bytes(picture[22:26], "little", signed=True))  # from the BMP header
    caption(target, x, y + height + 3, text, centred_in=width)


def effects(folder):
    w, h = 120, 80
    base = photo_tile(w, h)
    emboss = (-1, -1, 0, -1, 0, 1, 0, 1, 1, 128, 1)

    def masked(c):
        c.PixelFormat = 2  # the 16 standard colours, so that one colour covers an area
        c.Mask(rgb(128, 0, 0))

    shown = [
        ("original", lambda c: 0),
        ("Gray()", lambda c: c.Gray()),
        ("Gray(40, 20, -20)", lambda c: c.Gray(40, 20, -20)),
        ("Gamma(1)", lambda c: c.Gamma(1)),
        ("Gamma(2)", lambda c: c.Gamma(2)),
        ("Contrast(60)", lambda c: c.Contrast(60)),
        ("Contrast(-60)", lambda c: c.Contrast(-60)),
        ("Reversal()", lambda c: c.Reversal()),
        ("4-bit, Mask(maroon)", masked),
        ("Sharp()", lambda c: c.Sharp()),
        ("Dull()", lambda c: c.Dull()),
        ("CustomFilter emboss", lambda c: c.CustomFilter(*emboss)),
    ]
    columns, gap = 4, 10
    target = sheet(columns * (w + gap) + gap, 3 * (h + 22) + gap)
    work = zelnor2.CreateObject("Zelnor2.MyCanvas")
    for i, (name, apply) in enumerate(shown):
        check(work.LoadFromStream(base, "BMP"), "LoadFromStream")
        apply(work)
        picture = zelnor2.Ref()
        check(work.GetCanvas(picture, 0, 0, w, h), "GetCanvas")
        x, y = gap + (i % columns) * (w + gap), gap + (i // columns) * (h + 22)
        paste(target, picture.value, x, y, name, w)
    return save(target, folder, "effects.png")


def rings(size, step):
    """Concentric one-pixel rings, a pattern that shows aliasing."""
    canvas = sheet(size, size)
    for radius in range(step, size, step):
        canvas.Circle(size // 2, size // 2, radius)
    picture = zelnor2.Ref()
    canvas.GetCanvas(picture, 0, 0, size, size)
    return picture.value


def shot_of(canvas):
    picture = zelnor2.Ref()
    check(canvas.GetCanvas(picture, 0, 0, canvas.Width, canvas.Height), "GetCanvas")
    return picture.value


def resize(folder):
    full = zelnor2.CreateObject("Zelnor2.MyCanvas")
    check(full.LoadFromFile(PHOTO), "LoadFromFile")
    crop = zelnor2.Ref()
    check(full.GetCanvas(crop, 380, 60, 425, 90), "GetCanvas")  # the rim and the spoon, 45 x 30
    pattern = rings(480, 4)
    target = sheet(690, 520)
    work = zelnor2.CreateObject("Zelnor2.MyCanvas")
    paste(target, crop.value, 10, 10, "a 45 x 30 crop,", 150)
    caption(target, 10, 58, "enlarged to 180 x 120:", centred_in=150)
    paste(target, part_of(pattern, 180, 180, 300, 300), 25, 160, "the middle of 480 x 480", 120)
    caption(target, 10, 298, "rings, reduced to 120 x 120:", centred_in=150)
    paste(target, small_photo(), 10, 360, "a 600 x 400 photo", 150)
    caption(target, 10, 477, "in a 120 x 120 box:", centred_in=150)
    for i, hiq in enumerate((False, True)):
        x = 180 + i * 260
        check(work.LoadFromStream(crop.value, "BMP"), "LoadFromStream")
        check(work.Stretch(180, 120, hiq, True), "Stretch")
        paste(target, shot_of(work), x + 30, 10, f"HiQ={hiq}", 180)
        check(work.LoadFromStream(pattern, "BMP"), "LoadFromStream")
        check(work.Stretch(120, 120, hiq, True), "Stretch")
        paste(target, shot_of(work), x + 60, 160, f"HiQ={hiq}", 120)
        check(work.LoadFromFile(PHOTO), "LoadFromFile")
        work.BrushColor = rgb(60, 60, 70)  # the margins of thumbnail mode
        check(work.Stretch(120, 120, True, bool(i)), "Stretch")
        name = "exact, NotThumbMode=True" if i else "thumbnail, the default"
        paste(target, shot_of(work), x + 60, 360, name, 120)
    return save(target, folder, "resize.png")


def small_photo():
    canvas = zelnor2.CreateObject("Zelnor2.MyCanvas")
    check(canvas.LoadFromFile(PHOTO), "LoadFromFile")
    check(canvas.Stretch(150, 100, True, True), "Stretch")
    return shot_of(canvas)


def part_of(bmp, x1, y1, x2, y2):
    canvas = zelnor2.CreateObject("Zelnor2.MyCanvas")
    check(canvas.LoadFromStream(bmp, "BMP"), "LoadFromStream")
    part = zelnor2.Ref()
    check(canvas.GetCanvas(part, x1, y1, x2, y2), "GetCanvas")
    return part.value


def gif(folder):
    w, h = 160, 107
    base = photo_tile(w, h)
    ramp = sheet(w, 60)
    for x in range(w):
        ramp.PenColor = rgb(255 * x // (w - 1), 80, 255 - 255 * x // (w - 1))
        ramp.Line(x, 0, x, 60)
    gradient = zelnor2.Ref()
    ramp.GetCanvas(gradient, 0, 0, w, 60)
    target = sheet(3 * (w + 10) + 10, h + 60 + 70)
    work = zelnor2.CreateObject("Zelnor2.MyCanvas")
    for i, mode in enumerate((None, 0, 1)):
        for picture, y in ((base, 10), (gradient.value, h + 36)):
            check(work.LoadFromStream(picture, "BMP"), "LoadFromStream")
            name = "24-bit original"
            if mode is not None:
                work.GIFCompressionMode = mode
                encoded = zelnor2.Ref()
                check(work.SaveToStream(encoded, "GIF"), "SaveToStream")
                check(work.LoadFromStream(encoded.value, "GIF"), "LoadFromStream")
                kind = "run-length" if mode == 0 else "LZW"
                name = f"GIF {kind}: {len(encoded.value) / 1024:.1f} KB"
            shot = zelnor2.Ref()
            work.GetCanvas(shot, 0, 0, work.Width, work.Height)
            paste(target, shot.value, 10 + i * (w + 10), y, name, w)
    return save(target, folder, "gif.png")


# ---------------------------------------------------------------- copy modes

COPY_MODES = ["BLACKNESS", "DSTINVERT", "MERGECOPY", "MERGEPAINT", "NOTSRCCOPY", "NOTSRCERASE", "PATCOPY",
              "PATINVERT", "PATPAINT", "SRCAND", "SRCCOPY", "SRCERASE", "SRCINVERT", "SRCPAINT", "WHITENESS"]


def destination(canvas, x, y, size):
    """The picture the copy modes compose onto: blue and orange halves with a black band."""
    canvas.PenStyle = 5
    for left, colour in ((0, rgb(60, 170, 220)), (size // 2, rgb(240, 140, 40))):
        canvas.BrushColor = colour
        canvas.Box(x + left, y, x + left + size // 2, y + size, True)
    canvas.BrushColor = BLACK
    canvas.Box(x, y + 40, x + size, y + 56, True)
    canvas.PenStyle = 0


def copymodes(folder):
    size, columns, gap = 96, 6, 12
    source = sheet(size, size)
    source.PenStyle = 5
    source.BrushColor = rgb(120, 40, 160)
    source.Circle(size // 2, size // 2, 34, True)
    source.BrushColor = rgb(250, 210, 40)
    source.Box(0, 0, size // 3, size // 3, True)
    picture = shot_of(source)
    target = sheet(columns * (size + gap) + gap, 3 * (size + 26) + gap + 10)
    for slot in range(17):  # the source, the destination, then modes 1 to 15
        x, y = gap + slot % columns * (size + gap), gap + slot // columns * (size + 26)
        if slot == 0:
            check(target.PutCanvas(picture, x, y, 11), "PutCanvas")
            name = "source"
        else:
            destination(target, x, y, size)
            mode = slot - 1
            name = "destination"
            if mode:
                target.BrushColor = rgb(40, 160, 60)  # the brush pattern: solid green
                check(target.PutCanvas(picture, x, y, mode), "PutCanvas")
                name = f"{mode} {COPY_MODES[mode - 1]}"
        target.PenColor = rgb(200, 200, 200)
        target.Box(x - 1, y - 1, x + size + 1, y + size + 1)  # a frame, so that white shows
        caption(target, x - 6, y + size + 4, name, size=7, centred_in=size + 12)
    caption(target, gap + 5 * (size + gap), gap + 2 * (size + 26) + 20, "brush: solid green", size=7)
    return save(target, folder, "copymodes.png")


# ---------------------------------------------------------------- animation

def animation(folder):
    frames, w, h, floor, radius = 12, 160, 120, 100, 16
    canvas = zelnor2.CreateObject("Zelnor2.MyCanvas")
    check(canvas.NewCanvas(w, h, frames - 1), "NewCanvas")  # canvas 0 and frames - 1 more
    for i in range(frames):
        canvas.CurrentCanvasIndex = i
        canvas.BrushColor = rgb(235, 242, 250)
        check(canvas.NewCanvas(w, h), "NewCanvas")
        t = i / frames
        lift = int(4 * 60 * t * (1 - t))  # one bounce per loop
        squash = 5 if i == 0 else 0
        canvas.PenStyle = 5
        canvas.BrushColor = rgb(190, 200, 215)
        shadow = 22 - lift // 5
        canvas.Ellipse(80 - shadow, floor - 3, 80 + shadow, floor + 4, True)
        canvas.BrushColor = rgb(220, 60, 50)
        canvas.Ellipse(80 - radius - squash, floor - 2 * radius - lift + 2 * squash, 80 + radius + squash,
                       floor - lift, True)
        canvas.PenStyle, canvas.PenColor = 0, rgb(90, 100, 120)
        canvas.Line(10, floor + 6, 150, floor + 6)
        caption(canvas, 10, floor + 8, f"{i + 1} / {frames}", size=7)
    path = os.path.join(folder, "animation.gif")
    canvas.GIFCompressionMode = 1
    check(canvas.SaveAniGIFToFile(path, Delay=70), "SaveAniGIFToFile")
    return path


PICTURES = [pens, brushes, text, effects, resize, gif, copymodes, animation]


def main(argv):
    folder = argv[1] if len(argv) > 1 else os.path.join(HERE, "..", "docs", "gallery")
    os.makedirs(folder, exist_ok=True)
    for make in PICTURES:
        path = make(folder)
        print(f"{os.path.relpath(path)}: {os.path.getsize(path) // 1024} KB")


if __name__ == "__main__":
    try:
        main(sys.argv)
    except zelnor2.ComError as err:
        sys.exit(f"{err.source}: {err.description}")

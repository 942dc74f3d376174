"""Drawing state, shapes and pixels, driven by name through the binding."""
import pytest
import zelnor2

WHITE, BLACK, RED, GREEN, BLUE = 0xFFFFFF, 0x000000, 0x0000FF, 0x00FF00, 0xFF0000


def filled(canvas, width, height, colour):
    """Remakes the current canvas in one colour, then restores a white solid brush."""
    canvas.BrushColor = colour
    canvas.NewCanvas(width, height)
    canvas.BrushColor = WHITE
    return canvas


def row(canvas, y):
    return [canvas.PixelGet(x, y) for x in range(canvas.Width)]


def column(canvas, x):
    return [canvas.PixelGet(x, y) for y in range(canvas.Height)]


def ink(canvas, background=WHITE):
    return {(x, y) for y in range(canvas.Height) for x in range(canvas.Width) if canvas.PixelGet(x, y) != background}


def test_new_canvas_drawing_defaults(canvas):
    state = [canvas.PenColor, canvas.PenStyle, canvas.PenWidth, canvas.BrushColor, canvas.BrushStyle]
    assert state == [0, 0, 1, 16777215, 0]
    assert (canvas.FontColor, canvas.FontSize, canvas.FontName) == (-2147483640, 8, "MS Sans Serif")
    assert (canvas.FontBold, canvas.FontItalic, canvas.FontStrikeOut, canvas.FontUnderLine) == (False,) * 4
    assert canvas.BkMode == 0  # opaque behind the solid brush


def test_brush_colour_and_style_stay_coupled(canvas):
    canvas.BrushColor = RED
    canvas.BrushStyle = 1
    assert (canvas.BrushColor, canvas.BrushStyle) == (WHITE, 1)
    canvas.BrushColor = 255
    assert (canvas.BrushColor, canvas.BrushStyle) == (255, 0)


@pytest.mark.parametrize(
    "name, value, expected",
    [("PenStyle", 7, 0), ("PenStyle", -1, 0), ("PenStyle", 6, 6), ("BrushStyle", 8, 0),
     ("BrushStyle", -2, 0), ("BrushStyle", 7, 7), ("PenWidth", 0, 4), ("PenWidth", -3, 4)],
)
def test_out_of_range_style_and_width_puts_fall_back(canvas, name, value, expected):
    canvas.PenStyle, canvas.BrushStyle, canvas.PenWidth = 3, 4, 4
    setattr(canvas, name, value)
    assert getattr(canvas, name) == expected


@pytest.mark.parametrize(
    "args, expected",
    [((256, 0, 0), 0), ((255, 128, 0), 33023), ((1, 2, 3, 2), 33751553), ((1, 2, 3, 3), 197121),
     ((1, 2, 3, 1), 0x01030201), ((-1, 5, 300), 1280), ((255, 255, 255), WHITE)],
)
def test_rgb_to_color(canvas, args, expected):
    assert canvas.RGBToColor(*args) == expected


def test_font_style_flags_are_process_wide(canvas):
    canvas.NewCanvas(120, 40)
    canvas.NewCanvas(120, 40, 1)
    canvas.FontSize = 20
    canvas.FontBold = True
    canvas.StringWrite(2, 2, "Hello")
    bold = ink(canvas)
    canvas.CurrentCanvasIndex = 1
    assert canvas.FontBold is True  # the flag, not canvas 1's font
    canvas.FontSize = 20
    canvas.StringWrite(2, 2, "Hello")
    assert 0 < len(ink(canvas)) < len(bold)  # canvas 1's font is not bold
    second = zelnor2.CreateObject("Zelnor2.MyCanvas")
    assert canvas.FontBold is False  # a new object resets the flags everywhere
    second.FontItalic = True
    assert canvas.FontItalic is True
    zelnor2.CreateObject("Zelnor2.MyCanvas").release()
    assert (canvas.FontItalic, second.FontItalic) == (False, False)
    second.release()


def test_background_mode_and_colour(canvas):
    canvas.NewCanvas(4, 4)
    canvas.BkMode = 1
    assert canvas.BkMode == 1
    canvas.BkMode = 0  # refused: the mode stays
    assert canvas.BkMode == 1
    canvas.BkMode = 2
    assert canvas.BkMode == 0
    canvas.BkColor = 255
    assert canvas.BkColor == 255
    canvas.BrushColor = 65280  # applied by the next get
    assert canvas.BkColor == 65280


def test_circle_and_line_end_before_their_far_corner(canvas):
    filled(canvas, 100, 100, WHITE).Circle(50, 50, 10)
    drawn = ink(canvas)
    assert {x for x, _ in drawn} == set(range(40, 60)) and {y for _, y in drawn} == set(range(40, 60))
    filled(canvas, 20, 3, WHITE).Line(0, 0, 10, 0)
    assert ink(canvas) == {(x, 0) for x in range(10)}


@pytest.mark.parametrize("fill, inside", [((), WHITE), ((False,), WHITE), ((True,), RED)])
def test_box_fills_only_when_asked_and_keeps_the_brush(canvas, fill, inside):
    filled(canvas, 40, 40, WHITE).BrushColor = RED
    canvas.Box(10, 10, 30, 30, *fill)
    assert canvas.PixelGet(20, 20) == inside
    assert [canvas.PixelGet(x, 20) for x in (9, 10, 29, 30)] == [WHITE, BLACK, BLACK, WHITE]
    assert [canvas.PixelGet(20, y) for y in (9, 10, 29, 30)] == [WHITE, BLACK, BLACK, WHITE]
    assert (canvas.BrushColor, canvas.BrushStyle) == (RED, 0)


def test_cross_hatch_fill_leaves_the_gaps_untouched(canvas):
    filled(canvas, 40, 40, BLUE)
    canvas.BrushColor, canvas.BrushStyle = RED, 6
    canvas.Box(0, 0, 40, 40, True)
    inside = [[canvas.PixelGet(x, y) for x in range(1, 39)] for y in range(1, 39)]
    assert {p for line in inside for p in line} == {RED, BLUE}
    assert any(set(line) == {RED} for line in inside)  # horizontal hatch lines
    assert any({line[x] for line in inside} == {RED} for x in range(38))  # vertical ones
    assert (canvas.BrushColor, canvas.BrushStyle) == (RED, 6)


@pytest.mark.parametrize(
    "setup, gap",
    [
        ({"BrushColor": GREEN}, GREEN),  # solid brush: opaque, its colour
        ({"BrushStyle": 1}, BLUE),  # clear brush: transparent, gaps untouched
        ({"BrushStyle": 1, "BkColor": RED, "BkMode": 2}, RED),
    ],
)
def test_dashed_pen_gaps_follow_the_background(canvas, setup, gap):
    filled(canvas, 60, 3, BLUE)
    for name, value in setup.items():
        setattr(canvas, name, value)
    canvas.PenStyle = 1
    canvas.Line(0, 1, 60, 1)
    assert set(row(canvas, 1)) == {BLACK, gap}
    assert set(row(canvas, 0)) == {BLUE}


@pytest.mark.parametrize("colour", [(), (-1,), (-5,), (0,), (GREEN,)])
def test_pixel_set_uses_the_pen_for_negative_colours(canvas, colour):
    filled(canvas, 4, 4, WHITE).PenColor = RED
    canvas.PixelSet(1, 2, *colour)
    assert canvas.PixelGet(1, 2) == (colour[0] if colour and colour[0] >= 0 else RED)
    assert ink(canvas) == {(1, 2)}


def test_pixel_set_resolves_a_system_pen_colour(canvas):
    filled(canvas, 4, 4, WHITE).PenColor = -2147483640
    canvas.PixelSet(0, 0)
    assert 0 <= canvas.PixelGet(0, 0) <= 0xFFFFFF


@pytest.mark.parametrize("x, y", [(-1, 0), (8, 0), (0, -1), (0, 6), (2**31 - 1, 3)])
def test_pixel_outside_reads_minus_one_and_cannot_be_set(canvas, x, y):
    filled(canvas, 8, 6, WHITE).PixelSet(x, y, RED)
    assert canvas.PixelGet(x, y) == -1
    assert ink(canvas) == set()


@pytest.mark.parametrize(
    "start, c1, border, inside, outside",
    [
        ((15, 15), WHITE, False, RED, WHITE),  # the white region inside the box
        ((5, 5), WHITE, False, WHITE, RED),  # the white region around it
        ((15, 15), WHITE, True, WHITE, WHITE),  # start pixel is the border colour
        ((15, 15), BLACK, True, RED, WHITE),  # bounded by the black outline
        ((15, 15), GREEN, False, WHITE, WHITE),  # start pixel is not C1
    ],
)
def test_flood_fill_modes(canvas, start, c1, border, inside, outside):
    filled(canvas, 30, 30, WHITE).Box(10, 10, 20, 20)
    canvas.BrushColor = RED
    canvas.FloodFill(*start, c1, border)
    assert (canvas.PixelGet(15, 15), canvas.PixelGet(5, 5), canvas.PixelGet(10, 15)) == (inside, outside, BLACK)

"""Stretch: fast and high-quality paths, exact and thumbnail modes."""
import pytest

WHITE, RED, BLUE = 0xFFFFFF, 0x0000FF, 0xFF0000


def grey(level):
    return level * 0x010101


def set_row(canvas, colours, height=1):
    """Remakes the current canvas as `height` copies of one row of colours."""
    assert canvas.NewCanvas(len(colours), height) == 0
    for y in range(height):
        for x, colour in enumerate(colours):
            canvas.PixelSet(x, y, colour)


def pixels(canvas):
    return [[canvas.PixelGet(x, y) for x in range(canvas.Width)] for y in range(canvas.Height)]


def blue_canvas_red_brush(canvas, width, height):
    canvas.BrushColor = BLUE
    canvas.NewCanvas(width, height)
    canvas.BrushColor = RED  # the margin colour
    return canvas


@pytest.mark.parametrize("hiq", [False, True])
def test_thumbnail_of_a_wide_canvas_is_centred_between_margins(canvas, hiq):
    blue_canvas_red_brush(canvas, 200, 100).Stretch(100, 100, hiq)
    assert (canvas.Width, canvas.Height) == (100, 100)
    rows = pixels(canvas)
    assert [y for y, line in enumerate(rows) if set(line) == {BLUE}] == list(range(25, 74))
    assert all(set(line) == {RED} for line in rows[:25] + rows[74:])


@pytest.mark.parametrize("hiq", [False, True])
def test_thumbnail_into_the_same_size_is_one_column_narrower(canvas, hiq):
    blue_canvas_red_brush(canvas, 100, 100).Stretch(100, 100, hiq)
    assert (canvas.Width, canvas.Height) == (100, 100)
    assert {colour for line in pixels(canvas) for colour in line[:99]} == {BLUE}
    assert {line[99] for line in pixels(canvas)} == {RED}


@pytest.mark.parametrize(
    "source, width, expected",
    [
        ([0, 255], 3, [0, 128, 255]),
        ([0, 255], 4, [0, 82, 173, 255]),
        ([0, 255, 0], 5, [0, 143, 255, 143, 0]),
        ([10, 20, 30, 40], 2, [15, 35]),
        ([0, 255, 255], 2, [85, 255]),
        ([255, 255, 255], 1, [255]),
        ([7, 9, 200], 3, [7, 9, 200]),
    ],
)
def test_high_quality_exact_resampling_of_a_row(canvas, source, width, expected):
    set_row(canvas, [grey(v) for v in source])
    assert canvas.Stretch(width, 1, True, True) == 0
    assert pixels(canvas) == [[grey(v) for v in expected]]
    assert canvas.PixelFormat == 6


def test_high_quality_enlarging_keeps_the_outer_columns_and_axes_apart(canvas):
    source = [0x102030, 0xF0E0D0, 0x0080FF, 0x7F7F00]
    set_row(canvas, source, height=3)
    assert canvas.Stretch(11, 3, True, True) == 0
    rows = pixels(canvas)
    assert all((line[0], line[-1]) == (source[0], source[-1]) for line in rows)
    assert rows[0] == rows[1] == rows[2]  # the height was not touched
    assert canvas.Stretch(11, 7, True, True) == 0
    assert pixels(canvas) == [rows[0]] * 7  # uniform columns stay uniform


def test_high_quality_same_size_only_converts_to_24_bits(canvas):
    set_row(canvas, [0x123456, 0xABCDEF, grey(90)], height=2)
    canvas.PixelFormat = 3
    before = pixels(canvas)
    assert canvas.Stretch(3, 2, True, True) == 0
    assert (canvas.PixelFormat, pixels(canvas)) == (6, before)


@pytest.mark.parametrize(
    "hiq, exact, pixel_format", [(False, True, 0), (False, False, 0), (True, False, 0), (True, True, 6)]
)
def test_pixel_format_after_each_path(canvas, hiq, exact, pixel_format):
    canvas.NewCanvas(30, 20)
    assert canvas.Stretch(45, 10, hiq, exact) == 0
    assert (canvas.Width, canvas.Height, canvas.PixelFormat) == (45, 10, pixel_format)


def test_fast_exact_stretch_picks_source_pixels(canvas):
    set_row(canvas, [RED, BLUE], height=2)
    assert canvas.Stretch(6, 4, False, True) == 0
    assert pixels(canvas) == [[RED] * 3 + [BLUE] * 3] * 4


@pytest.mark.parametrize("hiq, exact", [(True, True), (False, False)])
def test_empty_canvas(canvas, hiq, exact):
    canvas.BrushColor = RED
    canvas.NewCanvas(0, 0)
    assert canvas.Stretch(4, 3, hiq, exact) == 0
    if exact:
        assert (canvas.Width, canvas.Height) == (0, 0)
    else:
        assert pixels(canvas) == [[RED] * 4] * 3  # the box in the brush colour


BAD_SIZES = [(0, 10), (10, 0), (-5, 10), (10, -1), (0, 0)]


@pytest.mark.parametrize("hiq", [False, True])
@pytest.mark.parametrize("exact", [False, True])
@pytest.mark.parametrize("size", BAD_SIZES)
def test_sizes_of_zero_or_less_change_nothing(canvas, size, hiq, exact):
    set_row(canvas, [0x123456, 0xABCDEF], height=3)
    before = pixels(canvas)
    canvas.Stretch(*size, hiq, exact)
    assert (canvas.Width, canvas.Height, canvas.PixelFormat, pixels(canvas)) == (2, 3, 6, before)


@pytest.mark.parametrize("size", BAD_SIZES)
def test_sizes_of_zero_or_less_report_minus_one(canvas, size):
    canvas.NewCanvas(2, 3)
    assert canvas.Stretch(*size) == -1

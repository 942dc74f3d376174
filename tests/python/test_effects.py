"""Colour effects and 3 x 3 filters on small canvases set and read pixel by pixel."""
import pytest

WHITE = 0xFFFFFF


def grey(level):
    return level * 0x010101


def set_rows(canvas, rows):
    """Remakes the current canvas from rows of colour values."""
    assert canvas.NewCanvas(len(rows[0]), len(rows)) == 0
    for y, line in enumerate(rows):
        for x, colour in enumerate(line):
            canvas.PixelSet(x, y, colour)


def pixels(canvas):
    return [[canvas.PixelGet(x, y) for x in range(canvas.Width)] for y in range(canvas.Height)]


def levels(canvas, y=0):
    """The red channel of row y (the test rows are grey)."""
    return [canvas.PixelGet(x, y) & 0xFF for x in range(canvas.Width)]


@pytest.mark.parametrize(
    "colour, expected",
    [(WHITE, grey(252)), (0x0000FF, grey(29)), (0xFF0000, grey(74)), (0x00FF00, grey(149)), (grey(128), grey(127))],
)
def test_gray_weights_stored_bytes(canvas, colour, expected):
    set_rows(canvas, [[colour]])
    assert canvas.Gray() == 0
    assert canvas.PixelGet(0, 0) == expected


def test_gray_offsets_tint_each_channel(canvas):
    set_rows(canvas, [[grey(128), 0x123456]])
    assert canvas.Gray(10, 0, -10) == 0
    assert canvas.PixelGet(0, 0) == 137 + 127 * 256 + 117 * 65536
    assert canvas.Gray(255, 255, 255) == 0
    assert pixels(canvas) == [[WHITE, WHITE]]


@pytest.mark.parametrize(
    "mode, inputs, outputs",
    [
        (1, [0, 1, 2, 64, 128, 192, 254, 255], [0, 16, 23, 128, 181, 221, 254, 255]),
        (2, [0, 30, 64, 65, 128, 200, 254, 255], [0, 0, 0, 1, 75, 174, 254, 255]),
        (0, [0, 30, 64, 65, 128, 200, 254, 255], [0, 30, 64, 65, 128, 200, 254, 255]),
    ],
)
def test_gamma_values(canvas, mode, inputs, outputs):
    set_rows(canvas, [[grey(v) for v in inputs]])
    assert canvas.Gamma(mode) == 0
    assert pixels(canvas) == [[grey(v) for v in outputs]]


@pytest.mark.parametrize(
    "amount, inputs, outputs",
    [
        (100, [64, 65, 100, 127, 128, 191, 192], [0, 2, 72, 126, 128, 254, 255]),
        (50, [42, 43, 212, 213], [0, 1, 254, 255]),
        (-50, [0, 255], [64, 191]),
        (-100, [0, 77, 200, 255], [128] * 4),
        (0, [0, 77, 200, 255], [0, 77, 200, 255]),
    ],
)
def test_contrast_values(canvas, amount, inputs, outputs):
    set_rows(canvas, [[grey(v) for v in inputs]])
    assert canvas.Contrast(amount) == 0
    assert pixels(canvas) == [[grey(v) for v in outputs]]


@pytest.mark.parametrize(
    "call",
    [lambda c: c.Gray(256, 0, 0), lambda c: c.Gray(0, 0, -256), lambda c: c.Gamma(3), lambda c: c.Gamma(-1),
     lambda c: c.Contrast(101), lambda c: c.Contrast(-101)],
)
def test_out_of_range_arguments_change_nothing(canvas, call):
    set_rows(canvas, [[0x123456, 0xABCDEF, grey(90)]])
    canvas.PixelFormat = 3
    before = pixels(canvas)
    assert call(canvas) == -1
    assert (canvas.PixelFormat, pixels(canvas)) == (3, before)


@pytest.mark.parametrize(
    "call, result, after",
    [(lambda c: c.Gray(), 3, 6), (lambda c: c.Gamma(1), 3, 6), (lambda c: c.Contrast(10), 3, 6),
     (lambda c: c.Gamma(0), 0, 3), (lambda c: c.Contrast(0), 0, 3)],
)
def test_effects_report_the_former_pixel_format(canvas, call, result, after):
    set_rows(canvas, [[0x123456, grey(200)]])
    canvas.PixelFormat = 3
    assert call(canvas) == result
    assert canvas.PixelFormat == after


def test_reversal_inverts_every_bit_and_twice_restores(canvas):
    original = [[0x123456, 0x000000, WHITE], [0xABCDEF, 0x7F807F, 0x010203]]
    set_rows(canvas, original)
    assert canvas.Reversal() == 0
    assert pixels(canvas) == [[c ^ WHITE for c in line] for line in original]
    assert canvas.Reversal() == 0
    assert pixels(canvas) == original


@pytest.mark.parametrize(
    "colour, reverse, expected",
    [(0x010203, False, [0, 0, 0]), (0x010203, True, [WHITE] * 3), (0x1FFFFFFF, False, [0, 0, 0]),
     (0xABCDEF, False, [0, WHITE, 0]), (0xABCDEF, True, [WHITE, 0, WHITE])],
)
def test_mask_makes_a_two_colour_device_image(canvas, colour, reverse, expected):
    set_rows(canvas, [[0x123456, 0xABCDEF, 0xABCDEE]])
    assert canvas.Mask(colour, reverse) == 0
    assert (pixels(canvas), canvas.PixelFormat) == ([expected], 0)


@pytest.mark.parametrize("name", ["Sharp", "Dull"])
def test_filters_keep_a_flat_image(canvas, name):
    set_rows(canvas, [[0x4080C0] * 4] * 3)
    assert getattr(canvas, name)() == 0
    assert pixels(canvas) == [[0x4080C0] * 4] * 3


def test_sharp_edge_and_single_pixel(canvas):
    set_rows(canvas, [[grey(100)] * 3 + [grey(200)] * 3] * 2)
    assert canvas.Sharp() == 0
    assert levels(canvas, 0) == levels(canvas, 1) == [100, 100, 81, 218, 200, 200]
    set_rows(canvas, [[0] * 3, [0, WHITE, 0], [0] * 3])
    assert canvas.Sharp() == 0
    assert pixels(canvas) == [[0] * 3, [0, WHITE, 0], [0] * 3]


def test_dull_spreads_a_white_pixel_over_its_neighbours(canvas):
    spot = [[WHITE if (x, y) == (2, 2) else 0 for x in range(5)] for y in range(5)]
    set_rows(canvas, spot)
    assert canvas.Dull() == 0
    assert pixels(canvas) == [[grey(28) if 1 <= x <= 3 and 1 <= y <= 3 else 0 for x in range(5)] for y in range(5)]


def test_custom_filter_kernels(canvas):
    image = [[0x123456, 0x030303], [0xABCDEF, 0x102030]]
    set_rows(canvas, image)
    assert canvas.CustomFilter(B4=65537, aDivis=257) == 0  # low 16 / 8 bits: weight 1, divisor 1
    assert pixels(canvas) == image
    assert canvas.CustomFilter(B7=1, aDivis=1) == 0  # up one row, last row repeated
    assert pixels(canvas) == [image[1], image[1]]
    set_rows(canvas, image)
    assert canvas.CustomFilter(B4=-1, aBias=255, aDivis=1) == 0
    assert pixels(canvas) == [[c ^ WHITE for c in line] for line in image]
    set_rows(canvas, [[0x030303]])
    assert canvas.CustomFilter(B4=-1, aBias=255, aDivis=2) == 0  # -3 / 2 truncates to -1
    assert canvas.PixelGet(0, 0) == grey(254)


@pytest.mark.parametrize("args, result", [({}, -2), ({"B4": 1}, -2), ({"aBias": 256}, -1), ({"aBias": -1}, -1)])
def test_custom_filter_refusals_leave_the_image(canvas, args, result):
    set_rows(canvas, [[0x123456, 0xABCDEF]])
    assert canvas.CustomFilter(**args) == result
    assert pixels(canvas) == [[0x123456, 0xABCDEF]]


@pytest.mark.parametrize(
    "call", [lambda c: c.Sharp(), lambda c: c.Dull(), lambda c: c.CustomFilter(), lambda c: c.CustomFilter(B4=1)]
)
def test_filters_on_an_empty_canvas_report_success(canvas, call):
    canvas.NewCanvas(0, 0)
    assert call(canvas) == 0
    assert (canvas.Width, canvas.Height) == (0, 0)


def test_dull_keeps_a_single_pixel(canvas):
    set_rows(canvas, [[0x123456]])
    assert canvas.Dull() == 0
    assert canvas.PixelGet(0, 0) == 0x123456

"""Text output, measuring and the font list."""
import pytest

WHITE, RED, BLUE = 0xFFFFFF, 0x0000FF, 0xFF0000


def filled(canvas, width, height, colour):
    """Remakes the current canvas in one colour with the brush left in that colour."""
    canvas.BrushColor = colour
    canvas.NewCanvas(width, height)
    return canvas


def ink(canvas, background):
    return {(x, y) for y in range(canvas.Height) for x in range(canvas.Width) if canvas.PixelGet(x, y) != background}


def colours_in(canvas, x1, y1, x2, y2):
    return {canvas.PixelGet(x, y) for y in range(y1, y2) for x in range(x1, x2)}


def test_empty_text_measures_and_draws_nothing(canvas):
    filled(canvas, 40, 30, WHITE)
    assert canvas.StringWidth("") == 0
    canvas.StringWrite(5, 5, "", False)
    assert ink(canvas, WHITE) == set()


@pytest.mark.parametrize("font", ["MS Sans Serif", "DejaVu Sans Mono"])
def test_widths_add_up_and_heights_are_the_cell(canvas, font):
    canvas.FontName, canvas.FontSize = font, 12
    width = canvas.StringWidth
    for pair in ("AB", "HI", "lm", "nH"):
        assert width(pair) == width(pair[0]) + width(pair[1]) > 0
    assert width("HHHH") == 4 * width("H")
    height = canvas.StringHeight("a")
    assert height == canvas.StringHeight("Ég") == canvas.StringHeight("Hello, World") > 0
    small = width("H")
    canvas.FontSize = 24
    assert width("H") > small and canvas.StringHeight("a") > height


def test_text_lies_inside_its_cell(canvas):
    filled(canvas, 200, 80, WHITE).FontSize = 16
    text = "Ég Hello"
    canvas.StringWrite(10, 20, text)
    drawn = ink(canvas, WHITE)
    assert drawn
    xs, ys = {x for x, _ in drawn}, {y for _, y in drawn}
    assert min(xs) >= 10 and min(ys) >= 20
    assert max(xs) < 10 + canvas.StringWidth(text) and max(ys) < 20 + canvas.StringHeight(text)


def test_transparent_text_draws_only_glyphs_and_keeps_the_brush(canvas):
    filled(canvas, 120, 40, RED)
    canvas.FontColor = BLUE
    canvas.StringWrite(5, 5, "Hello")
    drawn = ink(canvas, RED)
    assert drawn
    # Glyph pixels blend blue over red: never a green component, never a white cell.
    assert all(canvas.PixelGet(x, y) & 0x00FF00 == 0 for x, y in drawn)
    assert (canvas.BrushColor, canvas.BrushStyle) == (RED, 0)


def test_opaque_text_on_a_clear_brush_fills_cells_white(canvas):
    filled(canvas, 120, 40, BLUE).BrushStyle = 1
    canvas.StringWrite(5, 5, "Hi", False)
    w, h = canvas.StringWidth("Hi"), canvas.StringHeight("Hi")
    assert BLUE not in colours_in(canvas, 5, 5, 5 + w, 5 + h)
    assert WHITE in colours_in(canvas, 5, 5, 5 + w, 5 + h)
    assert colours_in(canvas, 5 + w, 0, 120, 40) == {BLUE}
    assert (canvas.BrushColor, canvas.BrushStyle) == (WHITE, 1)


def test_opaque_text_keeps_a_transparent_mode_put_on_an_unchanged_brush(canvas):
    filled(canvas, 120, 40, BLUE).BrushColor = RED
    canvas.BkMode = 1
    canvas.StringWrite(5, 5, "Hi", False)
    assert RED not in colours_in(canvas, 0, 0, 120, 40)
    assert ink(canvas, BLUE)


def test_japanese_text_draws_its_own_glyphs(canvas):
    filled(canvas, 200, 40, WHITE).FontSize = 16
    canvas.StringWrite(2, 2, "日本語")
    japanese = ink(canvas, WHITE)
    filled(canvas, 200, 40, WHITE).StringWrite(2, 2, "???")
    assert japanese and japanese != ink(canvas, WHITE)


def test_font_list_default_is_sorted_without_case_duplicates(canvas):
    names = canvas.FontList()
    assert isinstance(names, tuple) and names
    assert all(isinstance(name, str) and name for name in names)
    folded = [name.casefold() for name in names]
    assert folded == sorted(folded) and len(set(folded)) == len(folded)
    assert canvas.FontList(True, True, True) == names


def test_font_list_filters(canvas):
    names = canvas.FontList()
    upright = canvas.FontList(VetFontFlag=False)
    assert not any(name.startswith("@") for name in upright)
    assert list(upright) == [name for name in names if not name.startswith("@")]
    unsorted = canvas.FontList(SortFlag=False)
    assert {name.casefold() for name in unsorted} == {name.casefold() for name in names}
    everything = canvas.FontList(TTFOnlyFlag=False)
    assert set(names) <= set(everything)

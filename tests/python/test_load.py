"""Loading, composing and region exchange end to end: pictures written by
Pillow, an independent encoder, go in through the component by name; what
comes back out is read with Pillow."""
import io

import pytest
import zelnor2
from PIL import Image


def encoded(picture, fmt, **options):
    out = io.BytesIO()
    picture.save(out, fmt, **options)
    return out.getvalue()


def photo(width, height):
    return Image.merge("RGB", [Image.linear_gradient("L").resize((width, height)),
                               Image.linear_gradient("L").rotate(90).resize((width, height)),
                               Image.new("L", (width, height), 90)])


def region(canvas, x1, y1, x2, y2):
    ref = zelnor2.Ref()
    assert canvas.GetCanvas(ref, x1, y1, x2, y2) == 0
    return ref.value


def pixel(canvas, x, y):
    c = canvas.PixelGet(x, y)
    return (c & 0xFF, (c >> 8) & 0xFF, c >> 16)


def test_jpeg_from_a_file_is_a_24_bit_canvas(canvas, tmp_path):
    path = tmp_path / "photo.jpg"
    photo(640, 480).save(path, quality=95)
    assert canvas.LoadFromFile(str(path)) == 0
    assert (canvas.Width, canvas.Height, canvas.PixelFormat) == (640, 480, 6)
    expected = Image.open(path).convert("RGB")
    for point in ((0, 0), (320, 240), (639, 479)):
        assert max(abs(a - b) for a, b in zip(pixel(canvas, *point), expected.getpixel(point))) <= 2


def test_full_frame_gif_is_an_8_bit_palette_canvas(canvas):
    picture = photo(64, 32).quantize(100)
    data = encoded(picture, "GIF")
    assert canvas.LoadFromStream(data, "gif") == 0
    assert (canvas.Width, canvas.Height, canvas.PixelFormat) == (64, 32, 3)
    rgb = picture.convert("RGB")
    assert all(pixel(canvas, x, y) == rgb.getpixel((x, y)) for y in range(32) for x in range(64))


def test_png_transparent_colour_survives_a_save(canvas):
    picture = Image.new("RGB", (8, 8), (10, 20, 30))
    picture.putpixel((2, 2), (200, 100, 0))
    assert canvas.LoadFromStream(encoded(picture, "PNG", transparency=(10, 20, 30)), "PNG") == 0
    ref = zelnor2.Ref()
    assert canvas.SaveToStream(ref, "png") == 0
    again = Image.open(io.BytesIO(ref.value))
    assert again.info.get("transparency") == (10, 20, 30)
    assert again.convert("RGB").getpixel((2, 2)) == (200, 100, 0)


def test_stream_result_codes_and_the_failure_report(canvas):
    canvas.NewCanvas(20, 10)
    jpeg = encoded(photo(16, 16), "JPEG")
    assert canvas.LoadFromStream("a string", "png") == -2
    assert canvas.LoadFromStream(jpeg) == 0  # the type word defaults to JPEG
    assert canvas.Width == 16
    before = region(canvas, 0, 0, 16, 16)
    with pytest.raises(zelnor2.ComError) as info:
        canvas.LoadFromStream(jpeg, "png")
    assert info.value.source == "Zelnor2.MyCanvas" and info.value.description
    assert region(canvas, 0, 0, 16, 16) == before
    # A script's variable filled by a save loads back as it is.
    saved = zelnor2.Ref()
    assert canvas.SaveToStream(saved, "png") == 0
    canvas.NewCanvas(1, 1)
    assert canvas.LoadFromStream(saved, "png") == 0
    assert region(canvas, 0, 0, 16, 16) == before


def test_regions_are_bmp_files_that_go_back_exactly(canvas, tmp_path):
    tile = photo(10, 10)
    path = tmp_path / "tile.png"
    tile.save(path)
    canvas.NewCanvas(100, 50)
    assert canvas.LoadFromFile(str(path), True, 95, 45, 11) == 0
    assert (canvas.Width, canvas.Height) == (105, 55)
    bmp = region(canvas, 90, 40, 105, 55)
    out = Image.open(io.BytesIO(bmp))
    assert out.format == "BMP" and out.mode == "RGB" and out.size == (15, 15)
    assert out.getpixel((9, 9)) == tile.getpixel((4, 4))
    canvas.NewCanvas(105, 55)
    assert canvas.PutCanvas(bmp, 90, 40) == 0
    assert region(canvas, 90, 40, 105, 55) == bmp

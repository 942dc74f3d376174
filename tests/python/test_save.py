"""Saving end to end: the pictures the component writes are read back with
Pillow, an independent decoder."""
import io

import pytest
import zelnor2
from PIL import Image

RED, GREEN, BLUE = 0x0000FF, 0x00FF00, 0xFF0000


def save(canvas, file_type, *args):
    ref = zelnor2.Ref()
    assert canvas.SaveToStream(ref, file_type, *args) == 0
    return ref.value


def test_one_pixel_gif_bytes(canvas):
    canvas.NewCanvas(1, 1)
    data = save(canvas, "GIF")
    assert data[:13] == b"GIF87a\x01\x00\x01\x00\xf7\x00\x00"
    # White lands on entry 10 (the first octree colour); clear, 10, end.
    assert data[13 + 768:] == b"\x2c\x00\x00\x00\x00\x01\x00\x01\x00\x00" + b"\x08\x04\x00\x15\x04\x04\x00" + b"\x3b"
    assert Image.open(io.BytesIO(data)).convert("RGB").getpixel((0, 0)) == (255, 255, 255)


@pytest.mark.parametrize("mode", [0, 1])
def test_gif_with_few_colours_keeps_every_pixel(canvas, mode):
    canvas.NewCanvas(120, 40)
    canvas.GIFCompressionMode = mode
    colours = [RED, GREEN, BLUE, 0x123456, 0xFFFFFF]
    expected = {}
    for y in range(40):
        for x in range(120):
            c = colours[(x // (1 + y % 7) + y) % len(colours)]
            canvas.PixelSet(x, y, c)
            expected[(x, y)] = (c & 0xFF, (c >> 8) & 0xFF, c >> 16)
    picture = Image.open(io.BytesIO(save(canvas, "gif"))).convert("RGB")
    assert picture.size == (120, 40)
    assert all(picture.getpixel(p) == rgb for p, rgb in expected.items())


def test_transparent_gif_and_ignored_point_for_png(canvas):
    canvas.NewCanvas(30, 20)
    canvas.PixelSet(5, 5, RED)
    gif = Image.open(io.BytesIO(save(canvas, "GIF", True, 0, 0)))
    assert gif.info["transparency"] == gif.getpixel((0, 0))
    assert gif.getpixel((5, 5)) != gif.info["transparency"]
    png = Image.open(io.BytesIO(save(canvas, "png", True, 0, 0)))
    assert "transparency" not in png.info
    assert png.mode == "RGB" and png.getpixel((5, 5)) == (255, 0, 0)


def test_png_and_jpeg_options(canvas):
    canvas.NewCanvas(64, 32)
    canvas.PixelSet(3, 4, GREEN)
    canvas.PNGCompressionLevel = 0
    stored = save(canvas, "PNG")
    canvas.PNGCompressionLevel = 9
    packed = save(canvas, "PNG")
    assert len(packed) < len(stored)
    assert Image.open(io.BytesIO(packed)).getpixel((3, 4)) == (0, 255, 0)
    canvas.JPEGProgressiveEncoding = True
    jpeg = Image.open(io.BytesIO(save(canvas, "JPG")))
    assert jpeg.info.get("progressive") == 1 and jpeg.size == (64, 32)
    canvas.PixelFormat = 3  # 8-bit palette canvas: palette PNG
    assert Image.open(io.BytesIO(save(canvas, "PNG"))).mode == "P"


def test_animated_gif_frames_timing_and_loop(canvas, tmp_path):
    canvas.NewCanvas(40, 30)
    canvas.NewCanvas(60, 20, 1)
    canvas.CurrentCanvasIndex = 1
    canvas.PixelSet(59, 19, BLUE)
    path = tmp_path / "anim.jpg"
    assert canvas.SaveAniGIFToFile(str(path), 250, 3) == 0
    im = Image.open(path)
    assert im.format == "GIF" and im.size == (60, 30)
    assert im.n_frames == 2
    assert im.info["loop"] == 3 and im.info["duration"] == 250
    im.seek(1)
    assert im.convert("RGB").getpixel((59, 19)) == (0, 0, 255)
    assert canvas.SaveAniGIFToFile(str(path), -1, 0) == -1

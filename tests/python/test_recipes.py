"""The recipes of examples/ do what they say: the chart served as PNG, the
thumbnail web service with its answers to bad uploads, the banner whose text
fits, the animated GIF from frames and the folder of photos to thumbnails."""
import io
import os
import struct
import subprocess
import sys
import wsgiref.util
import zlib

import pytest
import zelnor2
from conftest import BUILD, ROOT

EXAMPLES = os.path.join(ROOT, "examples")
sys.path.insert(0, EXAMPLES)

import animated_gif  # noqa: E402
import banner  # noqa: E402
import chart  # noqa: E402
import thumbnail_service  # noqa: E402


def call(app, path, method="GET", query="", body=b"", content_type=""):
    """Runs a WSGI application on one request: (status, headers, body)."""
    environ = {}
    wsgiref.util.setup_testing_defaults(environ)
    environ.update(PATH_INFO=path, REQUEST_METHOD=method, QUERY_STRING=query, CONTENT_TYPE=content_type,
                   CONTENT_LENGTH=str(len(body)))
    environ["wsgi.input"] = io.BytesIO(body)
    answer = {}
    data = b"".join(app(environ, lambda status, headers: answer.update(status=status, headers=dict(headers))))
    return answer["status"], answer["headers"], data


def encoded(canvas, width, height, word):
    canvas.NewCanvas(width, height)
    canvas.BrushColor = canvas.RGBToColor(200, 30, 30)
    canvas.Ellipse(0, 0, width, height, FillFlag=True)
    picture = zelnor2.Ref()
    assert canvas.SaveToStream(picture, word) == 0
    return picture.value


def multipart(field, filename, data, boundary="zelnor2boundary"):
    head = (f"--{boundary}\r\nContent-Disposition: form-data; name=\"{field}\"; filename=\"{filename}\"\r\n"
            "Content-Type: application/octet-stream\r\n\r\n").encode()
    return head + data + f"\r\n--{boundary}--\r\n".encode(), f"multipart/form-data; boundary={boundary}"


def png_header_only(width, height):
    """A valid PNG whose header announces width x height, with almost no pixel data."""
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(b"\0" * 64)) + \
        chunk(b"IEND", b"")


# The chart


def test_chart_draws_bars_to_scale(canvas):
    png = chart.chart_png("Visitors", ["a", "b", "c"], [100, 300, 0])
    assert canvas.LoadFromStream(png, "PNG") == 0
    assert (canvas.Width, canvas.Height) == (chart.WIDTH, chart.HEIGHT)
    slot = (chart.WIDTH - chart.LEFT - chart.RIGHT) / 3
    base = chart.HEIGHT - chart.BOTTOM
    bar_colour = canvas.RGBToColor(60, 120, 210)

    def bar_height(i):
        x = chart.LEFT + round(slot * (i + 0.5))
        return sum(1 for y in range(chart.TOP - 10, base) if canvas.PixelGet(x, y) == bar_colour)

    low, high, empty = bar_height(0), bar_height(1), bar_height(2)
    assert empty == 0 and low > 20 and abs(high - 3 * low) <= 3  # 300 is three times 100


def test_chart_is_served_as_png_and_bad_queries_get_400():
    status, headers, body = call(chart.application, "/chart.png", query="title=T&labels=x,y&values=3,5")
    assert status == "200 OK" and headers["Content-Type"] == "image/png"
    assert body.startswith(b"\x89PNG\r\n\x1a\n") and headers["Content-Length"] == str(len(body))
    for query, message in (("values=3,five", b"whole numbers"), ("labels=x&values=1,2", b"one label per value"),
                           ("values=", b"give 1 to"), ("values=-4", b"0 or more"),
                           ("values=" + ",".join(["1"] * 51), b"give 1 to 50")):
        status, _, body = call(chart.application, "/chart.png", query=query)
        assert status == "400 Bad Request" and message in body, query
    assert call(chart.application, "/other")[0] == "404 Not Found"


def test_chart_of_zeros_and_of_large_values_stays_on_the_canvas(canvas):
    for values in ([0, 0], [2_000_000_000, 1]):
        png = chart.chart_png("T", ["a", "b"], values)
        assert canvas.LoadFromStream(png, "PNG") == 0 and canvas.Width == chart.WIDTH


# The thumbnail service


@pytest.mark.parametrize("word", ["JPEG", "PNG", "GIF", "BMP"])
def test_thumbnail_of_every_type_as_body_and_as_form(canvas, word):
    upload = encoded(canvas, 640, 320, word)
    for body, content_type in ((upload, "application/octet-stream"), multipart("picture", "a.x", upload)):
        status, headers, jpeg = call(thumbnail_service.application, "/thumbnail", "POST", body=body,
                                     content_type=content_type)
        assert status == "200 OK" and headers["Content-Type"] == "image/jpeg", jpeg[:200]
        assert canvas.LoadFromStream(jpeg, "JPEG") == 0
        assert (canvas.Width, canvas.Height) == (160, 160)
        margin = canvas.PixelGet(80, 5)  # above the fitted 2:1 picture
        assert all((margin >> shift) & 0xFF >= 250 for shift in (0, 8, 16)), hex(margin)


def test_bad_uploads_are_answered_400_with_the_reason(canvas):
    jpeg = encoded(canvas, 400, 300, "JPEG")
    cases = [
        (b"", "", b"no BMP, JPEG, GIF or PNG file"),
        (b"just some text", "text/plain", b"no BMP, JPEG, GIF or PNG file"),
        (jpeg[:len(jpeg) // 3], "", b"Invalid JPEG data"),  # cut short: the decoder's message
        (b"\x89PNG\r\n\x1a\n" + b"\0" * 40, "", b"Invalid PNG data"),
        (png_header_only(60000, 60000), "", b"Bitmap too large"),  # refused before any pixel is kept
        (b"--b\r\nContent-Disposition: form-data; name=\"x\"\r\n\r\nhi\r\n--b--\r\n",
         "multipart/form-data; boundary=b", b"the form holds no file"),
    ]
    for body, content_type, message in cases:
        status, headers, text = call(thumbnail_service.application, "/thumbnail", "POST", body=body,
                                     content_type=content_type)
        assert status == "400 Bad Request" and message in text, (message, text)
        assert headers["Content-Type"].startswith("text/plain")


def test_the_service_refuses_large_uploads_and_other_requests(monkeypatch, canvas):
    monkeypatch.setattr(thumbnail_service, "MAX_UPLOAD", 1000)
    status, _, _ = call(thumbnail_service.application, "/thumbnail", "POST", body=encoded(canvas, 300, 300, "BMP"))
    assert status == "413 Content Too Large"
    status, headers, page = call(thumbnail_service.application, "/")
    assert status == "200 OK" and b"multipart/form-data" in page
    assert call(thumbnail_service.application, "/thumbnail")[0] == "405 Method Not Allowed"
    assert call(thumbnail_service.application, "/nowhere", "POST")[0] == "404 Not Found"


# The banner


def measure(text, size):
    probe = zelnor2.CreateObject("Zelnor2.MyCanvas")
    probe.FontName, probe.FontBold, probe.FontSize = "DejaVu Sans", True, size
    width, height = probe.StringWidth(text), probe.StringHeight(text)
    probe.release()
    return width, height


@pytest.mark.parametrize("text,width,height", [("Summer sale", 728, 90), ("夏のセール", 300, 100),
                                               ("Tall", 120, 400)])
def test_banner_text_is_the_largest_that_fits(tmp_path, canvas, text, width, height):
    output = tmp_path / "banner.png"
    drawn, size = banner.banner(text, str(output), width, height)
    assert drawn == text and banner.MIN_SIZE < size < banner.MAX_SIZE
    margin = banner.margin_of(width, height)
    fitted_width, fitted_height = measure(text, size)
    assert fitted_width <= width - 2 * margin and fitted_height <= height - 2 * margin
    larger_width, larger_height = measure(text, size + 1)
    assert larger_width > width - 2 * margin or larger_height > height - 2 * margin
    assert canvas.LoadFromFile(str(output)) == 0 and (canvas.Width, canvas.Height) == (width, height)


def test_banner_shortens_a_text_too_long_for_it(tmp_path):
    text = "a text far too long for a banner this small " * 4
    drawn, size = banner.banner(text, str(tmp_path / "b.png"), 200, 30)
    assert size == banner.MIN_SIZE and drawn.endswith("…") and text.startswith(drawn[:-1])
    assert measure(drawn, size)[0] <= 200 - 2 * 4


def test_banner_refuses_what_it_cannot_make(tmp_path):
    with pytest.raises(ValueError, match="needs a text"):
        banner.banner("  ", str(tmp_path / "b.png"))
    with pytest.raises(ValueError, match="use .png"):
        banner.banner("Hi", str(tmp_path / "b.tif"))
    assert not (tmp_path / "b.tif").exists()


# The animated GIF


def run_example(*args, cwd):
    return subprocess.run([sys.executable, *args], capture_output=True, text=True, cwd=cwd, timeout=120,
                          env=dict(os.environ, ZELNOR2_BUILD_DIR=BUILD))


def screen_size(gif):
    return struct.unpack("<HH", gif[6:10])


def test_spinner_has_twelve_looping_frames(tmp_path, canvas):
    done = run_example(os.path.join(EXAMPLES, "animated_gif.py"), "spin.gif", cwd=tmp_path)
    assert done.returncode == 0, done.stderr
    gif = (tmp_path / "spin.gif").read_bytes()
    assert gif.count(b"\x21\xf9\x04") == animated_gif.SPOKES and b"NETSCAPE2.0\x03\x01\x00\x00" in gif
    assert screen_size(gif) == (animated_gif.SIZE, animated_gif.SIZE)
    assert canvas.LoadFromFile(str(tmp_path / "spin.gif")) == 0
    assert canvas.PixelGet(animated_gif.SIZE // 2, 20) != canvas.PixelGet(animated_gif.SIZE // 2, 100)


def test_slide_show_fits_every_frame_to_the_first(tmp_path, canvas):
    for name, (width, height) in (("a.png", (300, 200)), ("b.jpg", (90, 400)), ("c.bmp", (300, 200))):
        canvas.NewCanvas(width, height)
        assert canvas.SaveToFile(str(tmp_path / name)) == 0
    done = run_example(os.path.join(EXAMPLES, "animated_gif.py"), "s.gif", "a.png", "b.jpg", "c.bmp", cwd=tmp_path)
    assert done.returncode == 0, done.stderr
    gif = (tmp_path / "s.gif").read_bytes()
    assert gif.count(b"\x21\xf9\x04") == 3 and screen_size(gif) == (300, 200)
    assert struct.unpack("<H", gif[gif.index(b"\x21\xf9\x04") + 4:][:2])[0] == animated_gif.DELAY_SLIDE // 10


def test_slide_show_with_a_damaged_frame_writes_nothing(tmp_path, canvas):
    canvas.NewCanvas(50, 50)
    assert canvas.SaveToFile(str(tmp_path / "a.png")) == 0
    (tmp_path / "b.jpg").write_bytes(b"\xff\xd8\xff\xe0 not really")
    done = run_example(os.path.join(EXAMPLES, "animated_gif.py"), "s.gif", "a.png", "b.jpg", cwd=tmp_path)
    assert done.returncode == 1 and "Invalid JPEG data" in done.stderr
    assert not (tmp_path / "s.gif").exists()
    done = run_example(os.path.join(EXAMPLES, "animated_gif.py"), "s.gif", "a.png", cwd=tmp_path)
    assert done.returncode == 1 and "two pictures or more" in done.stderr


# The folder of photos


def test_folder_to_thumbnails_goes_on_past_a_damaged_photo(tmp_path, canvas):
    photos = tmp_path / "photos"
    photos.mkdir()
    for i, word in enumerate(["JPEG", "PNG", "GIF"]):
        (photos / f"p{i}.{word.lower()}").write_bytes(encoded(canvas, 400 + 100 * i, 300, word))
    (photos / "broken.jpg").write_bytes(b"\xff\xd8\xff\xe0 cut")
    (photos / "notes.txt").write_text("not a photo")
    script = os.path.join(EXAMPLES, "thumbnails.sh")
    done = subprocess.run([script, str(photos), str(tmp_path / "thumbs"), "100"], capture_output=True, text=True,
                          timeout=120, env=dict(os.environ, ZELNOR2_BUILD_DIR=BUILD))
    assert done.returncode == 1 and "broken.jpg" in done.stdout + done.stderr
    assert sorted(os.listdir(tmp_path / "thumbs")) == ["p0.jpg", "p1.jpg", "p2.jpg"]
    for name in os.listdir(tmp_path / "thumbs"):
        assert canvas.LoadFromFile(str(tmp_path / "thumbs" / name)) == 0
        assert (canvas.Width, canvas.Height) == (100, 100)
    assert subprocess.run([script, str(photos)], capture_output=True).returncode == 2

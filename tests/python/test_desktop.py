"""Window capture and wallpaper end to end, against private Xvfb servers.

Real windows with known titles, places and colours come from the test X
client (tests/desktop/x_client.cpp, built beside the tests); it also reads
the screen and the root background back with Xlib's own routines, so the
component is compared against an independent reader.  DISPLAY always names
a private server or nothing, and the XDG folders are temporary ones: the
tests never touch the user's own desktop or files.
"""
import contextlib
import io
import os
import shutil
import subprocess

import pytest
import zelnor2
from PIL import Image

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BUILD = os.path.abspath(os.environ.get("ZELNOR2_BUILD_DIR", os.path.join(ROOT, "build")))
X_CLIENT = os.path.join(BUILD, "tests", "desktop", "zelnor_x_client")
SCREEN = (320, 240)
DESKTOP_COLOUR = (58, 110, 165)
WALLPAPER = "Zelnor2WallPaper.BMP"

needs_xvfb = pytest.mark.skipif(shutil.which("Xvfb") is None,
                                reason="Xvfb is not installed (Debian package xvfb); no X server to test against")
needs_openbox = pytest.mark.skipif(shutil.which("openbox") is None,
                                   reason="openbox is not installed; no window manager to test frames with")


@contextlib.contextmanager
def x_server(screen="320x240x24"):
    """Xvfb on a display number it picks itself (-displayfd)."""
    read_end, write_end = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", screen,
                               "-nolisten", "tcp", "-noreset"],
                              pass_fds=[write_end], stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as numbers:
        number = numbers.readline().strip()
    try:
        assert number, "Xvfb did not start"
        yield ":" + number
    finally:
        server.terminate()
        server.wait(10)


@pytest.fixture(autouse=True)
def private_desktop(tmp_path, monkeypatch):
    """No display unless a test starts one, and temporary XDG folders."""
    monkeypatch.delenv("DISPLAY", raising=False)
    monkeypatch.setenv("XDG_DATA_HOME", str(tmp_path / "data"))
    monkeypatch.setenv("XDG_CONFIG_HOME", str(tmp_path / "config"))
    return tmp_path


@pytest.fixture
def display(monkeypatch):
    with x_server() as name:
        monkeypatch.setenv("DISPLAY", name)
        yield name


class Window:
    """A window of the test client; 'ready' gives its client area in root
    coordinates and the frame extents the window manager announced."""

    def __init__(self, title, geometry, colour, *options):
        self.process = subprocess.Popen(
            [X_CLIENT, "window", "--title", title, "--geometry", geometry, "--colour", colour, *options],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        words = self.process.stdout.readline().split()
        assert words and words[0] == "ready", f"test window {title!r} did not appear"
        self.id = int(words[1], 16)
        self.x, self.y, self.width, self.height, self.left, self.right, self.top, self.bottom = map(int, words[2:])

    def close(self):
        self.process.stdin.close()
        self.process.wait(10)


@pytest.fixture
def windows():
    opened = []

    def open_window(*args):
        opened.append(Window(*args))
        return opened[-1]
    yield open_window
    for window in opened:
        window.close()


def picture(canvas):
    ref = zelnor2.Ref()
    assert canvas.GetCanvas(ref, 0, 0, canvas.Width, canvas.Height) == 0
    return Image.open(io.BytesIO(ref.value)).convert("RGB")


def screen_dump(tmp_path, what="dump-root"):
    path = tmp_path / f"{what}.ppm"
    done = subprocess.run([X_CLIENT, what, str(path)], capture_output=True, text=True, timeout=60)
    assert done.returncode == 0, done.stderr
    return Image.open(path).convert("RGB"), done.stdout.split()


def solid(image, box, colour):
    """True when every pixel of the box (left, top, right, bottom) has the colour."""
    return set(image.crop(box).getdata()) == {colour}


def centred_wallpaper(source):
    expected = Image.new("RGB", SCREEN, DESKTOP_COLOUR)
    expected.paste(source, (int((SCREEN[0] - source.width) / 2), int((SCREEN[1] - source.height) / 2)))
    return expected


def pattern(canvas, width, height):
    canvas.NewCanvas(width, height)
    for i, colour in enumerate([(255, 0, 0), (0, 160, 0), (10, 20, 250), (250, 250, 0)]):
        canvas.BrushColor = canvas.RGBToColor(*colour)
        canvas.PenColor = canvas.RGBToColor(*colour)
        canvas.Box(i * width // 4, 0, (i + 1) * width // 4, height, True)
    canvas.PixelSet(1, 1, canvas.RGBToColor(1, 2, 3))
    return picture(canvas)


# Capture ------------------------------------------------------------------

@needs_xvfb
def test_the_empty_name_captures_the_whole_screen(canvas, display, windows, tmp_path):
    windows("Left", "60x40+10+10", "ff0000")
    windows("Right", "50x70+200+100", "00ff80")
    assert canvas.CaptureWindow("") == 0
    assert (canvas.Width, canvas.Height, canvas.PixelFormat) == (*SCREEN, 0)
    screen, _ = screen_dump(tmp_path)
    assert picture(canvas).tobytes() == screen.tobytes()  # root pattern and windows, pixel for pixel


@needs_xvfb
def test_a_window_is_found_by_its_title_in_any_case(canvas, display, windows):
    windows("Zelnor Red", "60x40+30+20", "ff0000")
    windows("窓テスト", "30x20+150+150", "0000ff")
    windows("Café", "20x10+250+10", "00ff00", "--wm-name-only")  # WM_NAME in Latin-1 only
    assert canvas.CaptureWindow("zelnor RED") == 0
    assert (canvas.Width, canvas.Height) == (60, 40)
    assert solid(picture(canvas), (0, 0, 60, 40), (255, 0, 0))
    assert canvas.CaptureWindow("窓テスト") == 0
    assert solid(picture(canvas), (0, 0, 30, 20), (0, 0, 255))
    assert canvas.CaptureWindow("CAFÉ") == 0
    assert solid(picture(canvas), (0, 0, 20, 10), (0, 255, 0))


@needs_xvfb
def test_the_active_window_by_the_lower_case_name(canvas, display, windows):
    assert canvas.CaptureWindow("@ACTIVE") == -1  # nothing holds the focus yet
    windows("Focused", "40x30+100+50", "0000ff", "--focus")
    windows("Other", "40x30+200+50", "ff0000")
    assert canvas.CaptureWindow("@active") == 0
    assert (canvas.Width, canvas.Height) == (40, 30)
    assert solid(picture(canvas), (0, 0, 40, 30), (0, 0, 255))
    assert canvas.CaptureWindow("@Active ") == -1  # not the special name: a title nobody bears


@needs_xvfb
def test_a_covering_window_shows_in_the_covered_part(canvas, display, windows):
    windows("Covered", "100x80+10+10", "0000ff")
    windows("Cover", "40x40+50+50", "00ff00")  # shown later, so on top
    assert canvas.CaptureWindow("Covered") == 0
    image = picture(canvas)
    assert (image.width, image.height) == (100, 80)
    assert solid(image, (40, 40, 80, 80), (0, 255, 0))
    assert solid(image, (0, 0, 100, 40), (0, 0, 255))
    assert solid(image, (80, 40, 100, 80), (0, 0, 255))


@needs_xvfb
def test_a_title_no_window_bears_changes_nothing(canvas, display, windows):
    windows("Somebody", "20x20+0+0", "ff0000")
    before = pattern(canvas, 30, 20)
    assert canvas.CaptureWindow("Nobody") == -1
    assert (canvas.Width, canvas.Height) == (30, 20)
    assert picture(canvas).tobytes() == before.tobytes()


@needs_xvfb
def test_compose_at_the_right_edge_widens_the_canvas(canvas, display, windows):
    windows("Red", "60x40+5+5", "ff0000")
    canvas.NewCanvas(50, 30)
    assert canvas.CaptureWindow("Red", True, 50, 0) == 0
    assert (canvas.Width, canvas.Height) == (110, 40)
    image = picture(canvas)
    assert solid(image, (0, 0, 50, 30), (255, 255, 255))
    assert solid(image, (50, 0, 110, 40), (255, 0, 0))


@needs_xvfb
def test_compose_goes_through_the_copy_mode(canvas, display, windows):
    windows("Red", "20x10+5+5", "ff0000")
    canvas.NewCanvas(20, 10)
    assert canvas.CaptureWindow("Red", True, 0, 0, 2) == 0  # destination invert: the capture is not drawn
    assert solid(picture(canvas), (0, 0, 20, 10), (0, 0, 0))
    assert canvas.CaptureWindow("Red", True, 0, 0, 14) == 0  # source paint: source OR destination
    assert solid(picture(canvas), (0, 0, 20, 10), (255, 0, 0))


@needs_xvfb
def test_a_minimised_window_is_restored_before_the_capture(canvas, display, windows):
    windows("Sleeper", "30x30+100+100", "ff00ff", "--iconic")
    assert canvas.CaptureWindow("sleeper") == 0
    assert solid(picture(canvas), (0, 0, 30, 30), (255, 0, 255))


@needs_xvfb
def test_a_window_that_vanishes_while_restored_is_refused(canvas, display, windows):
    # The client destroys its minimised window as soon as someone maps it:
    # the window was found, but the display refuses every request about it.
    windows("Ghost", "30x30+10+10", "ff0000", "--iconic", "--vanish-on-restore")
    before = pattern(canvas, 12, 8)
    assert canvas.CaptureWindow("Ghost") == -2
    assert picture(canvas).tobytes() == before.tobytes()
    assert canvas.CaptureWindow("Ghost") == -1  # gone now


# Without a display ---------------------------------------------------------

def test_without_a_display_no_window_is_found(canvas):
    before = pattern(canvas, 16, 8)
    for name in ("", "@ACTIVE", "@active", "Some title"):
        assert canvas.CaptureWindow(name) == -1
        assert canvas.CaptureWindow(name, True, 16, 0) == -1
    assert (canvas.Width, canvas.Height) == (16, 8)
    assert picture(canvas).tobytes() == before.tobytes()


def test_a_display_that_cannot_be_reached_finds_no_window(canvas, monkeypatch):
    monkeypatch.setenv("DISPLAY", ":65000")  # no server listens there
    assert canvas.CaptureWindow("") == -1
    canvas.NewCanvas(4, 4)
    assert canvas.SetWallPaper() == -1


def test_without_a_display_the_wallpaper_file_is_written_and_refused(canvas, private_desktop):
    source = pattern(canvas, 100, 50)
    assert canvas.SetWallPaper() == -1
    written = Image.open(private_desktop / "data" / "zelnor2" / WALLPAPER)
    assert (written.format, written.size) == ("BMP", (100, 50))
    assert written.convert("RGB").tobytes() == source.tobytes()
    assert not (private_desktop / "config" / "zelnor2").exists()


def test_wallpaper_checks_come_in_order(canvas, private_desktop):
    folder = private_desktop / "data" / "zelnor2"
    assert canvas.SetWallPaper() == -4  # the first canvas is empty
    assert canvas.SetWallPaper(str(private_desktop / "missing.txt")) == -3
    assert canvas.SetWallPaper(str(private_desktop / "missing.png")) == -2
    (private_desktop / "folder.png").mkdir()
    assert canvas.SetWallPaper(str(private_desktop / "folder.png")) == -2
    assert not folder.exists()  # nothing written for any of them
    (private_desktop / "damaged.png").write_bytes(b"\x89PNG\r\n\x1a\n not really")
    with pytest.raises(zelnor2.ComError) as failure:
        canvas.SetWallPaper(str(private_desktop / "damaged.png"))
    assert failure.value.source == "Zelnor2.MyCanvas"
    assert not (folder / WALLPAPER).exists()


def test_a_gif_becomes_a_palette_bmp_and_the_canvas_stays(canvas, private_desktop):
    gif = private_desktop / "frames.gif"
    first = Image.linear_gradient("L").resize((40, 30)).convert("RGB").quantize(16)
    second = Image.new("P", (40, 30), 3)
    first.save(gif, save_all=True, append_images=[second])
    before = pattern(canvas, 10, 10)
    assert canvas.SetWallPaper(str(gif), False) == -1
    written = Image.open(private_desktop / "data" / "zelnor2" / WALLPAPER)
    assert (written.size, written.mode) == ((40, 30), "P")
    assert written.convert("RGB").tobytes() == first.convert("RGB").tobytes()
    assert picture(canvas).tobytes() == before.tobytes()


def test_an_unwritable_wallpaper_folder_is_a_failure_report(canvas, private_desktop):
    (private_desktop / "data").write_text("a file where the folder should be")
    canvas.NewCanvas(4, 4)
    with pytest.raises(zelnor2.ComError) as failure:
        canvas.SetWallPaper()
    assert "data" in failure.value.description


# Wallpaper with a display ------------------------------------------------------

@needs_xvfb
def test_the_wallpaper_is_the_root_background_pixel_for_pixel(canvas, display, private_desktop):
    source = pattern(canvas, 100, 50)
    assert canvas.SetWallPaper() == 0
    path = private_desktop / "data" / "zelnor2" / WALLPAPER
    assert Image.open(path).size == (100, 50)
    expected = centred_wallpaper(source)
    pixmap, ids = screen_dump(private_desktop, "dump-root-pixmap")
    assert ids[0] == ids[1] != "0x0"  # _XROOTPMAP_ID and ESETROOT_PMAP_ID
    assert pixmap.tobytes() == expected.tobytes()
    shown, _ = screen_dump(private_desktop)
    assert shown.tobytes() == expected.tobytes()
    record = (private_desktop / "config" / "zelnor2" / "wallpaper.ini").read_text()
    assert f"File={path}\n" in record and "Placement=centred\n" in record


@needs_xvfb
def test_a_picture_larger_than_the_screen_is_centred_and_cut(canvas, display, private_desktop):
    source = pattern(canvas, 401, 301)
    assert canvas.SetWallPaper() == 0
    pixmap, _ = screen_dump(private_desktop, "dump-root-pixmap")
    assert pixmap.tobytes() == centred_wallpaper(source).tobytes()


@needs_xvfb
def test_save_regs_false_sets_the_wallpaper_without_a_record(canvas, display, private_desktop):
    source = pattern(canvas, 30, 30)
    assert canvas.SetWallPaper("", False) == 0
    pixmap, _ = screen_dump(private_desktop, "dump-root-pixmap")
    assert pixmap.tobytes() == centred_wallpaper(source).tobytes()
    assert not (private_desktop / "config" / "zelnor2" / "wallpaper.ini").exists()


@needs_xvfb
def test_a_wallpaper_file_in_another_format_is_shown(canvas, display, private_desktop):
    png = private_desktop / "photo.png"
    source = Image.radial_gradient("L").resize((64, 48)).convert("RGB")
    source.save(png)
    canvas.NewCanvas(5, 5)
    assert canvas.SetWallPaper(str(png)) == 0
    pixmap, _ = screen_dump(private_desktop, "dump-root-pixmap")
    assert pixmap.tobytes() == centred_wallpaper(source).tobytes()
    assert (canvas.Width, canvas.Height) == (5, 5)


# With a window manager -----------------------------------------------------------

@pytest.fixture
def managed_display(display):
    manager = subprocess.Popen(["openbox", "--sm-disable"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        assert subprocess.run([X_CLIENT, "wait-wm"], timeout=30).returncode == 0, "openbox did not start"
        yield display
    finally:
        manager.terminate()
        manager.wait(10)


@needs_xvfb
@needs_openbox
def test_the_frame_belongs_to_the_window_and_the_newest_is_active(canvas, managed_display, windows):
    first = windows("Framed", "80x60+40+40", "ff0000")
    assert first.top > 0  # the window manager added a title bar
    assert canvas.CaptureWindow("framed") == 0
    assert (canvas.Width, canvas.Height) == (80 + first.left + first.right, 60 + first.top + first.bottom)
    assert solid(picture(canvas), (first.left, first.top, first.left + 80, first.top + 60), (255, 0, 0))
    second = windows("Newest", "50x40+150+120", "00ff00", "--wait-active")
    assert canvas.CaptureWindow("@ACTIVE") == 0  # openbox activates a new window
    assert (canvas.Width, canvas.Height) == (50 + second.left + second.right, 40 + second.top + second.bottom)
    assert solid(picture(canvas), (second.left, second.top, second.left + 50, second.top + 40), (0, 255, 0))


@needs_xvfb
@needs_openbox
def test_a_window_minimised_by_the_window_manager_is_restored(canvas, managed_display, windows):
    sleeper = windows("Managed sleeper", "40x30+60+60", "0000ff", "--iconic")
    assert canvas.CaptureWindow("Managed sleeper") == 0
    assert (canvas.Width, canvas.Height) == (40 + sleeper.left + sleeper.right, 30 + sleeper.top + sleeper.bottom)
    assert solid(picture(canvas), (sleeper.left, sleeper.top, sleeper.left + 40, sleeper.top + 30), (0, 0, 255))


def test_the_component_does_not_link_the_x_library(module_path):
    readelf = shutil.which("readelf")
    if readelf is None:
        pytest.skip("readelf (binutils) is not installed")
    needed = subprocess.run([readelf, "-d", module_path], capture_output=True, text=True, check=True).stdout
    assert "NEEDED" in needed
    assert "libX11" not in needed and "libxcb" not in needed

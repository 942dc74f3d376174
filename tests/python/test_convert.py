"""ConvertFile end to end, called by name as a script calls it: which files a
folder, a file or a pattern selects, the result codes in their order, the
steps applied to each picture, failures, and a folder of thousands of files.
Pictures are written and read back with Pillow, an independent codec."""
import os
import subprocess
import sys
import textwrap

import pytest
import zelnor2
from PIL import Image


def gradient(width, height):
    return Image.merge("RGB", [Image.linear_gradient("L").resize((width, height)),
                               Image.linear_gradient("L").rotate(90).resize((width, height)),
                               Image.new("L", (width, height), 90)])


@pytest.fixture
def folders(tmp_path, monkeypatch):
    """src/ and out/ folders; the current folder is an empty cwd/."""
    for name in ("src", "out", "cwd"):
        (tmp_path / name).mkdir()
    monkeypatch.chdir(tmp_path / "cwd")
    return tmp_path


def names(folder):
    return sorted(os.listdir(folder))


def test_a_folder_with_the_defaults_goes_to_the_current_folder_as_jpeg(canvas, folders):
    gradient(64, 48).save(folders / "src" / "a.bmp")
    gradient(30, 20).save(folders / "src" / "b.png")
    (folders / "src" / "notes.txt").write_text("not a picture")
    assert canvas.ConvertFile(str(folders / "src")) == 2
    assert names(folders / "cwd") == ["a.JPG", "b.JPG"]
    with Image.open(folders / "cwd" / "a.JPG") as a:
        assert (a.format, a.size) == ("JPEG", (64, 48))
        expected = gradient(64, 48)
        assert max(abs(p - q) for p, q in zip(a.convert("RGB").getpixel((40, 30)), expected.getpixel((40, 30)))) <= 3


def test_result_codes_come_in_their_order(canvas, folders):
    src = folders / "src"
    gradient(8, 8).save(src / "a.gif")
    assert canvas.ConvertFile(str(folders / "missing") + "/") == -5
    assert canvas.ConvertFile(str(folders / "missing") + "\\") == -5
    assert canvas.ConvertFile(str(folders / "missing")) == -2
    assert canvas.ConvertFile(str(src / "*.png")) == -2
    assert canvas.ConvertFile("") == -2
    assert canvas.ConvertFile(str(folders / "missing") + "/", str(folders / "nowhere") + "/") == -5
    assert canvas.ConvertFile(str(src / "*.png"), str(folders / "nowhere") + "/") == -2
    assert canvas.ConvertFile(str(src), str(folders / "nowhere") + "/") == -6
    assert canvas.ConvertFile(str(src), str(folders / "nowhere" / "x.png")) == -6
    assert canvas.ConvertFile(str(src / "*.gif"), str(folders / "out" / "out.png")) == -7
    assert canvas.ConvertFile(str(src), str(folders / "out" / "out.png")) == -7
    assert names(folders / "out") == [] and names(folders / "cwd") == []


def test_one_file_to_a_named_target_takes_the_names_type(canvas, folders):
    gradient(20, 10).save(folders / "src" / "a.bmp")
    target = folders / "out" / "out.png"
    assert canvas.ConvertFile(str(folders / "src" / "a.bmp"), str(target), "GIF") == 1
    with Image.open(target) as out:
        assert (out.format, out.size) == ("PNG", (20, 10))
    assert canvas.ConvertFile(str(folders / "src" / "a.bmp"), str(folders / "out"), "gif") == 1
    assert Image.open(folders / "out" / "a.gif").format == "GIF"
    assert canvas.ConvertFile(str(folders / "src" / "a.bmp"), str(folders / "out" / "x.tif")) == 0


def test_options_below_one_change_nothing_and_an_unknown_type_writes_nothing(canvas, folders):
    gradient(40, 30).save(folders / "src" / "a.bmp")
    out = str(folders / "out")
    assert canvas.ConvertFile(str(folders / "src"), out, "bmp", ReWidth=100, ContrastFlag=-20, GammaFlag=-2) == 1
    with Image.open(folders / "out" / "a.bmp") as a:
        assert a.size == (40, 30)
        assert list(a.convert("RGB").getdata()) == list(gradient(40, 30).getdata())
    assert canvas.ConvertFile(str(folders / "src"), out, "tif") == 0
    assert names(folders / "out") == ["a.bmp"]


def test_thumbnails_have_white_margins(canvas, folders):
    Image.new("RGB", (200, 100), (0, 0, 255)).save(folders / "src" / "wide.png")
    assert canvas.ConvertFile(str(folders / "src"), str(folders / "out"), "png", 100, 100) == 1
    with Image.open(folders / "out" / "wide.png") as thumb:
        assert thumb.size == (100, 100)
        column = [thumb.getpixel((50, y)) for y in range(100)]
    assert column[:25] == [(255, 255, 255)] * 25 and column[74:] == [(255, 255, 255)] * 26
    assert column[25:74] == [(0, 0, 255)] * 49


def test_named_arguments_and_an_omitted_target(canvas, folders):
    gradient(50, 50).save(folders / "src" / "a.png")
    assert canvas.ConvertFile(str(folders / "src" / "a.png"), FileType="bmp", ReHeight=10, ReWidth=20,
                              NotThumbMode=True, HiQ=True, SharpFlag=True, DullFlag=True) == 1
    with Image.open(folders / "cwd" / "a.bmp") as a:
        assert a.size == (20, 10)


def test_the_canvas_list_is_never_touched(canvas, folders):
    gradient(30, 30).save(folders / "src" / "a.png")
    canvas.NewCanvas(17, 9)
    canvas.PixelSet(3, 3, 0x123456)
    assert canvas.ConvertFile(str(folders / "src"), str(folders / "out"), "png", 10, 10, 1, 50) == 1
    assert (canvas.Width, canvas.Height, canvas.UBound, canvas.PixelGet(3, 3)) == (17, 9, 0, 0x123456)


def test_codec_settings_reach_every_file(canvas, folders):
    gradient(200, 200).save(folders / "src" / "a.png")
    canvas.JPEGCompressionQuality = 100
    assert canvas.ConvertFile(str(folders / "src" / "a.png"), str(folders / "out" / "fine.jpg")) == 1
    canvas.JPEGCompressionQuality = 5
    canvas.JPEGProgressiveEncoding = True
    assert canvas.ConvertFile(str(folders / "src" / "a.png"), str(folders / "out" / "coarse.jpg")) == 1
    fine, coarse = (folders / "out" / n for n in ("fine.jpg", "coarse.jpg"))
    assert coarse.stat().st_size * 3 < fine.stat().st_size
    assert Image.open(coarse).info.get("progressive") == 1


def test_a_damaged_file_is_the_standard_failure_and_earlier_files_stay(canvas, folders):
    gradient(10, 10).save(folders / "src" / "a.png")
    (folders / "src" / "b.jpg").write_bytes(b"\xff\xd8\xff\xe0 not really a jpeg")
    gradient(10, 10).save(folders / "src" / "c.png")
    with pytest.raises(zelnor2.ComError) as info:
        canvas.ConvertFile(str(folders / "src"), str(folders / "out"), "png")
    assert info.value.hresult == zelnor2.E_UNEXPECTED
    assert info.value.source == "Zelnor2.MyCanvas"
    assert "Invalid JPEG data" in info.value.description
    assert names(folders / "out") == ["a.png"]
    assert canvas.ConvertFile(str(folders / "src" / "c.png"), str(folders / "out")) == 1  # still usable


def test_a_file_converted_onto_itself_is_replaced(canvas, folders):
    source = folders / "src" / "a.png"
    gradient(60, 40).save(source)
    assert canvas.ConvertFile(str(source), str(folders / "src"), "png", 30, 20, HiQ=True, NotThumbMode=True) == 1
    assert Image.open(source).size == (30, 20)
    assert names(folders / "src") == ["a.png"]


def test_a_write_that_fails_keeps_the_source_it_was_to_replace(folders):
    source = folders / "src" / "a.bmp"
    gradient(300, 200).save(source)
    before = source.read_bytes()
    script = textwrap.dedent(f"""
        import resource, signal, sys
        sys.path.insert(0, {os.path.dirname(zelnor2.__file__)!r})
        import zelnor2
        canvas = zelnor2.CreateObject("Zelnor2.MyCanvas")
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
        resource.setrlimit(resource.RLIMIT_FSIZE, (4096, resource.getrlimit(resource.RLIMIT_FSIZE)[1]))
        try:
            canvas.ConvertFile({str(source)!r}, {str(folders / "src")!r}, "bmp", SharpFlag=True)
        except zelnor2.ComError as e:
            print(e.description)
    """)
    done = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True, timeout=60)
    assert "Cannot write file" in done.stdout, done.stdout + done.stderr
    assert source.read_bytes() == before
    assert names(folders / "src") == ["a.bmp"]


def test_hidden_files_folders_and_special_files_are_left_alone(canvas, folders):
    src = folders / "src"
    for name in ("a.png", ".hidden.png", "UPPER.PNG"):
        gradient(4, 4).save(src / name, "PNG")
    (src / "folder.png").mkdir()
    os.mkfifo(src / "pipe.png")
    os.symlink(src / "a.png", src / "link.png")
    os.symlink(src / "gone.png", src / "dangling.png")
    assert canvas.ConvertFile(str(src), str(folders / "out"), "bmp") == 3
    assert names(folders / "out") == ["UPPER.bmp", "a.bmp", "link.bmp"]
    assert canvas.ConvertFile(str(src / "*.png"), str(folders / "out"), "bmp") == 2  # case-sensitive pattern


def test_a_folder_of_thousands_of_small_files(canvas, folders):
    tiny = folders / "tiny.bmp"
    Image.new("RGB", (4, 3), (10, 20, 30)).save(tiny)
    data = tiny.read_bytes()
    for i in range(3000):
        (folders / "src" / f"f{i:05d}.bmp").write_bytes(data)
    assert canvas.ConvertFile(str(folders / "src"), str(folders / "out"), "png") == 3000
    out = names(folders / "out")
    assert len(out) == 3000 and out[0] == "f00000.png" and out[-1] == "f02999.png"
    assert Image.open(folders / "out" / "f01234.png").getpixel((3, 2)) == (10, 20, 30)

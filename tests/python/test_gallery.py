"""examples/gallery.py draws every picture of the gallery: each file is
written, has its type's signature, and loads back with a sensible size."""
import os
import subprocess
import sys


ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
GALLERY = os.path.join(ROOT, "examples", "gallery.py")
PICTURES = ["pens.png", "brushes.png", "text.png", "effects.png", "resize.png", "gif.png", "copymodes.png",
            "animation.gif"]


def test_the_gallery_draws_every_picture(tmp_path, canvas):
    done = subprocess.run([sys.executable, GALLERY, str(tmp_path)], capture_output=True, text=True, timeout=300)
    assert done.returncode == 0, done.stderr
    assert sorted(os.listdir(tmp_path)) == sorted(PICTURES)
    for name in PICTURES:
        path = tmp_path / name
        signature = b"GIF89a" if name.endswith(".gif") else b"\x89PNG\r\n\x1a\n"
        assert path.read_bytes().startswith(signature), name
        assert canvas.LoadFromFile(str(path)) == 0, name
        assert 150 <= canvas.Width <= 1000 and 100 <= canvas.Height <= 800, name
        assert len({canvas.PixelGet(x, y) for x in range(0, canvas.Width, 7) for y in range(0, canvas.Height, 7)}) > 2
    animation = (tmp_path / "animation.gif").read_bytes()
    assert animation.count(b"\x21\xf9\x04") == 12  # one graphic control block per frame


def test_the_checked_in_gallery_is_complete():
    folder = os.path.join(ROOT, "docs", "gallery")
    assert set(PICTURES) <= set(os.listdir(folder))
    assert sum(os.path.getsize(os.path.join(folder, name)) for name in PICTURES) < 700 * 1024
    with open(os.path.join(ROOT, "README.md"), encoding="utf-8") as readme:
        assert "docs/gallery/" in readme.read()

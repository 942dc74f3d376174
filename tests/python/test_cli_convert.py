"""zelnor2 convert: the batch command's options and exit status, its progress
and summary, that it writes what the member writes, shards, file lists,
damaged files, a stop by signal, and a folder of thousands of files."""
import os
import pty
import re
import signal
import subprocess
import time

import pytest
from PIL import Image


def run(cli, *args, **kwargs):
    return subprocess.run([cli, "convert", *map(str, args)], capture_output=True, text=True, timeout=120, **kwargs)


def gradient(width, height, shift=0):
    return Image.merge("RGB", [Image.linear_gradient("L").resize((width, height)),
                               Image.linear_gradient("L").rotate(90 + shift).resize((width, height)),
                               Image.new("L", (width, height), 90 + shift)])


def names(folder):
    return sorted(os.listdir(folder))


@pytest.fixture
def photos(tmp_path):
    """src/ with 12 small pictures of every type and a text file; out/ empty."""
    src, out = tmp_path / "src", tmp_path / "out"
    src.mkdir()
    out.mkdir()
    for i in range(12):
        gradient(40 + i, 30, i).save(src / f"p{i:02d}.{('jpg', 'png', 'gif', 'bmp')[i % 4]}")
    (src / "notes.txt").write_text("not a picture")
    return src, out


def test_help_names_every_option_and_warns_about_draft(cli_path):
    done = run(cli_path, "--help")
    assert done.returncode == 0
    for option in ("--to", "--type", "--size", "--hiq", "--exact", "--gamma", "--contrast", "--sharp", "--dull",
                   "--jpeg-quality", "--progressive", "--png-level", "--gif-mode", "--jobs", "--shard",
                   "--files-from", "--quiet", "--verbose", "--draft"):
        assert option in done.stdout
    assert "differ from the\n" in done.stdout and "member's" in done.stdout


@pytest.mark.parametrize("args", [
    [], ["--frobnicate", "SRC"], ["--size", "0x5", "SRC"], ["--size", "10", "SRC"], ["--shard", "3/2", "SRC"],
    ["--shard", "0/2", "SRC"], ["--type", "tif", "SRC"], ["--gamma", "3", "SRC"], ["--contrast", "101", "SRC"],
    ["--jpeg-quality", "0", "SRC"], ["--png-level", "10", "SRC"], ["--jobs", "0", "SRC"], ["SRC", "--to"],
    ["--null", "SRC"], ["SRC", "--files-from", "LIST"], ["SRC/p00.jpg", "--to", "OUT/x.tif"],
])
def test_bad_command_lines_exit_2(cli_path, photos, args):
    src, out = photos
    args = [a.replace("SRC", str(src)).replace("OUT", str(out)) for a in args]
    done = run(cli_path, *args)
    assert done.returncode == 2, done.stderr
    assert done.stderr.startswith("zelnor2 convert: ")
    assert names(out) == []


def test_missing_sources_and_targets_exit_1_with_the_reason(cli_path, photos, tmp_path):
    src, out = photos
    cases = [([f"{tmp_path}/missing/"], "no such folder"), ([tmp_path / "missing"], "no file or folder matches"),
             ([src / "*.tiff"], "no file or folder matches"), ([src, "--to", f"{tmp_path}/nowhere/"], "no folder"),
             ([src, "--to", out / "one.png"], "needs exactly one source file"),
             ([src / "p00.jpg", src / "p01.png", "--to", out / "one.png"], "needs exactly one source file")]
    for args, reason in cases:
        done = run(cli_path, *args)
        assert done.returncode == 1 and reason in done.stderr, (args, done.stderr)
    assert names(out) == []


def test_progress_lines_off_a_terminal_and_the_summary(cli_path, photos):
    src, out = photos
    done = run(cli_path, src, "--to", out, "--verbose")
    assert done.returncode == 0, done.stderr
    summary = done.stdout.splitlines()
    assert re.match(r"written 12, skipped 1, failed 0 \(13 files in [\d.]+ s, [\d.]+ files/s\)$", summary[0])
    assert summary[1:] == [f"skipped {src}/notes.txt: not an image file (by its extension)"]
    progress = done.stderr.splitlines()
    assert 1 <= len(progress) <= 10 and progress[-1].startswith("13/13 files (100%)")
    assert all(re.match(r"\d+/13 files \(\d+%\), [\d.]+ files/s", line) for line in progress)
    assert "\r" not in done.stderr and "\x1b" not in done.stderr
    assert names(out) == sorted(f"p{i:02d}.JPG" for i in range(12))
    quiet = run(cli_path, src, "--to", out, "-q")
    assert (quiet.returncode, quiet.stdout, quiet.stderr) == (0, "", "")


def test_a_bar_on_a_terminal(cli_path, photos):
    src, out = photos
    leader, follower = pty.openpty()
    try:
        done = subprocess.run([cli_path, "convert", src, "--to", out], stdout=subprocess.PIPE, stderr=follower,
                              timeout=60)
        os.close(follower)
        follower = None
        shown = b""
        while True:
            try:
                chunk = os.read(leader, 4096)
            except OSError:  # the terminal's other end is closed and drained
                break
            if not chunk:
                break
            shown += chunk
    finally:
        os.close(leader)
        if follower is not None:
            os.close(follower)
    assert done.returncode == 0
    assert b"\r[" in shown and b"13/13 files (100%)" in shown and b"\x1b[K" in shown


def test_a_damaged_file_among_good_ones_fails_alone(cli_path, photos):
    src, out = photos
    (src / "p05.png").write_bytes(b"\x89PNG\r\n\x1a\n this is not the rest of a PNG file")
    done = run(cli_path, src, "--to", out, "--jobs", "2", "--type", "png")
    assert done.returncode == 1
    assert done.stdout.startswith("written 11, skipped 1, failed 1 (13 files")
    failed = [line for line in done.stdout.splitlines() if line.startswith("failed ")]
    assert len(failed) == 1 and failed[0].startswith(f"failed {src}/p05.png: ")
    assert names(out) == sorted(f"p{i:02d}.png" for i in range(12) if i != 5)


@pytest.mark.parametrize("options", [
    [],
    ["--size", "32x32", "--hiq", "--gamma", "1", "--contrast", "30", "--sharp", "--type", "png", "--png-level", "9"],
    ["--size", "90x20", "--exact", "--dull", "--type", "gif", "--gif-mode", "1"],
    ["--size", "20x20", "--gamma", "2", "--type", "jpeg", "--jpeg-quality", "60", "--progressive"],
])
def test_the_command_writes_what_the_member_writes(cli_path, canvas, photos, tmp_path, options):
    src, out = photos
    done = run(cli_path, src, "--to", out, "--jobs", "3", *options)
    assert done.returncode == 0, done.stderr
    member = tmp_path / "member"
    member.mkdir()
    opts = dict(zip(options[::1], options[1:] + [None]))
    width, height = map(int, opts.get("--size", "0x0").split("x"))
    canvas.JPEGCompressionQuality = int(opts.get("--jpeg-quality", 100))
    canvas.JPEGProgressiveEncoding = "--progressive" in options
    canvas.PNGCompressionLevel = int(opts.get("--png-level", 7))
    canvas.GIFCompressionMode = int(opts.get("--gif-mode", 0))
    count = canvas.ConvertFile(str(src), str(member), opts.get("--type", "JPG"), width, height,
                               int(opts.get("--gamma", 0)), int(opts.get("--contrast", 0)), "--hiq" in options,
                               "--exact" in options, "--sharp" in options, "--dull" in options)
    assert count == 12
    assert names(out) == names(member)
    for name in names(member):
        assert (out / name).read_bytes() == (member / name).read_bytes(), name


def test_shards_partition_the_sorted_list_exactly(cli_path, photos, tmp_path):
    src, out = photos
    gradient(50, 50).save(src / "p03.png")  # p03.bmp and p03.png write one p03.JPG
    everything = run(cli_path, src, "--list").stdout.splitlines()
    assert everything == sorted(everything) and len(everything) == 14
    parts = [run(cli_path, src, "--list", "--shard", f"{k}/3").stdout.splitlines() for k in (1, 2, 3)]
    assert sorted(sum(parts, [])) == everything
    assert sum(len(p) for p in parts) == len(everything)  # no file in two parts
    assert [p for p in parts if f"{src}/p03.bmp" in p] == [p for p in parts if f"{src}/p03.png" in p]
    written = []
    for k in (1, 2, 3):
        folder = tmp_path / f"shard{k}"
        folder.mkdir()
        done = run(cli_path, src, "--to", folder, "--shard", f"{k}/3")
        assert done.returncode == 0
        written.append(int(re.match(r"written (\d+)", done.stdout).group(1)))
        assert names(folder) == sorted({os.path.basename(p).rsplit(".", 1)[0] + ".JPG"
                                        for p in parts[k - 1] if not p.endswith(".txt")})
    assert sum(written) == 13
    single = run(cli_path, src, "--to", out)
    assert re.match(r"written 13,", single.stdout)
    # The part that holds both p03 sources writes the last of them, as one run does.
    holder = next(k for k in (1, 2, 3) if f"{src}/p03.png" in parts[k - 1])
    assert (tmp_path / f"shard{holder}" / "p03.JPG").read_bytes() == (out / "p03.JPG").read_bytes()


def test_files_from_a_list_or_standard_input(cli_path, photos, tmp_path):
    src, out = photos
    gradient(8, 8).save(src / ".hidden.png")
    listed = [src / "p01.png", src / ".hidden.png", src / "missing.png", src, src / "p02.gif", src / "p01.png"]
    listing = tmp_path / "list.txt"
    listing.write_text("".join(f"{p}\n" for p in listed) + "\n")
    done = run(cli_path, "--files-from", listing, "--to", out, "-v")
    assert done.returncode == 0, done.stderr
    assert done.stdout.splitlines() == [done.stdout.splitlines()[0], f"skipped {src}: a folder",
                                        f"skipped {src}/.hidden.png: hidden name",
                                        f"skipped {src}/missing.png: no such file"]
    assert done.stdout.startswith("written 2, skipped 3, failed 0 (5 files")
    assert names(out) == ["p01.JPG", "p02.JPG"]
    piped = run(cli_path, "--files-from", "-", "-0", "--to", out, "--type", "bmp",
                input=f"{src}/p03.bmp\0{src}/p04.jpg\0")
    assert piped.returncode == 0 and piped.stdout.startswith("written 2,")
    assert run(cli_path, "--files-from", tmp_path / "nolist.txt").returncode == 1


@pytest.mark.parametrize("sig, status", [(signal.SIGINT, 130), (signal.SIGTERM, 143)])
def test_a_stop_signal_leaves_no_partial_file(cli_path, tmp_path, sig, status):
    src, out = tmp_path / "src", tmp_path / "out"
    src.mkdir()
    out.mkdir()
    gradient(2000, 1500).save(src / "p0000.jpg", quality=90)
    data = (src / "p0000.jpg").read_bytes()
    for i in range(1, 400):
        (src / f"p{i:04d}.jpg").write_bytes(data)
    child = subprocess.Popen([cli_path, "convert", src, "--to", out, "--size", "100x100", "--hiq", "--jobs", "2"],
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    deadline = time.monotonic() + 60
    while not any(n.endswith(".JPG") for n in os.listdir(out)) and time.monotonic() < deadline:
        time.sleep(0.005)
    child.send_signal(sig)
    stdout, _ = child.communicate(timeout=60)
    assert child.returncode == status
    written = names(out)
    assert 0 < len(written) < 400
    assert all(not n.startswith(".") for n in written)  # no temporary file left
    for name in written:
        with Image.open(out / name) as thumb:
            thumb.load()  # complete files only
            assert thumb.size == (100, 100)
    assert stdout.startswith(f"written {len(written)}, skipped 0, failed 0 (400 files")
    assert "interrupted: " in stdout


def test_draft_gives_the_asked_size_from_a_reduced_decode(cli_path, tmp_path):
    src = tmp_path / "src"
    src.mkdir()
    gradient(1600, 1200).save(src / "big.jpg", quality=92)
    full, draft = tmp_path / "full", tmp_path / "draft"
    for folder, extra in ((full, []), (draft, ["--draft"])):
        folder.mkdir()
        assert run(cli_path, src, "--to", folder, "--size", "160x160", "--hiq", "--type", "bmp", *extra).returncode == 0
    a, b = Image.open(full / "big.bmp"), Image.open(draft / "big.bmp")
    assert a.size == b.size == (160, 160)
    assert a.tobytes() != b.tobytes()
    assert max(abs(p - q) for p, q in zip(a.tobytes(), b.tobytes())) <= 16


def test_thousands_of_small_files_on_every_core(cli_path, tmp_path):
    src, out = tmp_path / "src", tmp_path / "out"
    src.mkdir()
    out.mkdir()
    Image.new("RGB", (4, 3), (200, 100, 50)).save(src / "f00000.bmp")
    data = (src / "f00000.bmp").read_bytes()
    for i in range(1, 4000):
        (src / f"f{i:05d}.bmp").write_bytes(data)
    done = run(cli_path, src, "--to", out, "--type", "png", "--jobs", "2")
    assert done.returncode == 0
    assert done.stdout.startswith("written 4000, skipped 0, failed 0 (4000 files")
    assert len(os.listdir(out)) == 4000
    assert Image.open(out / "f03999.png").getpixel((3, 2)) == (200, 100, 50)

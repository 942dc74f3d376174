"""The zelnor2 command: exit codes, help, registration, the member table and its manual page."""
import os
import re
import shutil
import subprocess

import pytest

MAN_PAGE = os.path.join(os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))), "docs",
                        "zelnor2.1")


def run(cli, *args, env=None):
    return subprocess.run([cli, *args], capture_output=True, text=True, env=env, timeout=60)


@pytest.mark.parametrize("command", ["register", "unregister", "members", "help"])
def test_every_command_has_help(cli_path, command):
    done = run(cli_path, command, "--help")
    assert done.returncode == 0
    assert done.stdout.startswith(f"usage: zelnor2 {command}")


def test_bad_command_lines_exit_2(cli_path):
    assert run(cli_path).returncode == 2
    assert run(cli_path, "frobnicate").returncode == 2
    assert run(cli_path, "register", "--force").returncode == 2
    assert run(cli_path, "register", "a", "b").returncode == 2


def test_register_members_unregister(cli_path, module_path, tmp_path, monkeypatch):
    monkeypatch.setenv("ZELNOR2_REGISTRY", str(tmp_path / "registry"))
    assert run(cli_path, "members").returncode == 1  # not registered yet
    assert run(cli_path, "register").returncode == 0  # the module of the build tree
    table = run(cli_path, "members")
    assert table.returncode == 0
    rows = [line for line in table.stdout.splitlines() if line[:6].strip().lstrip("-").isdigit()]
    assert len(rows) == 85
    assert any("NewCanvas" in r and "[AddCanvas: I4 = 0]" in r and "-> Result: I4" in r for r in rows)
    assert any("FontList" in r and "[SortFlag: BOOL = True]" in r for r in rows)
    assert run(cli_path, "unregister", module_path).returncode == 0
    assert run(cli_path, "members").returncode == 1
    assert run(cli_path, "register", str(tmp_path / "missing.so")).returncode == 1


def test_unreadable_store_is_named(cli_path, tmp_path, monkeypatch):
    folder = tmp_path / "folder-store"
    folder.mkdir()
    monkeypatch.setenv("ZELNOR2_REGISTRY", str(folder))
    done = run(cli_path, "members")
    assert done.returncode == 1
    assert f"cannot read the registration store {folder}: not a file" in done.stderr
    done = run(cli_path, "register")
    assert done.returncode == 1
    assert f"(store {folder})" in done.stderr


def as_nobody(cli, *args):
    """Runs the command as an unprivileged user (dropping root when the tests run as root)."""
    if os.geteuid() != 0:
        return run(cli, *args)
    done = run("setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", cli, *args)
    if done.returncode in (126, 127) or "Permission denied" in done.stderr and "zelnor2:" not in done.stderr:
        pytest.skip(f"the build tree cannot be run by an unprivileged user: {done.stderr.strip()}")
    return done


def test_system_registration_needs_root(cli_path, monkeypatch):
    monkeypatch.delenv("ZELNOR2_REGISTRY")
    for command in ("register", "unregister"):
        done = as_nobody(cli_path, command, "--system")
        assert done.returncode == 1
        assert "--system needs root: the machine-wide store" in done.stderr


def test_system_registration_as_root_honours_the_override(cli_path, tmp_path, monkeypatch):
    if os.geteuid() != 0:
        pytest.skip("needs root")
    store = tmp_path / "registry"
    monkeypatch.setenv("ZELNOR2_REGISTRY", str(store))  # replaces both stores, also for --system
    done = run(cli_path, "register", "--system")
    assert done.returncode == 0 and done.stdout.endswith(f" in {store}\n")
    assert "ThreadingModel\tApartment" in store.read_text(encoding="utf-8")
    assert run(cli_path, "unregister", "--system").returncode == 0
    assert "Zelnor2.MyCanvas" not in store.read_text(encoding="utf-8")


def test_help_describes_one_member(cli_path):
    done = run(cli_path, "help", "stretch")  # any letter case
    assert done.returncode == 0
    lines = done.stdout.splitlines()
    assert lines[0] == "Stretch(NewWidth, NewHeight, HiQ=False, NotThumbMode=False)"
    assert lines[1] == "  method, dispatch id 7, returns Result (I4)"
    assert "  Result codes:" in lines and "  Parameters:" in lines and "  Example:" in lines
    assert any(line.startswith("    HiQ           BOOL  default False: ") for line in lines)
    width = run(cli_path, "help", "Width").stdout.splitlines()
    assert width[:2] == ["Width", "  property, I4, read and write, dispatch id 9"]
    assert run(cli_path, "help", "UBound").stdout.splitlines()[1] == "  property, I4, read only, dispatch id 62"
    assert all(len(line) <= 79 for line in done.stdout.splitlines() if not line.startswith("    "))


def test_help_of_an_unknown_member_fails(cli_path):
    done = run(cli_path, "help", "Frobnicate")
    assert done.returncode == 1
    assert "no member named Frobnicate" in done.stderr
    assert run(cli_path, "help", "a", "b", "c").returncode == 2
    assert run(cli_path, "help").returncode == 0  # the usage


def test_members_long_and_markdown_list_every_member_once(cli_path):
    long_form = run(cli_path, "members", "--long").stdout
    names = [line.split("(")[0] for line in long_form.splitlines() if line and not line[0].isspace()]
    assert len(names) == len(set(names)) == 63  # 85 functions: 22 properties have a get and a put
    markdown = run(cli_path, "members", "--markdown").stdout
    assert [line[4:] for line in markdown.splitlines() if line.startswith("### ")] == names
    assert markdown.count("```python\n") == 63
    assert run(cli_path, "members", "--shout").returncode == 2


def test_man_page_covers_every_command_and_option(cli_path):
    with open(MAN_PAGE, encoding="utf-8") as f:
        text = f.read().replace("\\-", "-")  # the roff minus
    usage = run(cli_path, "--help").stdout
    commands = [line.split()[0] for line in usage.split("commands:\n")[1].split("\n\n")[0].splitlines()
                if line.startswith("  ") and not line.startswith("   ")]
    assert commands == ["register", "unregister", "members", "help", "convert"]
    for command in commands:
        assert f"\n.BR {command} " in text or f"\n.BI {command} " in text, command
    options = set(re.findall(r"(?<![\w-])(--[a-z][a-z-]*|-[0-9a-z])\b", run(cli_path, "convert", "--help").stdout))
    options |= {"--system", "--long", "--markdown"}
    assert {"--draft", "--shard", "--files-from", "-0"} <= options
    missing = [option for option in sorted(options) if option not in text]
    assert not missing, f"the man page does not describe {missing}"


def test_man_page_formats_without_warnings():
    if not shutil.which("groff"):
        pytest.skip("groff is not installed")
    done = subprocess.run(["groff", "-man", "-ww", "-z", "-Tutf8", MAN_PAGE], capture_output=True, text=True, timeout=60)
    assert done.returncode == 0 and done.stderr == "", done.stderr

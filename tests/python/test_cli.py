"""The zelnor2 command: exit codes, help, registration and the member table."""
import subprocess

import pytest


def run(cli, *args, env=None):
    return subprocess.run([cli, *args], capture_output=True, text=True, env=env, timeout=60)


@pytest.mark.parametrize("command", ["register", "unregister", "members"])
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

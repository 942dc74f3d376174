"""docs/reference.md against the component: every member has an entry with a
description, its result codes and an example; every example runs as it
stands; `zelnor2 members --long` says what the reference says."""
import os
import re
import subprocess

import pytest
import zelnor2

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
REFERENCE = os.path.join(ROOT, "docs", "reference.md")


def entries(markdown):
    """Member name -> the text of its entry (from its ### heading on)."""
    found = {}
    for chunk in re.split(r"^(?=##+ )", markdown, flags=re.M):
        if chunk.startswith("### "):
            found[chunk.split("\n", 1)[0][4:].strip()] = chunk
    return found


with open(REFERENCE, encoding="utf-8") as f:
    REFERENCE_TEXT = f.read()
MEMBERS = {name: text for name, text in entries(REFERENCE_TEXT).items() if text.split("\n")[2].startswith("`")}


def example_of(entry):
    blocks = re.findall(r"^```python\n(.*?)^```", entry, flags=re.M | re.S)
    assert len(blocks) == 1, "one example per member"
    return blocks[0]


def member_names(cli):
    table = subprocess.run([cli, "members"], capture_output=True, text=True, check=True, timeout=60).stdout
    rows = [line.split() for line in table.splitlines() if line[:6].strip().lstrip("-").isdigit()]
    assert len(rows) == 85
    return {row[2] for row in rows}


def test_every_member_has_a_complete_entry(cli_path):
    assert set(MEMBERS) == member_names(cli_path)
    for name, entry in MEMBERS.items():
        paragraphs = [p for p in entry.split("\n\n")[2:] if p and not p.startswith(("|", "```"))]
        assert paragraphs and len(paragraphs[0]) > 40, f"{name} has no description"
        assert any(p.startswith("Result codes") or p.startswith("Result:") for p in paragraphs), \
            f"{name} names no result codes"
        assert 2 <= len(example_of(entry).strip().splitlines()) <= 5, f"{name}: an example is 2 to 5 lines"


@pytest.mark.parametrize("name", sorted(MEMBERS))
def test_example_runs(name, canvas, tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)
    monkeypatch.setenv("ZELNOR2_CLIPBOARD", str(tmp_path / "clipboard"))
    code = example_of(MEMBERS[name])
    try:
        exec(compile(code, f"<example of {name}>", "exec"), {"zelnor2": zelnor2, "canvas": canvas})
    except zelnor2.ComError as error:
        if error.description.endswith("is not available in this build"):
            pytest.skip(f"{name}: {error.description}")
        raise


def words(text, markdown=False):
    """The words of a text; of Markdown, without its escapes."""
    return (re.sub(r"\\(.)", r"\1", text) if markdown else text).split()


def test_zelnor2_members_long_says_what_the_reference_says(cli_path):
    long_form = subprocess.run([cli_path, "members", "--long"], capture_output=True, text=True, check=True,
                               timeout=60).stdout
    printed = {}
    for block in re.split(r"\n(?=\S)", long_form):
        lines = block.split("\n")
        name = re.match(r"\w+", lines[0]).group(0)
        body = "\n".join(lines[2:])
        printed[name] = body.split("\n  Parameters:")[0].split("\n  Example:")[0]
    assert set(printed) == set(MEMBERS)
    for name, entry in MEMBERS.items():
        described = entry.split("\n\n", 2)[2]
        described = re.split(r"^\| Parameter|^```python", described, flags=re.M)[0]
        assert words(printed[name]) == words(described, markdown=True), name


def test_the_first_picture_of_the_readme_runs(tmp_path, monkeypatch):
    with open(os.path.join(ROOT, "README.md"), encoding="utf-8") as f:
        readme = f.read()
    code = re.search(r"^## First picture\n.*?^```python\n(.*?)^```", readme, flags=re.M | re.S).group(1)
    monkeypatch.chdir(tmp_path)
    exec(compile(code, "<README first picture>", "exec"), {})
    assert (tmp_path / "hello.gif").read_bytes()[:4] == b"GIF8"

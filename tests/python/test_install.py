"""The installed tree, as a user meets it: `cmake --install` into a prefix,
then the whole tree moved somewhere else.  Its RUNPATHs are relative, its
command registers the installed module, and the installed examples (Python,
and C++ built with find_package and with pkg-config) make their pictures from
a folder outside the source tree, with nothing of the build tree on any path.
"""
import os
import shutil
import subprocess

import pytest
from conftest import BUILD, ROOT

PNG, GIF = b"\x89PNG\r\n\x1a\n", b"GIF8"


def run(*args, env, cwd, timeout=300):
    done = subprocess.run(args, env=env, cwd=cwd, capture_output=True, text=True, timeout=timeout)
    assert done.returncode == 0, f"{args}: {done.stdout}{done.stderr}"
    return done.stdout


@pytest.fixture(scope="module")
def tree(tmp_path_factory):
    """An installed tree, moved after installation; its registration store; a clean environment."""
    if not shutil.which("cmake"):
        pytest.skip("cmake is not installed")
    top = tmp_path_factory.mktemp("installed")
    subprocess.run(["cmake", "--install", BUILD, "--prefix", str(top / "first")], check=True,
                   capture_output=True, timeout=300)
    prefix = top / "moved"
    (top / "first").rename(prefix)
    home = top / "home"
    home.mkdir()
    env = {"PATH": "/usr/bin:/bin", "HOME": str(home), "LANG": "C.UTF-8",
           "ZELNOR2_REGISTRY": str(top / "registry")}
    work = top / "work"
    work.mkdir()
    return prefix, env, work


def libdir(prefix):
    """The installed library folder (lib, or lib/<multiarch> for prefix /usr)."""
    found = [p.parent for p in prefix.rglob("libzelnor2-client.so")]
    assert len(found) == 1, found
    return found[0]


def python_dir(prefix):
    """The installed folder of the Python module."""
    found = [p.parent for p in prefix.glob("lib/python3*/dist-packages/zelnor2.*.so")]
    assert len(found) == 1, found
    return found[0]


def elf_files(prefix):
    for path in prefix.rglob("*"):
        if path.is_file() and not path.is_symlink():
            with open(path, "rb") as f:
                if f.read(4) == b"\x7fELF":
                    yield path


def test_layout_and_relative_runpaths(tree):
    prefix, _, _ = tree
    lib = libdir(prefix)
    assert python_dir(prefix).name == "dist-packages"
    assert (python_dir(prefix) / "zelnor2.pyi").exists(), "the type stubs sit beside the module"
    for part in ("bin/zelnor2", "include/zelnor2/client.h",
                 "share/doc/zelnor2/examples/hello.py", "share/doc/zelnor2/examples/hello_client.cpp"):
        assert (prefix / part).exists(), part
    for part in ("zelnor2/Zelnor2.so", "libzelnor2-automation.so.1", "libzelnor2-client.so.1",
                 "pkgconfig/zelnor2.pc", "cmake/Zelnor2/Zelnor2Config.cmake"):
        assert (lib / part).exists(), part
    elves = list(elf_files(prefix))
    assert len(elves) >= 5
    for path in elves:
        dynamic = subprocess.run(["readelf", "-d", str(path)], capture_output=True, text=True).stdout
        assert "(RPATH)" not in dynamic, path
        for line in dynamic.splitlines():
            if "(RUNPATH)" in line:
                entries = line.split("[", 1)[1].rstrip("]").split(":")
                assert all(e.startswith("$ORIGIN") for e in entries), (path, entries)
    for text_file in list(lib.rglob("*.cmake")) + [lib / "pkgconfig/zelnor2.pc"]:
        content = text_file.read_text()
        assert BUILD not in content and ROOT not in content, text_file


def test_command_registers_the_installed_module_and_python_uses_it(tree):
    prefix, env, work = tree
    out = run(str(prefix / "bin/zelnor2"), "register", env=env, cwd=work)
    module = libdir(prefix) / "zelnor2" / "Zelnor2.so"
    assert out.strip() == f"registered {module} in {env['ZELNOR2_REGISTRY']}"
    python_env = dict(env, PYTHONPATH=str(python_dir(prefix)))
    where = run("/usr/bin/python3", "-c", "import zelnor2; print(zelnor2.__file__)", env=python_env, cwd=work)
    assert where.startswith(str(prefix))
    run("/usr/bin/python3", str(prefix / "share/doc/zelnor2/examples/hello.py"), "hello.gif",
        env=python_env, cwd=work)
    assert (work / "hello.gif").read_bytes().startswith(GIF)
    assert (work / "hello.png").read_bytes().startswith(PNG)


def test_cpp_example_builds_with_find_package(tree):
    prefix, env, work = tree
    run(str(prefix / "bin/zelnor2"), "register", env=env, cwd=work)
    examples = prefix / "share/doc/zelnor2/examples"
    run("cmake", "-S", str(examples), "-B", "with-cmake", f"-DCMAKE_PREFIX_PATH={prefix}", env=env, cwd=work)
    run("cmake", "--build", "with-cmake", env=env, cwd=work)
    out = run("./with-cmake/hello_client", "cmake.png", env=env, cwd=work)
    assert out.startswith("cmake.png: 100 x 100 PNG")
    assert (work / "cmake.png").read_bytes().startswith(PNG)


def test_cpp_example_builds_with_pkg_config(tree):
    prefix, env, work = tree
    if not shutil.which("pkg-config") or not shutil.which("g++"):
        pytest.skip("pkg-config or g++ is not installed")
    run(str(prefix / "bin/zelnor2"), "register", env=env, cwd=work)
    pc_env = dict(env, PKG_CONFIG_PATH=str(libdir(prefix) / "pkgconfig"))
    flags = run("pkg-config", "--cflags", "--libs", "zelnor2", env=pc_env, cwd=work).split()
    libs = run("pkg-config", "--variable=libdir", "zelnor2", env=pc_env, cwd=work).strip()
    source = prefix / "share/doc/zelnor2/examples/hello_client.cpp"
    run("g++", "-std=c++17", str(source), *flags, f"-Wl,-rpath,{libs}", "-o", "hello_pc", env=env, cwd=work)
    out = run("./hello_pc", "pc.png", env=env, cwd=work)
    assert out.startswith("pc.png: 100 x 100 PNG")

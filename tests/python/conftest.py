"""Shared fixtures for the end-to-end tests: they drive the component by name
through the zelnor2 binding, exactly as a script does.

The build tree is $ZELNOR2_BUILD_DIR or build/ at the top of the project.
The built Zelnor2.so is registered into a private registration store (a
temporary file named by ZELNOR2_REGISTRY), never the user's own.
"""
import os
import sys
import tempfile

import pytest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BUILD = os.path.abspath(os.environ.get("ZELNOR2_BUILD_DIR", os.path.join(ROOT, "build")))
MODULE = os.path.realpath(os.path.join(BUILD, "lib", "Zelnor2.so"))
CLI = os.path.join(BUILD, "bin", "zelnor2")

sys.path.insert(0, os.path.join(BUILD, "python"))
_registry_dir = tempfile.TemporaryDirectory(prefix="zelnor2-registry-")
os.environ["ZELNOR2_REGISTRY"] = os.path.join(_registry_dir.name, "registry")

import zelnor2  # noqa: E402  (importable only once the build dir is on the path)

_registered = zelnor2.lowlevel.dll_register_server(MODULE)
if _registered != zelnor2.S_OK:
    raise RuntimeError(f"registering {MODULE} failed: 0x{_registered & 0xFFFFFFFF:08X}")


@pytest.fixture
def module_path():
    """Full path of the built component module."""
    return MODULE


@pytest.fixture
def cli_path():
    """The built zelnor2 command."""
    return CLI


@pytest.fixture
def canvas():
    """A fresh Zelnor2.MyCanvas object, released after the test."""
    obj = zelnor2.CreateObject("Zelnor2.MyCanvas")
    yield obj
    obj.release()

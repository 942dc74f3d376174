#!/usr/bin/python3
"""Writes zelnor2.pyi, the type stubs of the zelnor2 module, from the type
information of the objects it makes, so that editors complete member names
and show their signatures and docstrings.

Usage: make_stub.py MODULE_DIR COMPONENT OUTPUT
  MODULE_DIR  folder holding the built zelnor2 module
  COMPONENT   the built component module, registered into a private store
              for as long as this runs
"""
import inspect
import os
import sys
import tempfile
import types

PROGIDS = ["Zelnor2.MyCanvas"]


def annotation(value):
    if value is None:
        return "None"
    if isinstance(value, types.UnionType):
        return " | ".join(annotation(v) for v in value.__args__)
    if isinstance(value, type):
        return value.__name__
    return "Any"


def docstring(text, indent):
    if not text:
        return []
    body = inspect.cleandoc(text).replace("\\", "\\\\").replace('"""', '\\"\\"\\"')
    lines = body.split("\n")
    pad = " " * indent
    if len(lines) == 1:
        return [f'{pad}"""{lines[0]}"""']
    return [f'{pad}"""{lines[0]}'] + [f"{pad}{line}" if line else "" for line in lines[1:]] + [f'{pad}"""']


def method_lines(zelnor2, descriptor):
    signature = descriptor.__signature__
    params = ["self"]
    for p in list(signature.parameters.values())[1:]:
        text = f"{p.name}: {annotation(p.annotation)}"
        if p.default is not p.empty:
            text = f"{p.name}: {annotation(p.annotation)} | None = None" if p.default is None else \
                f"{text} = {p.default!r}"
        params.append(text)
    head = f"    def {descriptor.__name__}({', '.join(params)}) -> {annotation(signature.return_annotation)}:"
    doc = docstring(descriptor.__doc__, 8)
    return [head] + (doc if doc else ["        ..."])


def property_lines(zelnor2, descriptor):
    name, _, _, returns, _, readable, writable = descriptor._summary
    kind = annotation(zelnor2._annotation(returns[1]))
    doc = docstring(descriptor.__doc__, 8)
    lines = []
    if readable:
        lines += ["    @property", f"    def {name}(self) -> {kind}:"] + (doc or ["        ..."])
        if writable:
            lines += [f"    @{name}.setter", f"    def {name}(self, value: {kind}) -> None: ..."]
    else:
        lines += [f"    {name}: {kind}"]
    return lines


def class_lines(zelnor2, cls):
    lines = [f"class {cls.__name__}(Object):"] + docstring(cls.__doc__, 4)
    for name, descriptor in sorted(vars(cls).items(), key=lambda item: item[0].lower()):
        if isinstance(descriptor, zelnor2.Method):
            lines += method_lines(zelnor2, descriptor)
        elif isinstance(descriptor, zelnor2.Property):
            lines += property_lines(zelnor2, descriptor)
    return lines


def enum_lines(family):
    lines = [f"class {family.__name__}(IntEnum):"] + docstring(family.__doc__, 4)
    lines += [f"    {member.name} = {int(member)}" for member in family]
    return lines


HEADER = '''# Type stubs of the zelnor2 module, generated from the type information of
# the objects it makes.  The object classes are made at run time, when the
# first object of their interface is created.
from enum import IntEnum
from typing import Any, Literal, overload

class ComError(Exception):
    """A failed automation call: hresult, source and description of the failure."""
    hresult: int
    source: str
    description: str
    argerr: int
    def __init__(self, hresult: int, message: str, source: str = "", description: str = "",
                 argerr: int = -1) -> None: ...

class Ref:
    """A by-reference VARIANT for VARIANT* parameters; read .value after the call."""
    value: Any
    def __init__(self, value: Any = None) -> None: ...
    def __bytes__(self) -> bytes: ...

class Object:
    """An automation object reached through IDispatch."""
    def release(self) -> None: ...
    def __getattr__(self, name: str) -> Any: ...
    def __setattr__(self, name: str, value: Any) -> None: ...

class Method: ...
class Property: ...
'''


def stub(zelnor2, objects):
    lines = [HEADER]
    for family in (zelnor2.ResultCode, zelnor2.PixelFormat, zelnor2.CopyMode):
        lines += enum_lines(family) + [""]
        lines += [f"{member.name}: {family.__name__}" for member in family] + [""]
    for progid, obj in objects:
        lines += class_lines(zelnor2, type(obj)) + [""]
    for progid, obj in objects:
        lines += ["@overload", f'def CreateObject(progid: Literal["{progid}"]) -> {type(obj).__name__}: ...']
    lines += ["@overload" if objects else "", "def CreateObject(progid: str) -> Object: ...",
              "def FreeUnusedLibraries() -> int: ...", ""]
    codes = sorted(name for name, value in vars(zelnor2).items()
                   if name.isupper() and type(value) is int)
    lines += [f"{name}: int" for name in codes]
    lines += ["lowlevel: Any", ""]
    return "\n".join(lines)


def main(module_dir, component, output):
    sys.path.insert(0, module_dir)
    with tempfile.TemporaryDirectory(prefix="zelnor2-stub-") as store:
        os.environ["ZELNOR2_REGISTRY"] = os.path.join(store, "registry")
        import zelnor2

        registered = zelnor2.lowlevel.dll_register_server(os.path.realpath(component))
        if registered != zelnor2.S_OK:
            sys.exit(f"make_stub: registering {component} failed: 0x{registered & 0xFFFFFFFF:08X}")
        objects = [(progid, zelnor2.CreateObject(progid)) for progid in PROGIDS]
        text = stub(zelnor2, objects)
        for _, obj in objects:
            obj.release()
    compile(text, output, "exec")  # a stub that is not valid Python is a build failure
    with open(output + ".tmp", "w", encoding="utf-8") as f:
        f.write(text)
    os.replace(output + ".tmp", output)


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    main(*sys.argv[1:])

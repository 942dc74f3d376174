// The parts of the zelnor2 module written in Python: ComError, the named
// numbers, and the texts and signatures of members, which the module makes
// from what the type information says about each member.
#include "bindings/python/support_source.h"

namespace zelnor2py {

const char* const kSupportSource = R"PY(
import enum as _enum
import keyword as _keyword
import re as _re

# inspect and typing are imported on the first signature asked for, not with
# the module: together they took half of the module's import time, which a
# short script pays on every run.


class ComError(Exception):
    """A failed automation call: hresult, source and description of the failure."""

    def __init__(self, hresult, message, source="", description="", argerr=-1):
        super().__init__(message)
        self.hresult = hresult
        self.source = source
        self.description = description
        self.argerr = argerr

    def __str__(self):
        text = f"{self.args[0]} (hresult 0x{self.hresult & 0xFFFFFFFF:08X})"
        return f"{self.source}: {text}" if self.source else text


class ResultCode(_enum.IntEnum):
    """The result codes members return through their Result."""

    rcOK = 0
    rcInvalidArgument = -1
    rcNoInput = -2
    rcUnsupportedType = -3
    rcEmptyCanvas = -4
    rcNoSourceFolder = -5
    rcNoTargetFolder = -6
    rcTargetNameNotAllowed = -7


class PixelFormat(_enum.IntEnum):
    """Pixel-format numbers, as PixelFormat reads and sets them."""

    pfDevice = 0
    pf1bit = 1
    pf4bit = 2
    pf8bit = 3
    pf15bit = 4
    pf16bit = 5
    pf24bit = 6
    pf32bit = 7
    pfCustom = 8


class CopyMode(_enum.IntEnum):
    """Copy-mode numbers (the Cpmode of the loading members): the named
    raster operations in alphabetical order."""

    BLACKNESS = 1
    DSTINVERT = 2
    MERGECOPY = 3
    MERGEPAINT = 4
    NOTSRCCOPY = 5
    NOTSRCERASE = 6
    PATCOPY = 7
    PATINVERT = 8
    PATPAINT = 9
    SRCAND = 10
    SRCCOPY = 11
    SRCERASE = 12
    SRCINVERT = 13
    SRCPAINT = 14
    WHITENESS = 15


for _family in (ResultCode, PixelFormat, CopyMode):
    globals().update(_family.__members__)
del _family

# Declared types as Python sees them; a VARIANT* parameter takes a Ref for a
# variable the member writes, or a value (bytes and other buffers) it reads.
_TYPE_NAMES = {"I4": "int", "BOOL": "bool", "BSTR": "str", "VARIANT": "Any",
               "VARIANT*": "Ref | bytes | bytearray | memoryview"}


def _annotation(type_name):
    import typing as _typing
    return {"I4": int, "BOOL": bool, "BSTR": str, "VARIANT": _typing.Any,
            "VARIANT*": Ref | bytes | bytearray | memoryview}.get(type_name, _typing.Any)


def _python_name(name):
    return name + "_" if _keyword.iskeyword(name) or not name.isidentifier() else name


def _parameter_text(param):
    name, type_name, optional, has_default, default = param
    text = f"{name}: {_TYPE_NAMES.get(type_name, 'Any')}"
    if optional:
        text += f" = {default!r}" if has_default else " = None"
    return text


def _result_codes(help_text):
    named = {code.name: code for code in ResultCode}
    found = {named[word] for word in _re.findall(r"\brc[A-Z]\w*", help_text) if word in named}
    return ", ".join(f"{code.name} ({int(code)})" for code in sorted(found, reverse=True))


def _member_doc(summary):
    """The docstring of a member: its signature with defaults, what it returns,
    its help text, and the result codes that the help text names."""
    name, kind, params, returns, help_text, readable, writable = summary
    if kind == "property":
        access = "read and write" if readable and writable else "read-only" if readable else "write-only"
        lines = [f"{name}: {_TYPE_NAMES.get(returns[1], 'Any')} ({access} property)"]
    else:
        arrow = f" -> {_TYPE_NAMES.get(returns[1], 'Any')}" if returns else ""
        lines = [f"{name}({', '.join(_parameter_text(p) for p in params)}){arrow}", ""]
        lines.append(f"Returns {returns[0]} ({_TYPE_NAMES.get(returns[1], 'Any')})." if returns
                     else "Returns nothing.")
    if help_text:
        lines += ["", help_text]
        codes = _result_codes(help_text)
        if codes:
            lines += ["", "Result codes: " + codes]
    return "\n".join(lines)


def _member_signature(summary):
    """The inspect.Signature of a method, with self first."""
    import inspect as _inspect
    name, kind, params, returns, help_text, readable, writable = summary
    parameters = [_inspect.Parameter("self", _inspect.Parameter.POSITIONAL_ONLY)]
    for pname, type_name, optional, has_default, default in params:
        default_value = (default if has_default else None) if optional else _inspect.Parameter.empty
        parameters.append(_inspect.Parameter(_python_name(pname), _inspect.Parameter.POSITIONAL_OR_KEYWORD,
                                             default=default_value, annotation=_annotation(type_name)))
    result = _annotation(returns[1]) if returns else None
    return _inspect.Signature(parameters, return_annotation=result)
)PY";

}  // namespace zelnor2py

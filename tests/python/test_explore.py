"""A binding that explains itself: dir, docstrings, signatures, help, named
constants and type stubs, all read from the object's type information; and
byte buffers in and out."""
import array
import ast
import enum
import inspect
import os
import pydoc

import numpy
import pytest
import zelnor2
from conftest import BUILD

NAME_COUNT = 63  # the 85 function-table rows, a property's get and put sharing one name


def public_names(obj):
    return {name for name in dir(obj) if not name.startswith("_") and name != "release"}


def test_dir_lists_every_member(canvas):
    names = public_names(canvas)
    assert len(names) == NAME_COUNT
    assert {"Stretch", "PixelGet", "SaveToStream", "JPEGCompressionQuality", "UBound", "FontList"} <= names
    assert "release" in dir(canvas)


def test_methods_have_signatures_with_the_declared_defaults(canvas):
    signature = inspect.signature(canvas.Stretch)
    assert str(signature) == "(NewWidth: int, NewHeight: int, HiQ: bool = False, NotThumbMode: bool = False) -> int"
    assert list(inspect.signature(type(canvas).Stretch).parameters)[0] == "self"
    bound = signature.bind(10, 20, HiQ=True)  # what a caller's arguments map to
    assert bound.arguments == {"NewWidth": 10, "NewHeight": 20, "HiQ": True}
    save = inspect.signature(canvas.SaveToStream).parameters
    assert save["FileType"].default == "JPEG"
    assert inspect.signature(canvas.Line).return_annotation is None
    assert inspect.signature(canvas.stretch) == signature, "any letter case finds the same member"


def test_docstrings_give_the_signature_and_what_comes_back(canvas):
    doc = canvas.Stretch.__doc__.splitlines()
    assert doc[0] == "Stretch(NewWidth: int, NewHeight: int, HiQ: bool = False, NotThumbMode: bool = False) -> int"
    assert "Returns Result (int)." in doc
    assert canvas.Line.__doc__.splitlines()[2] == "Returns nothing."
    cls = type(canvas)
    quality = cls.JPEGCompressionQuality.__doc__.split("\n\n")
    assert quality[0] == "JPEGCompressionQuality: int (read and write property)"
    assert quality[1].startswith("The JPEG quality factor, 1 to 100")  # the member's own description
    assert cls.UBound.__doc__.splitlines()[0] == "UBound: int (read-only property)"
    with pytest.raises(zelnor2.ComError):
        canvas.UBound = 3  # the object has no put for it


def test_help_reads_like_a_reference(canvas):
    text = pydoc.render_doc(canvas, renderer=pydoc.plaintext)
    assert type(canvas).__doc__ in text
    assert "Stretch(self, /, NewWidth: int, NewHeight: int, HiQ: bool = False" in text
    assert "PNGCompressionLevel: int (read and write property)" in text
    for name in ("Box", "Gamma", "SaveAniGIFToStream", "FontBold"):
        assert name in text


def test_help_text_and_the_result_codes_it_names_reach_the_docstring():
    summary = ("SaveToFile", "method", (("FileName", "BSTR", False, False, None),
                                      ("Transparent", "BOOL", True, True, False)),
            ("Result", "I4"), "Saves the current canvas.\nReturns rcOK, rcEmptyCanvas or rcUnsupportedType.",
            False, False)
    lines = zelnor2._member_doc(summary).splitlines()
    assert lines[0] == "SaveToFile(FileName: str, Transparent: bool = False) -> int"
    assert "Saves the current canvas." in lines
    assert lines[-1] == "Result codes: rcOK (0), rcUnsupportedType (-3), rcEmptyCanvas (-4)"
    keyword = ("Run", "method", (("lambda", "I4", False, False, None),), None, "", False, False)
    assert list(zelnor2._member_signature(keyword).parameters) == ["self", "lambda_"]


def test_named_constants():
    codes = [zelnor2.rcOK, zelnor2.rcInvalidArgument, zelnor2.rcNoInput, zelnor2.rcUnsupportedType,
             zelnor2.rcEmptyCanvas, zelnor2.rcNoSourceFolder, zelnor2.rcNoTargetFolder,
             zelnor2.rcTargetNameNotAllowed]
    assert codes == [0, -1, -2, -3, -4, -5, -6, -7]
    assert all(isinstance(c, enum.IntEnum) for c in codes)
    assert zelnor2.ResultCode(-4).name == "rcEmptyCanvas"
    assert [int(p) for p in zelnor2.PixelFormat] == list(range(9))
    assert (zelnor2.pfDevice, zelnor2.pf24bit, zelnor2.pfCustom) == (0, 6, 8)
    modes = [m.name for m in zelnor2.CopyMode]
    assert modes == sorted(modes) and len(modes) == 15
    assert (zelnor2.BLACKNESS, zelnor2.SRCCOPY, zelnor2.WHITENESS) == (1, 11, 15)


def test_constants_are_accepted_where_numbers_are(canvas):
    assert canvas.NewCanvas(-1, 1) == zelnor2.rcInvalidArgument
    assert canvas.NewCanvas(4, 4) == zelnor2.rcOK
    canvas.PixelFormat = zelnor2.pf8bit
    assert canvas.PixelFormat == zelnor2.pf8bit
    ref = zelnor2.Ref()
    assert canvas.GetCanvas(ref, 0, 0, 0, 0) == zelnor2.rcInvalidArgument


def test_com_error_is_the_one_failure_type(canvas):
    with pytest.raises(zelnor2.ComError) as info:
        canvas.PixelFormat = 8
    assert isinstance(info.value, Exception)
    assert (info.value.hresult, info.value.source) == (zelnor2.E_UNEXPECTED, "Zelnor2.MyCanvas")
    assert info.value.description


def test_type_stubs_beside_the_module_name_every_member(canvas):
    path = os.path.join(BUILD, "python", "zelnor2.pyi")
    with open(path, encoding="utf-8") as f:
        tree = ast.parse(f.read())
    classes = {node.name: node for node in tree.body if isinstance(node, ast.ClassDef)}
    members = {node.name for node in classes["IMyCanvas"].body if isinstance(node, ast.FunctionDef)}
    assert members == public_names(canvas)
    stretch = next(n for n in classes["IMyCanvas"].body if isinstance(n, ast.FunctionDef) and n.name == "Stretch")
    assert [a.arg for a in stretch.args.args] == ["self", "NewWidth", "NewHeight", "HiQ", "NotThumbMode"]
    assert {"ResultCode", "PixelFormat", "CopyMode", "ComError", "Ref"} <= set(classes)


# ------------------------------------------------------------------ buffers
@pytest.fixture
def png_bytes(canvas):
    assert canvas.NewCanvas(7, 5) == 0
    canvas.PixelSet(2, 3, 0x123456)
    ref = zelnor2.Ref()
    assert canvas.SaveToStream(ref, "PNG") == zelnor2.rcOK
    return ref.value


def load(data):
    target = zelnor2.CreateObject("Zelnor2.MyCanvas")
    try:
        result = target.LoadFromStream(data, "PNG")
        return result, target.Width, target.Height, target.PixelGet(2, 3)
    finally:
        target.release()


def test_a_ref_value_comes_back_as_bytes(png_bytes):
    assert type(png_bytes) is bytes
    assert png_bytes[:8] == b"\x89PNG\r\n\x1a\n"
    ref = zelnor2.Ref(png_bytes)
    assert bytes(ref) == png_bytes
    with pytest.raises(TypeError):
        bytes(zelnor2.Ref(5))


@pytest.mark.parametrize("wrap", [bytes, bytearray, memoryview, lambda b: numpy.frombuffer(b, dtype=numpy.uint8),
                                  lambda b: array.array("B", b), lambda b: memoryview(bytearray(b)).toreadonly()],
                         ids=["bytes", "bytearray", "memoryview", "numpy", "array", "readonly"])
def test_any_byte_buffer_loads(png_bytes, wrap):
    buffer = wrap(png_bytes)
    assert load(buffer) == (0, 7, 5, 0x123456)
    assert bytes(buffer) == png_bytes, "the call only reads the buffer"


def test_a_strided_buffer_is_copied_and_loads(png_bytes):
    doubled = numpy.zeros(2 * len(png_bytes), dtype=numpy.uint8)
    doubled[::2] = numpy.frombuffer(png_bytes, dtype=numpy.uint8)
    assert not doubled[::2].flags.c_contiguous
    assert load(doubled[::2]) == (0, 7, 5, 0x123456)
    assert load(memoryview(doubled)[::2]) == (0, 7, 5, 0x123456)


def test_a_buffer_lent_to_a_call_keeps_no_hold_afterwards(png_bytes):
    data = bytearray(png_bytes)
    assert load(data)[0] == 0
    data += b"more"  # resizing fails while a view is still exported
    for empty in (b"", bytearray(), memoryview(b"")):
        with pytest.raises(zelnor2.ComError, match="Invalid PNG data"):
            load(empty)


def test_buffers_reach_put_canvas(canvas, png_bytes):
    assert canvas.NewCanvas(10, 10) == 0
    bmp = zelnor2.Ref()
    source = zelnor2.CreateObject("Zelnor2.MyCanvas")
    assert source.NewCanvas(2, 2) == 0
    source.PixelSet(1, 1, 0x00FF00)
    assert source.GetCanvas(bmp, 0, 0, 2, 2) == zelnor2.rcOK
    source.release()
    assert canvas.PutCanvas(memoryview(bytes(bmp)), 3, 3) == zelnor2.rcOK
    assert canvas.PixelGet(4, 4) == 0x00FF00


@pytest.mark.parametrize("wrap", [bytes, bytearray, lambda b: numpy.frombuffer(b, dtype=numpy.uint8)],
                         ids=["bytes", "bytearray", "numpy"])
def test_a_buffer_where_the_member_writes_its_result_is_left_untouched(canvas, wrap):
    """Without a Ref the member's result has nowhere to go: the caller's
    buffer, lent to the call, keeps every byte."""
    assert canvas.NewCanvas(4, 4) == 0
    buffer = wrap(b"original")
    assert canvas.SaveToStream(buffer, "PNG") == zelnor2.rcOK
    assert canvas.GetCanvas(buffer, 0, 0, 2, 2) == zelnor2.rcOK
    assert bytes(buffer) == b"original"


def test_a_name_with_a_nul_names_no_member(canvas):
    canvas.NewCanvas(4, 3)
    with pytest.raises(AttributeError):
        setattr(canvas, "Width\0x", 9)
    with pytest.raises(AttributeError):
        getattr(canvas, "PixelGet\0")
    with pytest.raises(zelnor2.ComError):
        canvas.Stretch(2, 2, **{"HiQ\0x": True})
    assert (canvas.Width, canvas.Height) == (4, 3)

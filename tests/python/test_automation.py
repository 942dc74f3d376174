"""Late-bound calls through the whole chain: ProgID -> registration store ->
module -> class factory -> IDispatch -> the member."""
import pytest
import zelnor2

low = zelnor2.lowlevel
CLSID = low.clsid_from_progid("Zelnor2.MyCanvas")


def test_defaults_and_named_arguments_reach_the_member(canvas):
    assert canvas.NewCanvas(200, 100) == 0  # AddCanvas defaults to 0: remade in place
    assert (canvas.Width, canvas.Height, canvas.UBound) == (200, 100, 0)
    assert canvas.NewCanvas(NewHeight=5, NewWidth=7) == 0
    assert (canvas.Width, canvas.Height) == (7, 5)
    assert canvas.newcanvas(3, addcanvas=2, NEWHEIGHT=4) == 0  # names in any letter case
    assert canvas.UBound == 2
    canvas.CurrentCanvasIndex = 2
    assert (canvas.CurrentCanvasIndex, canvas.Width, canvas.Height) == (2, 3, 4)


def test_put_by_reference_sets_like_a_put(canvas):
    hr, _ = low.invoke(canvas, "Width", low.DISPATCH_PROPERTYPUTREF, 33)
    assert hr == zelnor2.S_OK
    assert canvas.Width == 33
    hr, value = low.invoke(canvas, "Width", low.DISPATCH_PROPERTYGET)
    assert (hr, value) == (zelnor2.S_OK, 33)


def test_arguments_are_converted_to_the_declared_types(canvas):
    assert canvas.NewCanvas("12", 2.5) == 0  # text to number; 2.5 rounds half to even
    assert (canvas.Width, canvas.Height) == (12, 2)
    assert canvas.NewCanvas(zelnor2.Ref(9), 3) == 0  # a reference is read through
    assert canvas.Width == 9
    assert canvas.NewCanvas(1, True) == -1  # True arrives as -1
    assert canvas.NewCanvas(-1, 5) == -1  # reaches the member, which rejects it


def test_failure_is_the_standard_report(canvas):
    with pytest.raises(zelnor2.ComError) as info:
        canvas.PixelFormat = 8
    err = info.value
    assert err.hresult == zelnor2.E_UNEXPECTED
    assert err.source == "Zelnor2.MyCanvas"
    assert err.description == "画像フォーマットが不正です"
    assert canvas.PixelFormat == 6  # still usable, unchanged


@pytest.mark.parametrize(
    "call, hresult",
    [
        (lambda c: c.NewCanvas(1), zelnor2.DISP_E_PARAMNOTOPTIONAL),
        (lambda c: c.NewCanvas(1, 2, 3, 4), zelnor2.DISP_E_BADPARAMCOUNT),
        (lambda c: c.NewCanvas("wide", 2), zelnor2.DISP_E_TYPEMISMATCH),
        (lambda c: c.NewCanvas(2**40, 2), zelnor2.DISP_E_OVERFLOW),
        (lambda c: c.NewCanvas(2**70, 2), zelnor2.DISP_E_OVERFLOW),
        (lambda c: c.NewCanvas(1, 2, Colour=3), zelnor2.DISP_E_UNKNOWNNAME),
        (lambda c: c.NewCanvas(None, 2), zelnor2.S_OK),  # EMPTY converts to 0
        (lambda c: c.NewCanvas(zelnor2.Ref("x"), 2), zelnor2.DISP_E_TYPEMISMATCH),
        (lambda c: c.NewCanvas(b"\x01", 2), zelnor2.DISP_E_TYPEMISMATCH),
        (lambda c: c.NewCanvas((1, 2), 2), zelnor2.DISP_E_TYPEMISMATCH),
        (lambda c: setattr(c, "UBound", 3), zelnor2.DISP_E_MEMBERNOTFOUND),  # read-only
    ],
)
def test_bad_calls_get_the_standard_error_and_the_object_stays_usable(canvas, call, hresult):
    for _ in range(3):
        if hresult == zelnor2.S_OK:
            call(canvas)
        else:
            with pytest.raises(zelnor2.ComError) as info:
                call(canvas)
            assert info.value.hresult == hresult
    assert canvas.NewCanvas(20, 10) == 0
    assert canvas.Width == 20


def test_unknown_member_is_an_attribute_error(canvas):
    with pytest.raises(AttributeError):
        canvas.NoSuchMember
    assert low.invoke(canvas, "NoSuchMember", low.DISPATCH_METHOD)[0] == zelnor2.DISP_E_UNKNOWNNAME
    assert low.invoke(canvas, "Width", low.DISPATCH_PROPERTYGET, 5)[0] == zelnor2.DISP_E_BADPARAMCOUNT
    assert low.invoke(canvas, "Width", low.DISPATCH_METHOD)[0] == zelnor2.DISP_E_MEMBERNOTFOUND


def test_values_cross_as_automation_types():
    assert zelnor2.Ref(b"\x00\xffab").value == b"\x00\xffab"
    assert zelnor2.Ref(("Arial", 3, True, None, b"z")).value == ("Arial", 3, True, None, b"z")
    assert zelnor2.Ref("画像").value == "画像"
    ref = zelnor2.Ref()
    assert ref.value is None
    ref.value = -7
    assert ref.value == -7
    with pytest.raises(TypeError):
        zelnor2.Ref(object())


def test_dispatch_support_interfaces(canvas):
    iid = low.interface_id(canvas)
    assert low.supports_error_info(canvas, iid) == zelnor2.S_OK
    assert low.supports_error_info(canvas, low.IID_IDispatch) == zelnor2.S_OK
    assert low.supports_error_info(canvas, low.IID_IClassFactory) == zelnor2.S_FALSE
    assert low.get_type_info(canvas, 0) == (zelnor2.S_OK, False)
    assert low.get_type_info(canvas, 1) == (zelnor2.DISP_E_BADINDEX, True)
    assert low.query_interface(canvas, low.IID_IProvideClassInfo) == zelnor2.S_OK
    assert low.query_interface(canvas, low.IID_IClassFactory) == zelnor2.E_NOINTERFACE


def test_class_factory_rules(module_path):
    unknown = "{00000000-1111-2222-3333-444444444444}"
    assert low.get_class_object(module_path, unknown, low.IID_IClassFactory) == (
        zelnor2.CLASS_E_CLASSNOTAVAILABLE,
        True,
    )
    assert low.create_aggregated(module_path, CLSID, low.IID_IDispatch) == (zelnor2.CLASS_E_NOAGGREGATION, True)


def test_unload_follows_objects_and_locks(module_path):
    assert low.dll_can_unload_now(module_path) == zelnor2.S_OK
    obj = zelnor2.CreateObject("Zelnor2.MyCanvas")
    assert low.dll_can_unload_now(module_path) == zelnor2.S_FALSE
    assert zelnor2.FreeUnusedLibraries() == 0  # held by the object
    obj.release()
    assert low.lock_server(module_path, CLSID, True) == zelnor2.S_OK
    assert low.dll_can_unload_now(module_path) == zelnor2.S_FALSE
    assert low.lock_server(module_path, CLSID, False) == zelnor2.S_OK
    assert low.dll_can_unload_now(module_path) == zelnor2.S_OK
    assert zelnor2.FreeUnusedLibraries() == 1
    again = zelnor2.CreateObject("Zelnor2.MyCanvas")  # loads the module again
    assert again.NewCanvas(4, 4) == 0
    again.release()


def test_register_then_unregister_leaves_no_entries(module_path, tmp_path, monkeypatch):
    store = tmp_path / "registry"
    monkeypatch.setenv("ZELNOR2_REGISTRY", str(store))
    assert low.dll_register_server(module_path) == zelnor2.S_OK
    text = store.read_text(encoding="utf-8")
    assert f"InprocServer32\t\t{module_path}" in text.replace("\\\\", "\\")
    assert "ThreadingModel\tApartment" in text
    assert low.clsid_from_progid("Zelnor2.MyCanvas") == CLSID
    assert low.dll_unregister_server(module_path) == zelnor2.S_OK
    text = store.read_text(encoding="utf-8")
    assert CLSID not in text and "Zelnor2.MyCanvas" not in text
    with pytest.raises(zelnor2.ComError) as info:
        zelnor2.CreateObject("Zelnor2.MyCanvas")
    assert info.value.hresult == zelnor2.REGDB_E_CLASSNOTREG


def test_members_not_built_fail_through_the_standard_report(canvas):
    # Whatever is built, a call never crashes: it returns or raises ComError.
    for name in ("Reversal", "Dull", "Sharp", "SaveToClipboard"):
        try:
            getattr(canvas, name)()
        except zelnor2.ComError as err:
            assert err.source == "Zelnor2.MyCanvas" and err.description
    assert canvas.NewCanvas(2, 2) == 0


def test_stretch_reports_zero(canvas):
    canvas.NewCanvas(40, 20)
    try:
        assert canvas.Stretch(10, 10) == 0
    except zelnor2.ComError as err:
        pytest.skip(f"Stretch not available yet: {err.description}")


def call_built(call):
    """Runs call; skips the test while the member behind it is not built yet."""
    try:
        return call()
    except zelnor2.ComError as err:
        if "not available in this build" in err.description:
            pytest.skip(err.description)
        raise


def test_omitted_optionals_reach_members_with_their_defaults(canvas):
    canvas.NewCanvas(8, 8)
    canvas.PenColor = canvas.RGBToColor(255, 0, 0)  # P omitted: 0
    canvas.PixelSet(1, 1)  # PColor omitted: -1, the pen colour
    assert canvas.PixelGet(1, 1) == 0x0000FF
    canvas.PixelSet(2, 2, 0)
    assert canvas.PixelGet(2, 2) == 0
    picture = zelnor2.Ref()
    assert canvas.SaveToStream(picture) == 0  # FileType omitted: "JPEG"
    assert picture.value[:3] == b"\xff\xd8\xff"
    assert canvas.FontList() == canvas.FontList(True, True, True)
    # Bytes passed straight to a VARIANT* parameter arrive as the byte array.
    assert call_built(lambda: canvas.LoadFromStream(picture.value)) == 0
    assert (canvas.Width, canvas.Height) == (8, 8)


def test_named_arguments_in_any_order_with_gaps(canvas, tmp_path):
    canvas.NewCanvas(6, 4)
    path = tmp_path / "small.bmp"
    assert canvas.SaveToFile(TY1=0, FileName=str(path)) == 0  # Transparent and TX1 omitted
    assert path.read_bytes()[:2] == b"BM"
    canvas.NewCanvas(20, 20)
    # Cpmode named, X1 and Y1 omitted.
    assert call_built(lambda: canvas.LoadFromFile(Cpmode=0, FileName=str(path), appendload=True)) == 0
    assert canvas.UBound == 0

"""Threads: calls that let other Python threads run, one object shared by
several threads, release from any thread, and settings that belong to the
thread that created the object."""
import threading

import pytest
import zelnor2


def run_threads(count, body):
    """Runs body(index) on `count` threads at once; re-raises the first failure."""
    failures = []
    start = threading.Barrier(count)

    def wrapper(index):
        try:
            start.wait()
            body(index)
        except BaseException as error:  # noqa: BLE001 - handed to the test thread
            failures.append(error)

    threads = [threading.Thread(target=wrapper, args=(i,)) for i in range(count)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    if failures:
        raise failures[0]


def start_long_save(canvas):
    """Starts a PNG save of a large canvas on another thread; returns the
    thread, the Ref the save writes and the list that receives its result."""
    assert canvas.NewCanvas(2500, 2500) == 0
    canvas.PNGCompressionLevel = 9
    ref, results = zelnor2.Ref(), []
    worker = threading.Thread(target=lambda: results.append(canvas.SaveToStream(ref, "PNG")))
    worker.start()
    return worker, ref, results


def wait_until_lent(ref, worker):
    """True once the Ref is seen in use by the running call: this thread ran
    while the other thread's call was inside the component."""
    while worker.is_alive():
        try:
            ref.value
        except RuntimeError:
            return True
    return False


def test_a_call_lets_other_python_threads_run_and_holds_its_ref(canvas):
    worker, ref, results = start_long_save(canvas)
    seen_running = wait_until_lent(ref, worker)
    worker.join()
    assert seen_running, "the interpreter lock was held for the whole call"
    assert results == [zelnor2.rcOK]
    assert bytes(ref)[:8] == b"\x89PNG\r\n\x1a\n"


def test_a_ref_in_use_by_one_call_is_refused_to_another(canvas):
    other = zelnor2.CreateObject("Zelnor2.MyCanvas")
    worker, ref, results = start_long_save(canvas)
    assert wait_until_lent(ref, worker)
    with pytest.raises(RuntimeError, match="in use"):
        other.SaveToStream(ref, "PNG")
    worker.join()
    assert results == [zelnor2.rcOK] and bytes(ref)[:4] == b"\x89PNG"
    other.release()


def test_release_while_another_thread_calls_finishes_that_call(canvas):
    worker, ref, results = start_long_save(canvas)
    assert wait_until_lent(ref, worker)
    canvas.release()  # the running call keeps the object alive until it returns
    worker.join()
    assert results == [zelnor2.rcOK]
    with pytest.raises(ValueError, match="released"):
        canvas.Width


def test_threads_sharing_one_object_run_one_call_after_the_other(canvas):
    appends = 150

    def append(index):
        for _ in range(appends):
            assert canvas.NewCanvas(index + 1, 1, 1) == zelnor2.rcOK
            assert canvas.Width == 0  # canvas 0 stays the current one, empty
            canvas.PixelSet(0, 0, 0)  # on an empty canvas: nothing to change

    run_threads(4, append)
    assert canvas.UBound == 4 * appends
    widths = set()
    for i in range(1, canvas.UBound + 1):
        canvas.CurrentCanvasIndex = i
        widths.add(canvas.Width)
    assert widths == {1, 2, 3, 4}


def test_the_last_reference_may_go_away_on_any_thread():
    shared = zelnor2.CreateObject("Zelnor2.MyCanvas")
    assert shared.NewCanvas(300, 200) == 0
    holders = [shared] * 4
    del shared

    def use_and_drop(index):
        mine = holders[index]
        holders[index] = None
        assert mine.Width == 300
        del mine

    run_threads(4, use_and_drop)
    assert holders == [None] * 4


def jpeg_of(canvas):
    ref = zelnor2.Ref()
    assert canvas.SaveToStream(ref, "JPEG") == zelnor2.rcOK
    return bytes(ref)


def draw_sample(canvas):
    assert canvas.NewCanvas(64, 48) == 0
    canvas.BrushColor = 0x2040C0
    canvas.Circle(30, 24, 20, True)
    canvas.PenColor = 0x10A010
    canvas.Line(0, 0, 63, 47)


def test_one_thread_keeps_one_record_that_every_construction_resets(canvas):
    canvas.JPEGCompressionQuality = 85
    canvas.FontBold = True
    second = zelnor2.CreateObject("Zelnor2.MyCanvas")
    assert canvas.JPEGCompressionQuality == 100, "a construction on this thread resets its record"
    assert canvas.FontBold is False
    second.PNGCompressionLevel = 3
    second.GIFCompressionMode = 1
    assert (canvas.PNGCompressionLevel, canvas.GIFCompressionMode) == (3, 1), "one record per thread"
    second.release()


def test_settings_never_leak_between_threads():
    """One request keeps the JPEG quality it set while another thread keeps
    creating objects (each construction resets only its own thread's record)."""
    reference = zelnor2.CreateObject("Zelnor2.MyCanvas")
    draw_sample(reference)
    reference.JPEGCompressionQuality = 85
    expected = jpeg_of(reference)
    reference.JPEGCompressionQuality = 100
    assert jpeg_of(reference) != expected
    reference.release()
    stop = threading.Event()
    outcomes = []

    def request():
        mine = zelnor2.CreateObject("Zelnor2.MyCanvas")
        draw_sample(mine)
        mine.JPEGCompressionQuality = 85
        outcomes.extend(jpeg_of(mine) == expected for _ in range(60))
        stop.set()

    def constructor():
        while not stop.is_set():
            zelnor2.CreateObject("Zelnor2.MyCanvas").release()

    threads = [threading.Thread(target=constructor), threading.Thread(target=request)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert outcomes == [True] * 60


def test_an_object_keeps_its_creating_threads_record_after_that_thread_ends():
    made = []

    def create():
        obj = zelnor2.CreateObject("Zelnor2.MyCanvas")
        obj.JPEGCompressionQuality = 42
        obj.FontItalic = True
        made.append(obj)

    worker = threading.Thread(target=create)
    worker.start()
    worker.join()
    orphan = made.pop()
    here = zelnor2.CreateObject("Zelnor2.MyCanvas")  # resets this thread's record only
    assert (orphan.JPEGCompressionQuality, orphan.FontItalic) == (42, True)
    here.JPEGCompressionQuality = 7
    assert orphan.JPEGCompressionQuality == 42
    orphan.JPEGCompressionQuality = 55
    assert here.JPEGCompressionQuality == 7
    orphan.release()
    here.release()

'use strict';
// The asynchronous form: calls on libuv's pool, one object's calls in the
// order they were made, the event loop free meanwhile.
const assert = require('node:assert/strict');
const {test} = require('node:test');

const {zelnor2, newCanvas, encode, collectGarbage} = require('./harness');

test('an asynchronous call gives what the synchronous one gives', async () => {
  const canvas = zelnor2.createObject('Zelnor2.MyCanvas');
  const pending = canvas.async.NewCanvas(40, 30);
  assert.ok(pending instanceof Promise);
  assert.equal(await pending, 0);
  assert.equal(await canvas.async.Width, 40);
  assert.equal(await canvas.async.Box(1, 1, 30, 20, {FillFlag: true}), undefined);
  const picture = zelnor2.ref();
  assert.equal(await canvas.async.savetostream(picture, 'PNG'), 0);
  assert.deepEqual(picture.value, encode(canvas, 'PNG'));
  assert.deepEqual(await canvas.async.FontList(), canvas.FontList());
});

test('calls on one object run and settle in the order they were made', async () => {
  const canvas = zelnor2.createObject('Zelnor2.MyCanvas');
  const settled = [];
  const calls = [
    canvas.async.NewCanvas(64, 64),
    canvas.async.PixelSet(3, 3, 0x123456),
    canvas.async.PixelGet(3, 3),
    canvas.async.Stretch(32, 16, {NotThumbMode: true}),
    canvas.async.Width,
    canvas.async.Height,
  ].map((p, i) => p.then((v) => (settled.push(i), v)));
  assert.deepEqual(await Promise.all(calls), [0, undefined, 0x123456, 0, 32, 16]);
  assert.deepEqual(settled, [0, 1, 2, 3, 4, 5]);
});

test('a synchronous call runs after the asynchronous ones made before it', async () => {
  const canvas = newCanvas(10, 10);
  const settled = [];
  const first = canvas.async.NewCanvas(70, 20).then((v) => (settled.push('first'), v));
  const second = canvas.async.Stretch(35, 10, {NotThumbMode: true}).then((v) => (settled.push('second'), v));
  assert.equal(canvas.Width, 35);  // both ran before this read, though nobody awaited them
  canvas.PenColor = 0x0000ff;
  const after = canvas.async.PenColor;
  assert.deepEqual(await Promise.all([first, second, after]), [0, 0, 0x0000ff]);
  assert.deepEqual(settled, ['first', 'second']);
});

test('several objects work at once on the pool while a timer keeps ticking', async () => {
  const objects = [];
  for (let i = 0; i < 4; ++i) {
    const canvas = newCanvas(1200, 900);
    canvas.BrushColor = canvas.RGBToColor(60 * i, 100, 200);
    canvas.Ellipse(10, 10, 1190, 890, true);
    objects.push(canvas);
  }
  let ticks = 0;
  const timer = setInterval(() => ++ticks, 1);
  const results = await Promise.all(
      objects.map(async (canvas, i) => {
        const picture = zelnor2.ref();
        const stretched = await canvas.async.Stretch(2400, 1800, {HiQ: true, NotThumbMode: true});
        const saved = await canvas.async.SaveToStream(picture, 'PNG');
        const check = zelnor2.createObject('Zelnor2.MyCanvas');
        assert.equal(await check.async.LoadFromStream(picture, 'PNG'), 0);
        return [stretched, saved, check.Width, check.Height, check.PixelGet(1200, 900), i];
      }),
  );
  clearInterval(timer);
  results.forEach(([stretched, saved, width, height, centre, i]) => {
    assert.deepEqual([stretched, saved, width, height], [0, 0, 2400, 1800]);
    assert.equal(centre, objects[i].RGBToColor(60 * i, 100, 200));
  });
  // The event loop ran the timer while the pictures were made; a call on the
  // main thread would have held it for the whole time.
  assert.ok(ticks >= 5, `the timer ticked ${ticks} times`);
});

test('failures reject with ComError or TypeError; the queue goes on', async () => {
  const canvas = newCanvas(20, 20);
  const failing = canvas.async.NewCanvas('wide', 10);
  const next = canvas.async.NewCanvas(5, 6);
  await assert.rejects(failing, {name: 'ComError', hresult: zelnor2.DISP_E_TYPEMISMATCH});
  assert.equal(await next, 0);
  await assert.rejects(canvas.async.LoadFromStream(Buffer.from('no picture'), 'JPEG'), {
    source: 'Zelnor2.MyCanvas',
    description: /JPEG/,
  });
  await assert.rejects(canvas.async.PixelGet(Symbol('s'), 1), TypeError);
  await assert.rejects(canvas.async.PixelGet(1, undefined, 3), TypeError);
  assert.throws(() => {
    canvas.async.Width = 3;
  }, TypeError);
  assert.equal(await canvas.async.Width, 5);
});

test('arguments are taken when the call is made, by-reference results come back', async () => {
  const source = newCanvas(30, 20);
  source.PixelSet(2, 2, 0x00ff00);
  const png = Buffer.from(encode(source, 'PNG'));
  const canvas = zelnor2.createObject('Zelnor2.MyCanvas');
  const loading = canvas.async.LoadFromStream(png, 'PNG');
  png.fill(0);  // too late to change what the call reads
  assert.equal(await loading, 0);
  assert.equal(canvas.PixelGet(2, 2), 0x00ff00);

  const picture = zelnor2.ref();
  const saving = canvas.async.SaveToStream(picture, 'BMP');
  assert.equal(picture.value, undefined);  // written back when the call is done
  assert.equal(await saving, 0);
  assert.equal(picture.value.toString('latin1', 0, 2), 'BM');
});

test('release() after queued calls lets them finish, then refuses calls', async () => {
  await collectGarbage();
  const before = zelnor2.liveObjects();
  const canvas = newCanvas(400, 300);
  const stretched = canvas.async.Stretch(800, 600, {HiQ: true, NotThumbMode: true});
  const width = canvas.async.Width;
  canvas.release();
  assert.deepEqual(await Promise.all([stretched, width]), [0, 800]);
  assert.equal(zelnor2.liveObjects(), before);
  await assert.rejects(canvas.async.Width, {hresult: zelnor2.E_UNEXPECTED, description: /released/});
  assert.throws(() => canvas.PixelGet(0, 0), /released/);
});

test('an object dropped with calls still queued finishes them, then goes', async () => {
  await collectGarbage();
  const before = zelnor2.liveObjects();
  const pending = (() => {
    const canvas = newCanvas(300, 300);
    return [canvas.async.Stretch(600, 600, {HiQ: true}), canvas.async.Width];
  })();
  await collectGarbage();  // the calls hold the object, not the script
  assert.deepEqual(await Promise.all(pending), [0, 600]);
  await collectGarbage();
  assert.equal(zelnor2.liveObjects(), before);
});

test('worker threads load the module each for themselves; ending one mid-call harms nobody', async () => {
  const {Worker} = require('node:worker_threads');
  const {PACKAGE} = require('./harness');
  const source = `
    const zelnor2 = require(${JSON.stringify(PACKAGE)});
    const {parentPort, workerData} = require('node:worker_threads');
    (async () => {
      const canvas = zelnor2.createObject('Zelnor2.MyCanvas');
      await canvas.async.NewCanvas(workerData.width, 20);
      const picture = zelnor2.ref();
      await canvas.async.SaveToStream(picture, 'PNG');
      let hresult = 0;
      try {
        canvas.NewCanvas('wide', 1);
      } catch (e) {
        if (e instanceof zelnor2.ComError) hresult = e.hresult;
      }
      parentPort.postMessage({width: canvas.Width, png: picture.value.toString('latin1', 1, 4), hresult});
      if (workerData.busy) {
        for (let i = 0; i < 4; ++i) canvas.async.Stretch(1600, 1200, {HiQ: true, NotThumbMode: true});
        parentPort.postMessage('busy');
      }
    })();`;
  const start = (width, busy) => new Worker(source, {eval: true, workerData: {width, busy}});
  const message = (worker, wanted = () => true) => new Promise((resolve, reject) => {
    worker.on('message', (m) => wanted(m) && resolve(m));
    worker.once('error', reject);
  });
  const replies = await Promise.all([message(start(31, false)), message(start(47, false))]);
  const expected = (width) => ({width, png: 'PNG', hresult: zelnor2.DISP_E_TYPEMISMATCH});
  assert.deepEqual(replies, [expected(31), expected(47)]);

  // A worker stopped while its calls are queued or running on the pool.
  const busy = start(800, true);
  await message(busy, (m) => m === 'busy');
  assert.equal(await busy.terminate(), 1);
  const canvas = newCanvas(30, 30);  // the main thread goes on
  assert.equal(await canvas.async.Stretch(60, 60), 0);
  assert.equal(canvas.Width, 60);
});

test('codec settings made on the main thread reach a save on the pool', async () => {
  const canvas = newCanvas(120, 90);
  canvas.BrushColor = 0x2040c0;
  canvas.Ellipse(5, 5, 115, 85, true);
  canvas.StringWrite(10, 40, 'quality');
  const best = encode(canvas, 'JPEG');
  canvas.JPEGCompressionQuality = 10;
  const low = encode(canvas, 'JPEG');
  assert.ok(low.length < best.length);
  const picture = zelnor2.ref();
  assert.equal(await canvas.async.SaveToStream(picture, 'JPEG'), 0);
  assert.deepEqual(picture.value, low);
  canvas.JPEGCompressionQuality = 100;
  assert.equal(await canvas.async.SaveToStream(picture, 'JPEG'), 0);
  assert.deepEqual(picture.value, best);
});

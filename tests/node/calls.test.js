'use strict';
// Calls by name from Node.js: the typical request, named and by-reference
// arguments, values both ways, failures, release.
const assert = require('node:assert/strict');
const {test} = require('node:test');

const {zelnor2, newCanvas, encode, collectGarbage} = require('./harness');

const GIF = Buffer.from('GIF8');
const PNG = Buffer.from([0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a]);

test('the typical request: draw, write, fit into a box, save as GIF, release', () => {
  const canvas = zelnor2.createObject('Zelnor2.MyCanvas');
  assert.equal(canvas.NewCanvas(200, 100), 0);
  canvas.PenColor = canvas.RGBToColor(255, 0, 0);
  assert.equal(canvas.PenColor, 0x0000ff);
  assert.equal(canvas.Box(10, 10, 190, 90), undefined);  // a drawing member returns nothing
  assert.equal(canvas.PixelGet(10, 50), 0x0000ff);
  canvas.FontSize = 12;
  canvas.StringWrite(20, 40, 'Hello');
  assert.equal(canvas.Stretch(100, 100, {HiQ: true}), 0);
  assert.deepEqual([canvas.Width, canvas.Height], [100, 100]);
  const picture = zelnor2.ref();
  assert.equal(canvas.SaveToStream(picture, 'GIF'), 0);
  assert.ok(Buffer.isBuffer(picture.value));
  assert.deepEqual(picture.value.subarray(0, 4), GIF);
  canvas.release();

  const check = zelnor2.createObject('Zelnor2.MyCanvas');
  assert.equal(check.LoadFromStream(picture.value, 'GIF'), 0);
  assert.deepEqual([check.Width, check.Height], [100, 100]);
});

test('member and argument names in any letter case, named arguments in any order', () => {
  const canvas = zelnor2.createObject('Zelnor2.MyCanvas');
  assert.equal(canvas.newcanvas({NEWHEIGHT: 20, newWidth: 30}), 0);
  assert.deepEqual([canvas.WIDTH, canvas.height], [30, 20]);
  canvas.pencolor = 0x00ff00;
  assert.equal(canvas.PenColor, 0x00ff00);
  assert.ok('SaveToStream' in canvas && 'savetostream' in canvas && !('NoSuchMember' in canvas));

  // A named HiQ reaches its parameter: the same pixels as passing it by
  // position, other pixels than leaving it to its default.
  const draw = () => {
    const c = newCanvas(64, 48);
    c.BrushColor = 0x3366cc;
    c.Ellipse(5, 5, 60, 44, true);
    c.Line(0, 0, 63, 47);
    return c;
  };
  const named = draw();
  named.Stretch(37, 29, {notthumbmode: true, HiQ: true});
  const positional = draw();
  positional.Stretch(37, 29, true, true);
  const fast = draw();
  fast.Stretch(37, 29, {NotThumbMode: true});
  assert.equal(named.Width, 37);
  assert.deepEqual(encode(named, 'BMP'), encode(positional, 'BMP'));
  assert.notDeepEqual(encode(named, 'BMP'), encode(fast, 'BMP'));

  assert.throws(() => canvas.Stretch(10, 10, {Bogus: 1}), {
    name: 'ComError',
    hresult: zelnor2.DISP_E_UNKNOWNNAME,
    description: 'Stretch has no parameter \'Bogus\'',
  });
});

test('undefined arguments leave their parameters to the defaults', () => {
  const canvas = newCanvas(16, 16);
  const picture = zelnor2.ref();
  // FileType is skipped: the default "JPEG", not an empty type word.
  assert.equal(canvas.SaveToStream(picture, undefined, false), 0);
  assert.deepEqual([...picture.value.subarray(0, 2)], [0xff, 0xd8]);
  assert.equal(canvas.SaveToStream(picture, 'PNG', undefined, undefined), 0);  // trailing ones dropped
  assert.deepEqual(picture.value.subarray(0, 8), PNG);
  assert.equal(canvas.SaveToStream(picture, ''), -3);  // an empty type word is not the default
  assert.throws(
      () => canvas.SaveToStream(picture, undefined, false, {transparent: true}), /both by position/);
  assert.throws(() => canvas.PixelGet(1, undefined, 3), /at most 2 arguments/);
});

test('by-reference arguments: replaced by the member, by position or by name', () => {
  const canvas = newCanvas(40, 30);
  canvas.PixelSet(3, 4, 0x123456);
  const picture = zelnor2.ref('an old value');
  assert.equal(canvas.SaveToStream(picture, 'PNG'), 0);
  assert.deepEqual(picture.value.subarray(0, 8), PNG);
  assert.equal(canvas.SaveToStream({filetype: 'GIF', ToVar: picture}), 0);
  assert.deepEqual(picture.value.subarray(0, 4), GIF);

  const pixels = new zelnor2.Ref();
  assert.equal(canvas.GetCanvas(pixels, 0, 0, 10, 10), 0);
  assert.equal(pixels.value.toString('latin1', 0, 2), 'BM');
  const other = newCanvas(5, 5);
  assert.equal(other.PutCanvas(pixels, 0, 0), 0);  // a Ref's value goes in too
  assert.equal(other.PixelGet(3, 4), 0x123456);
});

test('strings cross intact both ways, Japanese and beyond the basic plane too', () => {
  const canvas = newCanvas(300, 60);
  for (const name of ['IPAゴシック', 'A😀B', 'DejaVu Sans']) {
    canvas.FontName = name;
    assert.equal(canvas.FontName, name);
  }
  canvas.FontSize = 20;
  assert.ok(canvas.StringWidth('日本語') > canvas.StringWidth('日'));
  const fonts = canvas.FontList();
  assert.ok(Array.isArray(fonts) && fonts.length > 0);
  assert.ok(fonts.every((f) => typeof f === 'string' && f.length > 0));
  assert.deepEqual(canvas.FontList({SortFlag: true}), [...fonts]);
});

test('byte arrays in from Buffers, typed arrays, ArrayBuffers and views; out as Buffers', () => {
  const source = newCanvas(30, 20);
  source.PixelSet(3, 4, 0x0000ff);
  const png = encode(source, 'PNG');
  const inputs = {
    Buffer: png,
    Uint8Array: new Uint8Array(png),
    ArrayBuffer: new Uint8Array(png).buffer,
    DataView: new DataView(new Uint8Array(png).buffer),
  };
  // A view into the middle of a larger buffer carries only its own bytes.
  const larger = Buffer.alloc(png.length + 11, 0xee);
  png.copy(larger, 5);
  inputs['view with an offset'] = larger.subarray(5, 5 + png.length);
  for (const [kind, bytes] of Object.entries(inputs)) {
    const canvas = zelnor2.createObject('Zelnor2.MyCanvas');
    assert.equal(canvas.LoadFromStream(bytes, 'PNG'), 0, kind);
    assert.deepEqual([canvas.Width, canvas.PixelGet(3, 4)], [30, 0x0000ff], kind);
  }
  const canvas = zelnor2.createObject('Zelnor2.MyCanvas');
  assert.equal(canvas.LoadFromStream('not a byte array', 'PNG'), -2);
  // An empty Buffer is an empty byte array, not a missing one: the decoder says so.
  assert.throws(() => canvas.LoadFromStream(Buffer.alloc(0), 'PNG'), {source: 'Zelnor2.MyCanvas'});
  assert.throws(() => canvas.LoadFromStream(new Int16Array(8), 'PNG'), /Int16Array has no automation form/);
});

test('numbers: whole ones are integers, BigInts too, the rest reals the member converts', () => {
  const canvas = newCanvas(20, 20);
  canvas.PixelSet(3, 4, 0xabcdef);
  assert.equal(canvas.PixelGet(3n, 4n), 0xabcdef);
  assert.equal(canvas.PixelGet(3.0, 4.4), 0xabcdef);  // a real rounds to the nearest integer
  assert.equal(canvas.RGBToColor(1, 2, 3), 0x030201);
  canvas.FontBold = 1;  // any non-zero number is true
  assert.equal(canvas.FontBold, true);
  assert.throws(() => canvas.NewCanvas(2 ** 40, 10), {hresult: zelnor2.DISP_E_OVERFLOW});
  assert.throws(() => canvas.NewCanvas(2n ** 70n, 10), RangeError);
  assert.throws(() => canvas.NewCanvas(NaN, 10), zelnor2.ComError);
  assert.equal(canvas.Width, 20);
});

test('failures throw ComError with hresult, source and description; the object stays usable', () => {
  const canvas = newCanvas(20, 20);
  const failure = (fn) => {
    try {
      fn();
    } catch (e) {
      return e;
    }
    assert.fail('no exception');
  };
  let e = failure(() => {
    canvas.PixelFormat = 8;
  });
  assert.ok(e instanceof zelnor2.ComError && e instanceof Error);
  assert.equal(e.name, 'ComError');
  assert.equal(e.hresult, zelnor2.E_UNEXPECTED);
  assert.equal(e.source, 'Zelnor2.MyCanvas');
  assert.equal(e.description, '画像フォーマットが不正です');
  assert.equal(e.message, 'Zelnor2.MyCanvas: 画像フォーマットが不正です (hresult 0x8000FFFF)');

  e = failure(() => canvas.LoadFromStream(Buffer.from('garbage garbage'), 'PNG'));
  assert.equal(e.source, 'Zelnor2.MyCanvas');
  assert.match(e.description, /PNG/);
  assert.throws(
      () => canvas.NewCanvas('wide', 10), {hresult: zelnor2.DISP_E_TYPEMISMATCH, message: /argument 1/});
  assert.throws(() => canvas.NewCanvas(), {hresult: zelnor2.DISP_E_PARAMNOTOPTIONAL});
  assert.throws(() => {
    canvas.NoSuchMember = 1;
  }, {hresult: zelnor2.DISP_E_UNKNOWNNAME});
  assert.throws(() => {
    canvas.UBound = 1;  // read-only
  }, {hresult: zelnor2.DISP_E_MEMBERNOTFOUND});
  // A name holding a NUL is not the name before it.
  assert.throws(() => {
    canvas['Width\0x'] = 3;
  }, {hresult: zelnor2.DISP_E_UNKNOWNNAME});
  assert.throws(() => canvas.Stretch(5, 5, {'HiQ\0x': true}), {hresult: zelnor2.DISP_E_UNKNOWNNAME});
  assert.equal(canvas.Width, 20);
  assert.equal(canvas.NoSuchMember, undefined);
  assert.throws(() => zelnor2.createObject('Nobody.Nothing'), {
    name: 'ComError',
    hresult: zelnor2.REGDB_E_CLASSNOTREG,
    description: 'invalid class string "Nobody.Nothing" (not registered)',
  });
  assert.equal(canvas.NewCanvas(7, 7), 0);
  assert.equal(canvas.Width, 7);
});

test('values with no automation form are TypeErrors, raised before the member runs', () => {
  const canvas = newCanvas(20, 20);
  const cyclic = [1];
  cyclic.push(cyclic);
  for (const value of [() => 1, Symbol('s'), cyclic, new Map(), new Date(), [zelnor2.ref(1)]])
    assert.throws(() => canvas.PixelSet(1, 1, value), TypeError);
  assert.throws(() => canvas.PixelSet({X1: 1}, 1), TypeError);  // an object of named arguments comes last
  assert.throws(() => zelnor2.createObject(42), TypeError);
  assert.equal(canvas.PixelGet(1, 1), 0xffffff);  // nothing was drawn
});

test('release() lets the object go at once; garbage collection lets go of dropped ones', async () => {
  await collectGarbage();
  const before = zelnor2.liveObjects();
  const canvas = newCanvas(10, 10);
  assert.equal(zelnor2.liveObjects(), before + 1);
  canvas.release();
  assert.equal(zelnor2.liveObjects(), before);
  assert.throws(
      () => canvas.Width, {hresult: zelnor2.E_UNEXPECTED, description: 'the object has been released'});
  assert.throws(() => canvas.Box(1, 1, 2, 2), /released/);
  canvas.release();  // twice is harmless

  (() => {
    for (let i = 0; i < 20; ++i) newCanvas(300, 300).Ellipse(0, 0, 299, 299, true);
  })();
  assert.equal(zelnor2.liveObjects(), before + 20);
  await collectGarbage();
  assert.equal(zelnor2.liveObjects(), before);
});

test('members() describes the interface from its type information', () => {
  const canvas = zelnor2.createObject('Zelnor2.MyCanvas');
  const list = zelnor2.members(canvas);
  const byName = new Map(list.map((m) => [m.name, m]));
  assert.equal(byName.size, list.length);
  assert.deepEqual(byName.get('SaveToStream'), {
    name: 'SaveToStream',
    kind: 'method',
    parameters: ['ToVar', 'FileType', 'Transparent', 'TX1', 'TY1'],
  });
  assert.deepEqual(byName.get('Width'), {name: 'Width', kind: 'property', readable: true, writable: true});
  assert.deepEqual(byName.get('UBound'), {name: 'UBound', kind: 'property', readable: true, writable: false});
  assert.equal(
      list.filter((m) => m.kind === 'method').length + 2 * list.filter((m) => m.writable).length +
          list.filter((m) => m.kind === 'property' && !m.writable).length,
      85);
  assert.throws(() => zelnor2.members({}), TypeError);
});

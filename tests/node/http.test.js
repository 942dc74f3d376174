'use strict';
// A small web server on the standard library alone, serving a chart and
// thumbnails with the component's asynchronous calls, and requests to it on
// the loopback address.
const assert = require('node:assert/strict');
const http = require('node:http');
const {after, before, test} = require('node:test');

const {zelnor2, newCanvas, encode} = require('./harness');

const TYPES = {
  'image/jpeg': 'JPEG',
  'image/png': 'PNG',
  'image/gif': 'GIF',
  'image/bmp': 'BMP'
};
const LIMIT = 8 << 20;  // the largest upload taken

function readBody(request) {
  return new Promise((resolve, reject) => {
    const chunks = [];
    let size = 0;
    request.on('data', (chunk) => {
      size += chunk.length;
      if (size > LIMIT)
        reject(Object.assign(new Error('upload too large'), {status: 413}));
      else
        chunks.push(chunk);
    });
    request.on('end', () => resolve(Buffer.concat(chunks)));
    request.on('error', reject);
  });
}

// GET /chart.png?values=3,7,2: a bar chart.
async function chart(url) {
  const values = (url.searchParams.get('values') || '').split(',').map(Number);
  if (values.length === 0 || values.length > 50 || !values.every((v) => Number.isFinite(v) && v >= 0))
    return [400, 'text/plain', 'values: up to 50 numbers, none negative'];
  const canvas = zelnor2.createObject('Zelnor2.MyCanvas');
  try {
    const width = 40 * values.length + 20;
    await canvas.async.NewCanvas(width, 220);
    const top = Math.max(...values) || 1;
    for (const [i, v] of values.entries()) {
      canvas.BrushColor = canvas.RGBToColor(40, 90 + 30 * (i % 5), 200);
      await canvas.async.Box(20 + 40 * i, 200 - Math.round((180 * v) / top), 50 + 40 * i, 200, true);
      canvas.FontSize = 9;
      await canvas.async.StringWrite(22 + 40 * i, 203, String(v));
    }
    const picture = zelnor2.ref();
    await canvas.async.SaveToStream(picture, 'PNG');
    return [200, 'image/png', picture.value];
  } finally {
    canvas.release();
  }
}

// POST /thumbnail with a picture: a 160 x 160 JPEG of it.
async function thumbnail(request) {
  const type = TYPES[request.headers['content-type']];
  if (!type) return [415, 'text/plain', `send one of ${Object.keys(TYPES).join(', ')}`];
  const body = await readBody(request);
  const canvas = zelnor2.createObject('Zelnor2.MyCanvas');
  try {
    const loaded = await canvas.async.LoadFromStream(body, type);
    if (loaded !== 0) return [400, 'text/plain', `the picture cannot be read (result ${loaded})`];
    await canvas.async.Stretch(160, 160, {HiQ: true});
    const picture = zelnor2.ref();
    await canvas.async.SaveToStream(picture, 'JPEG');
    return [200, 'image/jpeg', picture.value];
  } catch (e) {
    if (e instanceof zelnor2.ComError) return [400, 'text/plain; charset=utf-8', e.description];
    throw e;
  } finally {
    canvas.release();
  }
}

async function handle(request, response) {
  let status = 404, type = 'text/plain', body = 'not found';
  try {
    const url = new URL(request.url, 'http://localhost');
    if (request.method === 'GET' && url.pathname === '/chart.png') [status, type, body] = await chart(url);
    if (request.method === 'POST' && url.pathname === '/thumbnail')
      [status, type, body] = await thumbnail(request);
  } catch (e) {
    [status, type, body] = [e.status || 500, 'text/plain', e.message];
  }
  response.writeHead(status, {'content-type': type, 'content-length': Buffer.byteLength(body)});
  response.end(body);
}

let server;
let port;
before(async () => {
  server = http.createServer((request, response) => void handle(request, response));
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  port = server.address().port;
});
after(() => new Promise((resolve) => server.close(resolve)));

function request(method, path, {body, type} = {}) {
  return new Promise((resolve, reject) => {
    const headers = type ? {'content-type': type} : {};
    const req = http.request({host: '127.0.0.1', port, method, path, headers}, (res) => {
      const chunks = [];
      res.on('data', (c) => chunks.push(c));
      res.on(
          'end',
          () => resolve(
              {status: res.statusCode, type: res.headers['content-type'], body: Buffer.concat(chunks)}));
    });
    req.setTimeout(60000, () => req.destroy(new Error(`${method} ${path} timed out`)));
    req.on('error', reject);
    req.end(body);
  });
}

function picture(bytes, type) {
  const canvas = zelnor2.createObject('Zelnor2.MyCanvas');
  assert.equal(canvas.LoadFromStream(bytes, type), 0);
  return canvas;
}

function photo(width, height) {
  const canvas = newCanvas(width, height);
  canvas.BrushColor = 0x2080f0;
  canvas.Ellipse(0, 0, width, height, true);
  return encode(canvas, 'JPEG');
}

test('the chart comes as a PNG of the right size', async () => {
  const res = await request('GET', '/chart.png?values=3,7,2,9');
  assert.equal(res.status, 200);
  assert.equal(res.type, 'image/png');
  const chart = picture(res.body, 'PNG');
  assert.deepEqual([chart.Width, chart.Height], [180, 220]);
  assert.equal(chart.PixelGet(155, 150), chart.RGBToColor(40, 180, 200));  // inside the tallest bar
  assert.equal((await request('GET', '/chart.png?values=1,-2')).status, 400);
});

test('an uploaded photo comes back as a 160 x 160 JPEG thumbnail', async () => {
  const res = await request('POST', '/thumbnail', {body: photo(640, 480), type: 'image/jpeg'});
  assert.equal(res.status, 200);
  assert.equal(res.type, 'image/jpeg');
  const thumb = picture(res.body, 'JPEG');
  assert.deepEqual([thumb.Width, thumb.Height], [160, 160]);
});

test('a bad upload is answered 400 with the component\'s message', async () => {
  const res =
      await request('POST', '/thumbnail', {body: Buffer.from('not a picture at all'), type: 'image/png'});
  assert.equal(res.status, 400);
  assert.match(res.body.toString(), /PNG/);
  assert.equal((await request('POST', '/thumbnail', {body: 'x', type: 'text/plain'})).status, 415);
  assert.equal((await request('GET', '/elsewhere')).status, 404);
});

test('requests at the same time are all answered right', async () => {
  const jpeg = photo(800, 400);
  const requests = [];
  for (let i = 0; i < 6; ++i) {
    requests.push(request('GET', `/chart.png?values=${i + 1},${i + 2}`));
    requests.push(request('POST', '/thumbnail', {body: jpeg, type: 'image/jpeg'}));
  }
  const responses = await Promise.all(requests);
  responses.forEach((res, i) => {
    assert.equal(res.status, 200, `request ${i}`);
    const got = picture(res.body, i % 2 ? 'JPEG' : 'PNG');
    assert.deepEqual([got.Width, got.Height], i % 2 ? [160, 160] : [100, 220]);
  });
});

'use strict';
// The cost of calls from Node.js next to the same from Python, in one run:
// one late-bound call (PixelGet), and the thumbnail request (a 1024 x 768
// JPEG upload loaded, fitted into 160 x 160 with the high-quality resampler,
// saved as JPEG) on a fresh object each time.  Node runs it synchronously,
// through the asynchronous form one at a time, and four requests at once;
// Python (bench/node_compare_python.py, Debian's interpreter) synchronously
// on the same JPEG bytes.
//
// With --instructions, each language's synchronous PixelGet and thumbnail
// request are counted in instructions instead, under valgrind's callgrind:
// two runs of a loop that differ only in its count, so that start-up cancels
// out.  Counts do not move with the load other programs put on the machine.
//
// Usage: node bench/node_compare.js [BUILD_DIR] [--instructions]   (default build/)
const {execFileSync, spawnSync} = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');

const options = process.argv.slice(2);
const build = path.resolve(options.find((o) => !o.startsWith('--')) || 'build');
const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'zelnor2-bench-'));
process.on('exit', () => fs.rmSync(scratch, {recursive: true, force: true}));
process.env.ZELNOR2_REGISTRY = path.join(scratch, 'registry');
execFileSync(
    path.join(build, 'bin', 'zelnor2'), ['register', fs.realpathSync(path.join(build, 'lib', 'Zelnor2.so'))]);
const zelnor2 = require(path.join(build, 'node', 'zelnor2'));

// The upload: shapes and text over a colour ramp, so that the JPEG has detail.
function makeUpload() {
  const canvas = zelnor2.createObject('Zelnor2.MyCanvas');
  canvas.NewCanvas(1024, 768);
  for (let y = 0; y < 768; y += 8) {
    canvas.PenColor = canvas.RGBToColor(y / 3, 255 - y / 3, 128);
    canvas.BrushColor = canvas.PenColor;
    canvas.Box(0, y, 1024, y + 8, true);
  }
  canvas.BrushColor = canvas.RGBToColor(250, 200, 40);
  for (let i = 0; i < 12; ++i) canvas.Ellipse(80 * i, 60 * i, 80 * i + 200, 60 * i + 150, true);
  canvas.FontSize = 40;
  canvas.StringWrite(100, 340, 'Zelnor2 thumbnail');
  const picture = zelnor2.ref();
  canvas.SaveToStream(picture, 'JPEG');
  canvas.release();
  return picture.value;
}

function thumbnail(upload) {
  const canvas = zelnor2.createObject('Zelnor2.MyCanvas');
  canvas.LoadFromStream(upload, 'JPEG');
  canvas.Stretch(160, 160, {HiQ: true});
  const picture = zelnor2.ref();
  canvas.SaveToStream(picture, 'JPEG');
  canvas.release();
  return picture.value;
}

async function thumbnailAsync(upload) {
  const canvas = zelnor2.createObject('Zelnor2.MyCanvas');
  await canvas.async.LoadFromStream(upload, 'JPEG');
  await canvas.async.Stretch(160, 160, {HiQ: true});
  const picture = zelnor2.ref();
  await canvas.async.SaveToStream(picture, 'JPEG');
  canvas.release();
  return picture.value;
}

// The best of three rounds of `runs` runs: wall and CPU time per run, in ns.
async function measure(runs, body) {
  let wall = Infinity;
  let cpu = Infinity;
  for (let round = 0; round < 3; ++round) {
    const startCpu = process.cpuUsage();
    const start = process.hrtime.bigint();
    await body(runs);
    const elapsed = Number(process.hrtime.bigint() - start);
    const used = process.cpuUsage(startCpu);
    wall = Math.min(wall, elapsed / runs);
    cpu = Math.min(cpu, ((used.user + used.system) * 1000) / runs);
  }
  return {wall, cpu};
}

// One loop for the instruction counts: `count` runs of one call.
function loop(what, count, upload) {
  const canvas = zelnor2.createObject('Zelnor2.MyCanvas');
  canvas.NewCanvas(16, 16);
  for (let i = 0; i < count; ++i) what === 'pixelget' ? canvas.PixelGet(3, 4) : thumbnail(upload);
}

// Instructions per run of `what` in `command` (which takes the loop count
// last): callgrind's totals for two counts, their difference per run.
function instructions(command, what, counts) {
  const total = (count) => {
    const run = spawnSync(
        'valgrind',
        [
          '--tool=callgrind', '--callgrind-out-file=/dev/null', '--smc-check=all-non-file', ...command, what,
          String(count)
        ],
        {encoding: 'utf8'});
    const found = /refs:\s+([\d,]+)/.exec(run.stderr);
    if (run.status !== 0 || !found) throw new Error(`valgrind ${command.join(' ')} failed:\n${run.stderr}`);
    return Number(found[1].replace(/,/g, ''));
  };
  return (total(counts[1]) - total(counts[0])) / (counts[1] - counts[0]);
}

function countInstructions(uploadFile) {
  if (spawnSync('valgrind', ['--version']).status !== 0) throw new Error('--instructions needs valgrind');
  const node = [process.execPath, __filename, build, '--loop', uploadFile];
  const python =
      ['/usr/bin/python3', path.join(__dirname, 'node_compare_python.py'), build, uploadFile, '--loop'];
  console.log('language  what                  instructions per call');
  for (const [language, command] of [['Node', node], ['Python', python]]) {
    for (const [what, label, counts] of [
             ['pixelget', 'PixelGet(3, 4)', [20000, 60000]], ['thumbnail', 'thumbnail request', [2, 6]]]) {
      const per = instructions(command, what, counts);
      console.log(
          `${language.padEnd(9)} ${label.padEnd(21)} ${Math.round(per).toLocaleString('en').padStart(14)}`);
    }
  }
}

async function main() {
  const at = options.indexOf('--loop');
  if (at >= 0) {  // one loop under valgrind: --loop UPLOAD WHAT COUNT
    const [uploadFile, what, count] = options.slice(at + 1);
    return loop(what, Number(count), fs.readFileSync(uploadFile));
  }
  const upload = makeUpload();
  const uploadFile = path.join(scratch, 'upload.jpg');
  fs.writeFileSync(uploadFile, upload);
  if (options.includes('--instructions')) return countInstructions(uploadFile);
  const canvas = zelnor2.createObject('Zelnor2.MyCanvas');
  canvas.NewCanvas(16, 16);
  const rows = [];
  const add = (language, what, m, unit) => rows.push({language, what, ...m, unit});

  add('Node', 'PixelGet(3, 4)', await measure(200000, (n) => {
        for (let i = 0; i < n; ++i) canvas.PixelGet(3, 4);
      }), 'ns');
  add('Node', 'PixelGet(3, 4) async, awaited', await measure(20000, async (n) => {
        for (let i = 0; i < n; ++i) await canvas.async.PixelGet(3, 4);
      }), 'ns');
  add('Node', 'thumbnail request', await measure(30, (n) => {
        for (let i = 0; i < n; ++i) thumbnail(upload);
      }), 'ms');
  add('Node', 'thumbnail request async, awaited', await measure(30, async (n) => {
        for (let i = 0; i < n; ++i) await thumbnailAsync(upload);
      }), 'ms');
  add('Node', 'thumbnail request async, 4 at once', await measure(32, async (n) => {
        const workers = Array.from({length: 4}, async () => {
          for (let i = 0; i < n / 4; ++i) await thumbnailAsync(upload);
        });
        await Promise.all(workers);
      }), 'ms');

  const python =
      execFileSync('/usr/bin/python3', [path.join(__dirname, 'node_compare_python.py'), build, uploadFile], {
        encoding: 'utf8',
      });
  for (const row of JSON.parse(python)) rows.push(row);

  console.log(`${os.cpus().length} cores, load ${os.loadavg()[0].toFixed(2)}, node ${process.version}`);
  console.log('language  what                                    wall per call   CPU per call');
  for (const r of rows) {
    const scale = r.unit === 'ms' ? 1e6 : 1;
    const f = (v) => `${(v / scale).toFixed(r.unit === 'ms' ? 2 : 0)} ${r.unit}`.padStart(12);
    console.log(`${r.language.padEnd(9)} ${r.what.padEnd(38)} ${f(r.wall)}   ${f(r.cpu)}`);
  }
}

main();

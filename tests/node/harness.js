'use strict';
// Shared set-up of the Node.js tests: they drive the component by name
// through the zelnor2 module, exactly as a script does.
//
// The build tree is $ZELNOR2_BUILD_DIR or build/ at the top of the project;
// the module is the package the build lays out in build/node/zelnor2.  The
// built Zelnor2.so is registered into a private registration store (a
// temporary file named by ZELNOR2_REGISTRY), never the user's own.
const {execFileSync} = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const v8 = require('v8');
const vm = require('vm');

const ROOT = path.resolve(__dirname, '..', '..');
const BUILD = path.resolve(process.env.ZELNOR2_BUILD_DIR || path.join(ROOT, 'build'));
const PACKAGE = path.join(BUILD, 'node', 'zelnor2');
const MODULE = path.join(BUILD, 'lib', 'Zelnor2.so');
const CLI = path.join(BUILD, 'bin', 'zelnor2');

for (const [file, what] of [
         [MODULE, 'the component module'],
         [CLI, 'the zelnor2 command'],
         [path.join(PACKAGE, 'build', 'Release', 'zelnor2.node'), 'the Node.js addon'],
]) {
  if (!fs.existsSync(file)) throw new Error(`${what} is not built (${file}): run scripts/build first`);
}

const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'zelnor2-node-'));
process.on('exit', () => fs.rmSync(scratch, {recursive: true, force: true}));
process.env.ZELNOR2_REGISTRY = path.join(scratch, 'registry');
execFileSync(CLI, ['register', fs.realpathSync(MODULE)], {stdio: 'pipe'});

const zelnor2 = require(PACKAGE);

// A fresh object with a white canvas of the given size.
function newCanvas(width = 200, height = 100) {
  const canvas = zelnor2.createObject('Zelnor2.MyCanvas');
  if (canvas.NewCanvas(width, height) !== 0) throw new Error('NewCanvas failed');
  return canvas;
}

// The encoded picture of a canvas, as SaveToStream gives it.
function encode(canvas, type) {
  const picture = zelnor2.ref();
  const result = canvas.SaveToStream(picture, type);
  if (result !== 0) throw new Error(`SaveToStream ${type} returned ${result}`);
  return picture.value;
}

// Full garbage collections, with a turn of the event loop between them so
// that finalisers deferred to it run too.
v8.setFlagsFromString('--expose-gc');
const gc = vm.runInNewContext('gc');
async function collectGarbage() {
  for (let i = 0; i < 4; ++i) {
    gc();
    await new Promise((resolve) => setImmediate(resolve));
  }
}

module.exports = {
  ROOT,
  BUILD,
  PACKAGE,
  CLI,
  scratch,
  zelnor2,
  newCanvas,
  encode,
  collectGarbage
};

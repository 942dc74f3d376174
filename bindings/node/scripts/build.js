'use strict';
// The package's install step: builds the addon with node-gyp against the
// installed component, which pkg-config finds (zelnor2.pc, installed with
// the component's C++ client).  node-gyp takes Node's headers from beside the
// running node when they are there, so nothing is downloaded.
const {spawnSync} = require('child_process');
const fs = require('fs');
const path = require('path');

function fail(message) {
  console.error(`zelnor2: ${message}`);
  process.exit(1);
}

const found = spawnSync('pkg-config', ['--exists', '--print-errors', 'zelnor2'], {encoding: 'utf8'});
if (found.error) fail('pkg-config is not installed; it finds the installed component (zelnor2.pc)');
if (found.status !== 0) {
  fail(
      'pkg-config finds no installed component (zelnor2.pc): install Zelnor2, or name its folder with ' +
          `PKG_CONFIG_PATH=PREFIX/lib/pkgconfig\n${found.stderr.trim()}`,
  );
}

function nodeGyp() {
  if (process.env.npm_config_node_gyp) return process.env.npm_config_node_gyp;  // npm's own
  for (const candidate of ['node-gyp/bin/node-gyp.js', 'npm/node_modules/node-gyp/bin/node-gyp.js']) {
    try {
      return require.resolve(
          candidate, {paths: [path.dirname(process.execPath), '/usr/lib/node_modules', '/usr/share/nodejs']});
    } catch {
      // next candidate
    }
  }
  return null;
}

const args = ['rebuild'];
const nodedir = process.env.npm_config_nodedir || path.resolve(process.execPath, '..', '..');
if (fs.existsSync(path.join(nodedir, 'include', 'node', 'node_api.h'))) args.push(`--nodedir=${nodedir}`);

const gyp = nodeGyp();
const run = gyp ?
    spawnSync(process.execPath, [gyp, ...args], {stdio: 'inherit', cwd: path.join(__dirname, '..')}) :
    spawnSync('node-gyp', args, {stdio: 'inherit', cwd: path.join(__dirname, '..')});
if (run.error) fail(`node-gyp could not be started (${run.error.message}); install npm or node-gyp`);
process.exit(run.status === null ? 1 : run.status);

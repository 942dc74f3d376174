'use strict';
// The npm package as a user meets it: the component installed into a
// prefix with cmake --install, `npm pack` in bindings/node, the tarball
// installed into a fresh project (node-gyp builds the addon there against
// the installed component, found with pkg-config), and a script in that
// project making a picture, with nothing of the build tree on any path.
const assert = require('node:assert/strict');
const {execFileSync, spawnSync} = require('node:child_process');
const fs = require('node:fs');
const path = require('node:path');
const {test} = require('node:test');

const {ROOT, BUILD, scratch} = require('./harness');

function missingTool() {
  for (const tool of ['cmake', 'npm', 'pkg-config', 'c++', 'make', 'python3'])
    if (spawnSync('sh', ['-c', `command -v ${tool}`]).status !== 0) return tool;
  return null;
}

function run(command, args, options) {
  const done = spawnSync(command, args, {encoding: 'utf8', timeout: 600000, ...options});
  assert.equal(
      done.status, 0, `${command} ${args.join(' ')}:\n${done.stdout}${done.stderr}${done.error || ''}`);
  return done.stdout;
}

test(
    'npm pack gives a package that builds and runs against the installed component', {timeout: 900000},
    (t) => {
      const missing = missingTool();
      if (missing) return t.skip(`${missing} is not installed`);
      const top = fs.mkdtempSync(path.join(scratch, 'package-'));
      const prefix = path.join(top, 'prefix');
      run('cmake', ['--install', BUILD, '--prefix', prefix]);

      const home = path.join(top, 'home');
      fs.mkdirSync(home);
      const env = {
        PATH: `${path.dirname(process.execPath)}:/usr/bin:/bin`,
        HOME: home,
        LANG: 'C.UTF-8',
        npm_config_cache: path.join(top, 'npm-cache'),
        npm_config_update_notifier: 'false',
        ZELNOR2_REGISTRY: path.join(top, 'registry'),
      };
      const packed = JSON.parse(
          run('npm', ['pack', '--json', '--pack-destination', top],
              {cwd: path.join(ROOT, 'bindings', 'node'), env}));
      const files = packed[0].files.map((f) => f.path).sort();
      assert.deepEqual(files, [
        'README.md',
        'binding.gyp',
        'index.js',
        'package.json',
        'scripts/build.js',
        'src/addon.cpp',
        'src/channel.cpp',
        'src/channel.h',
        'src/napi_util.cpp',
        'src/napi_util.h',
        'src/values.cpp',
        'src/values.h',
      ]);

      const project = path.join(top, 'project');
      fs.mkdirSync(project);
      fs.writeFileSync(path.join(project, 'package.json'), '{"name": "consumer", "private": true}\n');
      const pcdir =
          path.dirname(execFileSync('find', [prefix, '-name', 'zelnor2.pc'], {encoding: 'utf8'}).trim());
      const tarball = path.join(top, packed[0].filename);
      // Without the component's pkg-config file the install fails and says why.
      // PKG_CONFIG_LIBDIR replaces pkg-config's own folders, so a component
      // installed on the machine itself is never found instead.
      const install = ['install', tarball, '--offline', '--no-audit', '--no-fund'];
      const nowhere = path.join(top, 'no-pkgconfig');
      fs.mkdirSync(nowhere);
      const unfound = spawnSync(
          'npm', install, {cwd: project, env: {...env, PKG_CONFIG_LIBDIR: nowhere}, encoding: 'utf8'});
      assert.notEqual(unfound.status, 0);
      assert.match(unfound.stdout + unfound.stderr, /pkg-config finds no installed component/);
      run('npm', install, {cwd: project, env: {...env, PKG_CONFIG_LIBDIR: pcdir}});

      run(path.join(prefix, 'bin', 'zelnor2'), ['register'], {env});
      const script = `
    const zelnor2 = require('zelnor2');
    (async () => {
      const canvas = zelnor2.createObject('Zelnor2.MyCanvas');
      canvas.NewCanvas(120, 80);
      canvas.PenColor = canvas.RGBToColor(255, 0, 0);
      canvas.Box(10, 10, 110, 70);
      const picture = zelnor2.ref();
      const result = await canvas.async.SaveToStream(picture, 'PNG');
      require('fs').writeFileSync('out.png', picture.value);
      console.log(JSON.stringify({ result, at: require.resolve('zelnor2') }));
    })();`;
      const out = JSON.parse(run(process.execPath, ['-e', script], {cwd: project, env}));
      assert.deepEqual(out, {result: 0, at: path.join(project, 'node_modules', 'zelnor2', 'index.js')});
      const png = fs.readFileSync(path.join(project, 'out.png'));
      assert.equal(png.toString('latin1', 1, 4), 'PNG');
      // The addon uses the installed client library, not the build tree's.
      const addon = path.join(project, 'node_modules', 'zelnor2', 'build', 'Release', 'zelnor2.node');
      const linked = run('ldd', [addon], {env});
      const client = linked.split('\n').find((l) => l.includes('libzelnor2-client'));
      assert.ok(client && client.includes(fs.realpathSync(prefix)) && !client.includes(BUILD), linked);
    });

// The npm package as a user gets it: the tarball installed into an empty
// folder, its command and its API against the native program, scene by scene.
import assert from 'node:assert/strict';
import { execFileSync, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { test } from 'node:test';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { nativeObjects, runNative, scratch, testScenes } from './support.js';

const tarball = process.env.POLYMILL_NPM_TARBALL;
const folder = scratch();
execFileSync('npm', ['install', '--offline', '--no-audit', '--no-fund', tarball], { cwd: folder, stdio: 'ignore' });
const installed = path.join(folder, 'node_modules', 'polymill');
const command = path.join(folder, 'node_modules', '.bin', 'polymill');
const objectsCommand = path.join(folder, 'node_modules', '.bin', 'polymill-objects');

// The command on a scene given by name, or through a shell's pipe as /dev/stdin.
function runInstalled(scene, { piped = false } = {}) {
  const work = scratch();
  const name = (file) => path.join(work, file);
  fs.writeFileSync(name('scene.3ds'), scene);
  const outputs = ['v', 'f', 'm'].map(name);
  const run = piped
    ? spawnSync('sh', ['-c', 'cat "$0" | "$1" /dev/stdin "$2" "$3" "$4"', name('scene.3ds'), command, ...outputs], {
        maxBuffer: 1 << 30,
      })
    : spawnSync(command, [name('scene.3ds'), ...outputs], { maxBuffer: 1 << 30 });
  const read = (file) => (fs.existsSync(name(file)) ? new Uint8Array(fs.readFileSync(name(file))) : null);
  const result = { status: run.status === 255 ? -1 : run.status, trace: new Uint8Array(run.stdout) };
  for (const file of ['vertices', 'faces', 'mapping']) result[file] = read(file[0]);
  assert.equal(run.stderr.length, 0, 'nothing on standard error');
  // The index from the package's other command, as text the same as the native one's.
  const index = spawnSync(objectsCommand, [name('scene.3ds')], { encoding: 'utf8' });
  const native = nativeObjects(name('scene.3ds'));
  assert.deepEqual([index.status, index.stdout, index.stderr], [native.status, native.json, native.message]);
  result.objects = native.status === 0 ? JSON.parse(index.stdout) : [];
  fs.rmSync(work, { recursive: true });
  return result;
}

test('the installed command and convert() give the native bytes, by name and through a pipe', async () => {
  const { convert } = await import(pathToFileURL(path.join(installed, 'index.js')));
  for (const [name, scene] of testScenes()) {
    const native = runNative(scene);
    const ways = { command: runInstalled(scene), piped: runInstalled(scene, { piped: true }), api: await convert(scene) };
    for (const [way, result] of Object.entries(ways)) assert.deepEqual(result, native, `${name}, ${way}`);
  }
});

test('the usage message names the README that npm installed', () => {
  const usage = spawnSync(command, [], { encoding: 'utf8' });
  assert.equal(usage.status, 255);
  const address = usage.stdout.match(/Goto (\S+) for more help/)[1];
  assert.equal(fs.realpathSync(fileURLToPath(address)), fs.realpathSync(path.join(installed, 'README.md')));
});

test('both commands end with a message where the engine finds no room for the module', (t) => {
  if (spawnSync('prlimit', ['--version']).status !== 0) return t.skip('no prlimit here');
  // node itself starts within 4 GiB of address space; the module's memory and its guard regions need more.
  const limited = (...words) => spawnSync('prlimit', ['--as=4294967296', ...words], { encoding: 'utf8' });
  const scene = path.join(scratch(), 'scene.3ds');
  fs.writeFileSync(scene, testScenes()[0][1]);
  const cases = [
    [limited(command, scene, `${scene}.v`, `${scene}.f`), 255, 'stdout'],
    [limited(objectsCommand, scene), 1, 'stderr'],
  ];
  for (const [run, status, stream] of cases) {
    assert.equal(run.status, status);
    assert.match(run[stream], /^Not enough memory.*: .*memory/);
  }
});

// What the page's tests compare with: the native program, built by the
// default preset, run on scenes made by its test-scene maker.
import { execFileSync, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
const native = path.resolve(process.env.POLYMILL_NATIVE_BUILD ?? path.join(root, 'build/default'));
export const paths = {
  root,
  page: path.resolve(process.env.POLYMILL_PAGE ?? path.join(root, 'build/web/polymill.html')),
  wasm: path.resolve(process.env.POLYMILL_WASM ?? path.join(root, 'build/web/polymill.wasm')),
  program: path.join(native, 'polymill'),
  objectsProgram: path.join(native, 'polymill-objects'),
  makeScene: path.join(native, 'tests/support/make_test_scene'),
};

export function scratch() {
  return fs.mkdtempSync(path.join(os.tmpdir(), 'polymill-page-'));
}

// The bytes of a test scene: make_test_scene KIND [VALUE].
export function makeScene(kind, value) {
  const folder = scratch();
  const file = path.join(folder, 'scene.3ds');
  execFileSync(paths.makeScene, value === undefined ? [kind, file] : [kind, String(value), file]);
  const bytes = new Uint8Array(fs.readFileSync(file));
  fs.rmSync(folder, { recursive: true });
  return bytes;
}

// What the native program gives for a scene: the status as its entry function
// returned it, its standard output, and its three files (null where none).
export function runNative(scene) {
  const folder = scratch();
  const name = (file) => path.join(folder, file);
  fs.writeFileSync(name('scene.3ds'), scene);
  const run = spawnSync(paths.program, ['scene.3ds', 'v', 'f', 'm'].map(name), { maxBuffer: 1 << 30 });
  const read = (file) => (fs.existsSync(name(file)) ? new Uint8Array(fs.readFileSync(name(file))) : null);
  const result = {
    status: run.status === 255 ? -1 : run.status,
    trace: new Uint8Array(run.stdout),
    vertices: read('v'),
    faces: read('f'),
    mapping: read('m'),
    objects: nativeObjects(name('scene.3ds')).objects,
  };
  fs.rmSync(folder, { recursive: true });
  return result;
}

// What the native polymill-objects gives for a scene's file: its status, its
// JSON as text and as values ([] after a failure), and its standard error.
export function nativeObjects(file) {
  const run = spawnSync(paths.objectsProgram, [file], { maxBuffer: 1 << 30, encoding: 'utf8' });
  return { status: run.status, json: run.stdout, objects: run.status === 0 ? JSON.parse(run.stdout) : [], message: run.stderr };
}

// The scenes every test runs: name, bytes.
export function testScenes() {
  return [
    ['example', makeScene('example')],
    ['pyramids', makeScene('pyramids', 4)],
    ['lists of megabytes', makeScene('vertex-lists', 4)], // 786 KB read four times over, from 8 bytes apart
    ['sheets', makeScene('sheets', 3)], // 5.8 MB: many of the page's 1 MiB pieces
    ['faces-beyond', makeScene('faces-beyond')],
    ['with-lights', makeScene('with-lights')],
    ['odd name', makeScene('name', 'Object Found: \u0001"\\ é\nMesh Face List Found')],
    ['hostile', makeScene('hostile')],
    ['not-a-scene', makeScene('not-a-scene')],
    ['empty file', new Uint8Array(0)],
  ];
}

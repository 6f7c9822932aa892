// The WebAssembly routes against the native release program, in one run: the
// npm package's command, installed from its tarball into a scratch folder,
// and the page in Debian's headless chromium (the scene chosen with the
// page's own file input, until its table shows every object). Each scene and
// round, the three take turns, each round starting with the next; every run
// starts after `sync`, outputs to fresh names, the trace to a file. Not part
// of the test suite. It prints what a page fault costs here first: the
// WebAssembly routes take one for every 4 KiB of memory they touch.
//   node bench/wasm_benchmark.mjs [BENCH_BUILD] [WORK_DIR] [ROUNDS]
// BENCH_BUILD (default build/bench: cmake --workflow --preset bench) has the
// native program and the scene maker; build/web (cmake --workflow --preset
// web) the page and the tarball; WORK_DIR defaults to BENCH_BUILD/wasm-data.
import { execFileSync, execSync, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import { createRequire } from 'node:module';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '..');
const [build = 'build/bench', work = path.join(build, 'wasm-data'), roundsText = '5'] = process.argv.slice(2);
const rounds = Number(roundsText);
const native = path.resolve(build, 'polymill');
const makeScene = path.resolve(build, 'bench/make_scene');
const web = path.join(root, 'build/web');
fs.mkdirSync(work, { recursive: true });

// The scenes of bench/run_benchmark.sh: objects of 40,000 vertices, 60,000 faces and 40,000 UVs.
const scenes = [['example', path.join(root, 'examples/textured_crate.3ds'), 2]];
for (const [name, objects] of [['30MB', 18], ['330MB', 200]]) {
  const file = path.resolve(work, `scene-${name}.3ds`);
  if (!fs.existsSync(file)) execFileSync(makeScene, [String(objects), '40000', '60000', '40000', file]);
  scenes.push([name, file, objects]);
}

const tarball = fs.readdirSync(web).find((name) => /^polymill-.*\.tgz$/.test(name));
const prefix = path.resolve(work, 'npm');
fs.rmSync(prefix, { recursive: true, force: true });
execFileSync('npm', ['install', '--offline', '--no-audit', '--no-fund', '--prefix', prefix, path.join(web, tarball)], { stdio: 'ignore' });
const npmCommand = path.join(prefix, 'node_modules/.bin/polymill');

let run = 0;
// Seconds a command takes on a scene, with fresh outputs, deleted after it.
function timedCommand(command, scene) {
  const out = path.resolve(work, `run${++run}`);
  execSync('sync');
  const trace = fs.openSync(`${out}.trace`, 'w');
  const start = process.hrtime.bigint();
  const result = spawnSync(command, [scene, `${out}.v`, `${out}.f`, `${out}.m`], { stdio: ['ignore', trace, 'inherit'] });
  const seconds = Number(process.hrtime.bigint() - start) / 1e9;
  fs.closeSync(trace);
  for (const suffix of ['trace', 'v', 'f', 'm']) fs.rmSync(`${out}.${suffix}`, { force: true });
  if (result.status !== 0) throw new Error(`${command} ${scene}: status ${result.status}`);
  return seconds;
}

const require = createRequire(path.join(root, 'web/package.json'));
const { default: puppeteer } = await import(pathToFileURL(require.resolve('puppeteer-core')));
const launch = () => puppeteer.launch({
  executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
  headless: true,
  args: ['--no-sandbox', '--disable-dev-shm-usage', '--enable-unsafe-swiftshader', '--use-angle=swiftshader',
    '--no-first-run', '--disable-background-networking', '--disable-component-update', '--disable-sync', '--disable-quic'],
});
// Seconds from choosing the scene in the page, in a browser of its own, to its
// table of every object, and the page's phases as its own status line tells
// them: reading the file, converting, and the view after the table. The
// browser is closed after it: a browser left open goes on freeing what the
// tab held, on the cores the next run needs.
async function timedPage(scene, objects) {
  const browser = await launch();
  const tab = await browser.newPage();
  await tab.setViewport({ width: 1280, height: 800 });
  await tab.goto(pathToFileURL(path.join(web, 'polymill.html')).href);
  await tab.evaluate(() => {
    window.seen = {};
    const note = (name) => (window.seen[name] ??= performance.now());
    new MutationObserver(() => {
      const status = document.getElementById('status').textContent;
      if (status.startsWith('Reading')) note('reading');
      if (status.startsWith('Converting')) note('converting');
      if (status.startsWith('Completed')) note('completed');
      if (document.getElementById('totals').textContent.includes('objects')) note('table');
    }).observe(document.body, { subtree: true, childList: true, characterData: true });
  });
  const input = await tab.$('#choose');
  execSync('sync');
  const start = process.hrtime.bigint();
  await input.uploadFile(scene);
  await tab.waitForFunction((count) => document.getElementById('totals').textContent.startsWith(`${count} objects`),
    { timeout: 600000, polling: 20 }, objects);
  const seconds = Number(process.hrtime.bigint() - start) / 1e9;
  await tab.waitForFunction(() => window.seen.completed !== undefined, { timeout: 600000, polling: 20 });
  const seen = await tab.evaluate(() => window.seen);
  await browser.close();
  return { seconds, read: (seen.converting - seen.reading) / 1e3, convert: (seen.table - seen.converting) / 1e3,
    after: (seen.completed - seen.table) / 1e3 };
}

// What getting fresh memory costs here, the WebAssembly routes' main cost
// that the native program's 2 MiB pages avoid: 256 MiB of a module's memory
// touched a 4 KiB page at a time, in a node of its own.
function pageFaultMicroseconds() {
  const touch = `const bytes = new Uint8Array(new WebAssembly.Memory({ initial: 4096 }).buffer);
    const start = performance.now(); for (let at = 0; at < bytes.length; at += 4096) bytes[at] = 1;
    console.log((performance.now() - start) * 1000 / (bytes.length / 4096));`;
  return Number(execFileSync(process.execPath, ['-e', touch], { encoding: 'utf8' }));
}

const median = (values) => [...values].sort((a, b) => a - b)[Math.floor((values.length - 1) / 2)];
const best = (values) => Math.min(...values);
const browser = await launch();
console.log(`CPU: ${os.cpus()[0].model}, ${os.cpus().length} cores; node ${process.version}; ${await browser.version()}`);
await browser.close();
const faults = [0, 1, 2].map(pageFaultMicroseconds);
console.log(`a page fault (4 KiB of fresh WebAssembly memory): ${median(faults).toFixed(1)} µs (median of 3)`);
console.log(`${rounds} rounds, taking turns; seconds, trace to a file; ratios over the native program's median and best`);
console.log('scene      native  (best)     npm  (best) ratio (best)    page  (best) ratio (best) |   read convert  after');
for (const [name, scene, objects] of scenes) {
  const times = { native: [], npm: [], page: [] };
  const runs = [
    ['native', () => timedCommand(native, scene)],
    ['npm', () => timedCommand(npmCommand, scene)],
    ['page', () => timedPage(scene, objects)],
  ];
  // Each round starts with the next route, so that none always follows the
  // same one: a run after one that freed much memory pays for getting it back.
  for (let round = 0; round < rounds; ++round) {
    for (let turn = 0; turn < runs.length; ++turn) {
      const [route, timed] = runs[(round + turn) % runs.length];
      times[route].push(await timed());
    }
  }
  const [n, m, p] = [times.native, times.npm, times.page.map((page) => page.seconds)];
  const phase = (key) => median(times.page.map((page) => page[key]));
  const f = (value, digits = 3) => value.toFixed(digits).padStart(7);
  console.log(`${name.padEnd(8)} ${f(median(n))} ${f(best(n))} ${f(median(m))} ${f(best(m))} ${f(median(m) / median(n), 2)} ${f(best(m) / best(n), 2)} ` +
    `${f(median(p))} ${f(best(p))} ${f(median(p) / median(n), 2)} ${f(best(p) / best(n), 2)} | ${f(phase('read'))} ${f(phase('convert'))} ${f(phase('after'))}`);
}
fs.rmSync(prefix, { recursive: true, force: true });

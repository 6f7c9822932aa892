// The page as a user uses it, in Debian's chromium, headless, opened from
// file://: each test scene chosen with the file button, the status, the
// object table, the first trace lines and the downloads checked against the
// native program's own output, the 3D view looked at in a screenshot; and the
// same conversion through window.polymill.convert.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, test } from 'node:test';
import { pathToFileURL } from 'node:url';
import puppeteer from 'puppeteer-core';
import { PNG } from 'pngjs';
import { makeScene, nativeObjects, paths, runNative, scratch, testScenes } from './support.js';

const CHROMIUM = process.env.CHROMIUM ?? '/usr/bin/chromium';
const text = (bytes) => new TextDecoder().decode(bytes);
let browser;
let page;
let downloads;
const begun = []; // downloads as they start: { guid, suggestedFilename }
const finished = new Map(); // guid -> 'completed' or 'canceled'


before(async () => {
  browser = await puppeteer.launch({
    executablePath: CHROMIUM,
    headless: true,
    // As root in a container, whose namespaces its sandbox may not get and whose /dev/shm may be small;
    // WebGL from the software renderer; nothing fetched from the network.
    args: ['--no-sandbox', '--disable-dev-shm-usage', '--enable-unsafe-swiftshader', '--use-angle=swiftshader', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync', '--disable-quic'],
  });
  downloads = scratch();
  // Each download is saved under its own id, so that no two ever meet under one name.
  const session = await browser.target().createCDPSession();
  session.on('Browser.downloadWillBegin', (event) => begun.push(event));
  session.on('Browser.downloadProgress', ({ guid, state }) => {
    if (state === 'completed' || state === 'canceled') finished.set(guid, state);
  });
  await session.send('Browser.setDownloadBehavior', { behavior: 'allowAndName', downloadPath: downloads, eventsEnabled: true });
  page = await openPage();
});

// The page in a tab of its own, as a user opens it.
async function openPage() {
  const tab = await browser.newPage();
  await tab.setViewport({ width: 1280, height: 800 });
  await tab.goto(pathToFileURL(paths.page).href);
  return tab;
}

after(async () => {
  await browser?.close();
  if (downloads) fs.rmSync(downloads, { recursive: true });
});

// Chooses the scene with the page's file button, as a user would, and waits for the outcome.
async function choose(name, scene) {
  const folder = scratch();
  const file = path.join(folder, `${name}.3ds`);
  fs.writeFileSync(file, scene);
  await page.$eval('#status', (status) => (status.className = ''));
  await (await page.$('#choose')).uploadFile(file);
  await page.waitForFunction(() => document.getElementById('status').className !== '', { timeout: 120000 });
  fs.rmSync(folder, { recursive: true });
  return page.$eval('#status', (status) => ({ text: status.textContent, kind: status.className }));
}

// Clicks a download button and gives the bytes saved, checking the name the page gave them.
async function download(buttonId, name) {
  const before = begun.length;
  await page.click(`#${buttonId}`);
  for (let waited = 0; begun.length === before || !finished.has(begun[before].guid); waited += 50) {
    assert.ok(waited < 30000, `no download ${name}`);
    await new Promise((resolve) => setTimeout(resolve, 50));
  }
  const { guid, suggestedFilename } = begun[before];
  assert.equal(finished.get(guid), 'completed', name);
  assert.equal(suggestedFilename, name);
  return new Uint8Array(fs.readFileSync(path.join(downloads, guid)));
}

test('every test scene: status, table, trace and downloads as the native program gives them', async () => {
  for (const [name, scene] of testScenes()) {
    // A tab for each scene, at most four downloads a tab: in CI the tenth download of one tab never began.
    await page.close();
    page = await openPage();
    const native = runNative(scene);
    const status = await choose(name, scene);
    if (native.status === 0) {
      assert.equal(status.text, `Completed (status 0): ${name}.3ds`, name);
    } else {
      const message = text(native.trace).trim().split('\n').pop();
      assert.equal(status.text, `Failed (status -1): ${message}`, name);
    }
    const shown = await page.$eval('#trace', (trace) => trace.textContent);
    // Control bytes of a name are shown as escapes.
    const expected = text(native.trace).split('\n').slice(0, 60).join('\n')
      .replace(/[\u0000-\u0008\u000b-\u001f\u007f]/g, (c) => `\\x${c.charCodeAt(0).toString(16).padStart(2, '0')}`);
    assert.equal(shown, expected, `${name}: first trace lines`);
    assert.deepEqual(await download('saveTrace', `${name}.trace.txt`), native.trace, `${name}: trace`);
    for (const [button, file] of [['saveVertices', 'vertices'], ['saveFaces', 'faces'], ['saveMapping', 'mapping']]) {
      const hidden = await page.$eval(`#${button}`, (element) => element.hidden);
      assert.equal(hidden, native[file] === null, `${name}: ${file} offered`);
      if (native[file] !== null) assert.deepEqual(await download(button, `${name}.${file}`), native[file], `${name}: ${file}`);
    }
  }
});

test('the table lists the objects in file order with counts, bounds and warnings', async () => {
  await choose('faces-beyond', makeScene('faces-beyond'));
  const rows = await page.$$eval('#objects tr', (trs) => trs.map((tr) => tr.innerText.replaceAll('\t', ' | ')));
  assert.deepEqual(rows, [
    'Triangle | 3 | 2 | 0 | 0 0 0\n1 1 0',
    "⚠ 1 of 2 faces use an index at or past the object's 3 vertices",
    'Quad | 4 | 2 | 2 | 2 0 0\n3 1 0',
    "⚠ 1 of 2 faces use an index at or past the object's 4 vertices; 1 of them point past the whole vertex file and are not drawn; 2 mapping coordinates for 4 vertices",
    'Points | 2 | 0 | 0 | 0 0 1\n0 0 2',
    '⚠ no faces',
  ]);
  assert.equal(await page.$eval('#totals', (tr) => tr.innerText.replaceAll('\t', ' | ')), '3 objects | 9 | 4 | 2 | 0 0 0\n3 1 2');
});

// Where the view's pixels differ from its background, in a screenshot: their
// share of the view, and the box around them (the view's buttons left out).
async function drawn() {
  const view = await page.$('#view canvas');
  const png = PNG.sync.read(Buffer.from(await view.screenshot({ type: 'png' })));
  const pixel = (x, y) => png.data.subarray(4 * (y * png.width + x), 4 * (y * png.width + x) + 3);
  const [r, g, b] = pixel(2, png.height - 3);
  let differing = 0;
  const box = { left: Infinity, right: -Infinity, top: Infinity, bottom: -Infinity };
  for (let y = 0; y < png.height; y += 2) {
    for (let x = 0; x < png.width; x += 2) {
      const [pr, pg, pb] = pixel(x, y);
      if (Math.abs(pr - r) + Math.abs(pg - g) + Math.abs(pb - b) <= 30) continue;
      ++differing;
      if (y > 0.1 * png.height) Object.assign(box, { left: Math.min(box.left, x), right: Math.max(box.right, x), top: Math.min(box.top, y), bottom: Math.max(box.bottom, y) });
    }
  }
  const share = differing / Math.ceil(png.height / 2) / Math.ceil(png.width / 2);
  return { share, width: box.right - box.left, height: box.bottom - box.top };
}
const drawnShare = async () => (await drawn()).share;

test('scenes stand Z-up: a column along +Z is drawn taller than wide, a wall along +X wider than tall', async () => {
  await choose('column', makeScene('column'));
  const column = await drawn();
  assert.ok(column.height > 1.5 * column.width, `column drawn ${column.width} wide, ${column.height} tall`);
  await choose('wall', makeScene('wall'));
  const wall = await drawn();
  assert.ok(wall.width > 1.5 * wall.height, `wall drawn ${wall.width} wide, ${wall.height} tall`);
});

test('lights and cameras read "no mesh", and the object index is offered as it is given', async () => {
  await page.close();
  page = await openPage();
  const scene = makeScene('with-lights');
  await choose('lit', scene);
  const remarks = await page.$$eval('#objects td[colspan]', (tds) => tds.map((td) => [td.className, td.textContent]));
  assert.deepEqual(remarks, [['note', 'no mesh (a light, a camera…)'], ['note', 'no mesh (a light, a camera…)']]);
  const index = await page.evaluate(async (bytes) => window.polymill.objects(await window.polymill.convert(new Uint8Array(bytes))), Array.from(scene));
  assert.deepEqual(index.map(({ name, mesh, firstVertex }) => [name, mesh, firstVertex]), [['Box', true, 0], ['Light01', false, 8], ['Camera01', false, 8]]);
  const offered = text(await download('saveObjects', 'lit.objects.json'));
  assert.deepEqual(JSON.parse(offered), index);
  const folder = scratch();
  fs.writeFileSync(path.join(folder, 'lit.3ds'), scene);
  assert.equal(offered, nativeObjects(path.join(folder, 'lit.3ds')).json, 'the native polymill-objects gives the same JSON');
  fs.rmSync(folder, { recursive: true });
});

test('the table fits its panel, and a phone-sized window stacks the view over it, scrolling only down', async () => {
  await choose('named', makeScene('name', 'A rather long object name, as modellers write them: Fairlady_Z_body_panel_left_front_001'));
  const fits = await page.$eval('#side', (side) => side.querySelector('table').scrollWidth <= side.clientWidth);
  assert.ok(fits, 'the table is wider than its panel');
  await page.setViewport({ width: 390, height: 844 });
  await choose('crate', makeScene('example'));
  const layout = await page.evaluate(() => {
    const rect = (id) => {
      const { width, height, top, bottom } = document.getElementById(id).getBoundingClientRect();
      return { width, height, top, bottom };
    };
    return { pageWidth: document.documentElement.scrollWidth, view: rect('view'), table: rect('found') };
  });
  await page.setViewport({ width: 1280, height: 800 });
  assert.ok(layout.pageWidth <= 390, `the page is ${layout.pageWidth} pixels wide`);
  assert.ok(layout.view.width >= 300 && layout.view.height >= 200, `the view is ${layout.view.width} x ${layout.view.height}`);
  assert.ok(layout.view.bottom <= layout.table.top, 'the view comes before the table');
});

test('the view draws the mesh, highlights a picked object, and is empty after a failed scene', async () => {
  await choose('crate', makeScene('example'));
  const share = await drawnShare();
  assert.ok(share > 0.1 && share < 0.95, `the mesh covers ${share} of the view`);
  await page.click('#objects tr[data-index="1"]');
  assert.ok(await page.$eval('#objects tr[data-index="1"]', (tr) => tr.classList.contains('picked')));
  await page.click('#wireframe');
  const wire = await drawnShare();
  assert.ok(wire > 0.01 && wire < share, `wireframe covers ${wire}, shaded ${share}`);
  await page.click('#wireframe');
  await choose('not-a-scene', makeScene('not-a-scene'));
  // Only the view's own buttons stand out from its background.
  assert.ok((await drawnShare()) < 0.01);
});

test('window.polymill.convert gives what the program gives, null for files it did not create', async () => {
  for (const [name, scene] of testScenes()) {
    const native = runNative(scene);
    const result = await page.evaluate(async (bytes) => {
      const { status, trace, vertices, faces, mapping, objects } = await window.polymill.convert(new Uint8Array(bytes));
      const plain = (array) => (array === null ? null : Array.from(array));
      return { status, trace: plain(trace), vertices: plain(vertices), faces: plain(faces), mapping: plain(mapping), objects };
    }, Array.from(scene));
    assert.equal(result.status, native.status, name);
    assert.deepEqual(result.objects, native.objects, `${name}: objects`);
    for (const part of ['trace', 'vertices', 'faces', 'mapping']) {
      assert.deepEqual(result[part], native[part] === null ? null : Array.from(native[part]), `${name}: ${part}`);
    }
  }
});

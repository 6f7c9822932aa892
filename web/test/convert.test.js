// The page's conversion, run under node on the module the page carries: the
// same status, trace and files as the native program, scene by scene.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { test } from 'node:test';
import { convert, stepsOf } from '../src/polymill.js';
import { objects } from '../src/objects.js';
import { summarize, totalsOf } from '../src/summary.js';
import { makeScene, nativeObjects, paths, runNative, scratch, testScenes } from './support.js';

const module = new WebAssembly.Module(fs.readFileSync(paths.wasm));
const text = (bytes) => new TextDecoder().decode(bytes);

test('every test scene converts as the native program converts it', () => {
  for (const [name, scene] of testScenes()) {
    const page = convert(module, scene);
    const native = runNative(scene);
    assert.equal(page.status, native.status, name);
    assert.equal(text(page.trace), text(native.trace), name);
    for (const file of ['vertices', 'faces', 'mapping']) assert.deepEqual(page[file], native[file], `${name}: ${file}`);
  }
});

test('a Blob read in pieces converts as its bytes do, through a byte stream and through a plain one', async () => {
  const scene = makeScene('vertex-lists', 4); // several of the reader's 1 MiB pieces
  const expected = convert(module, scene);
  // A stream without a BYOB reader, in pieces that straddle records and the 1 MiB buffer.
  const plain = {
    size: scene.length,
    stream: () => new ReadableStream({
      start(controller) {
        for (let at = 0; at < scene.length; at += 777_777) controller.enqueue(scene.slice(at, at + 777_777));
        controller.close();
      },
    }),
  };
  for (const [route, blob] of [['byte stream', new Blob([scene])], ['plain stream', plain]]) {
    const read = await (await stepsOf(module, blob)).convert();
    assert.equal(read.status, expected.status, route);
    for (const file of ['trace', 'vertices', 'faces', 'mapping']) assert.deepEqual(read[file], expected[file], `${route}: ${file}`);
  }
});

test("the page's steps on a scene kept in one instance tell what convert() gives", async () => {
  for (const [name, scene] of testScenes()) {
    const expected = convert(module, scene);
    const steps = await stepsOf(module, new Blob([scene]));
    const survey = await steps.survey(100);
    assert.equal(survey.status, expected.status, name);
    assert.deepEqual(survey.trace, expected.trace.slice(0, 100), name);
    assert.deepEqual(survey.objects, expected.objects, name);
    const sizes = Object.fromEntries(['trace', 'vertices', 'faces', 'mapping'].map((file) => [file, expected[file]?.length ?? null]));
    if (expected.status === 0) assert.deepEqual(survey.sizes, sizes, name);
    else assert.equal(survey.sizes.trace, sizes.trace, name);
    assert.deepEqual(await steps.convert(), expected, name);
  }
});

test("the module's object index is the native polymill-objects' index, to the JSON's last byte", () => {
  const folder = scratch();
  for (const [name, scene] of testScenes()) {
    const file = path.join(folder, 'scene.3ds');
    fs.writeFileSync(file, scene);
    const native = nativeObjects(file);
    const index = objects(convert(module, scene));
    if (native.status === 0) assert.equal(`${JSON.stringify(index, null, 1)}\n`, native.json, name);
    else assert.deepEqual(index, [], name);
  }
  fs.rmSync(folder, { recursive: true });
});

test('a scene outgrowing WebAssembly memory ends with the memory message', () => {
  // 6,000 overlapping lists declare 4.7 GB of vertices: more than a 32-bit module holds.
  const page = convert(module, makeScene('vertex-lists', 6000));
  assert.equal(page.status, -1);
  assert.match(text(page.trace), /\nNot enough memory for the mesh lists\n$/);
  assert.equal(page.vertices.length, 0);
  assert.equal(page.faces, null);
});

test('the index names an object by its bytes, whatever words the name holds', () => {
  const name = 'fake\nMesh Face List Found\nNumber of Faces: 99\n';
  assert.deepEqual(
    objects(convert(module, makeScene('name', name))).map(({ name, mesh, faces }) => ({ name, mesh, faces })),
    [{ name, mesh: true, faces: 0 }],
  );
});

test('what a loader must know is flagged, and faces are offset as a loader offsets them', () => {
  const result = convert(module, makeScene('faces-beyond'));
  const { objects, drawing } = summarize(result);
  const totals = totalsOf(result.objects);
  assert.deepEqual(
    objects.map(({ name, warnings }) => [name, warnings]),
    [
      ['Triangle', ["1 of 2 faces use an index at or past the object's 3 vertices"]],
      [
        'Quad',
        [
          "1 of 2 faces use an index at or past the object's 4 vertices; 1 of them point past the whole vertex file and are not drawn",
          '2 mapping coordinates for 4 vertices',
        ],
      ],
      ['Points', ['no faces']],
    ],
  );
  assert.deepEqual(totals, { objects: 3, vertices: 9, faces: 4, mapping: 2, bounds: { min: [0, 0, 0], max: [3, 1, 2] } });
  // Triangle's faces as stored; Quad's first face offset by Triangle's 3 vertices; its face through 9 left out.
  assert.deepEqual([...drawing.indices], [0, 1, 2, 1, 2, 4, 3, 4, 5]);
  assert.deepEqual([...drawing.uvs.subarray(6, 10)], [0, 0, 1, 0]);
});

test("objects() gives each object's first records and counts in each file, and its bounds", () => {
  const at = (firstVertex, vertices, firstFace, faces, firstMapping, mapping) => ({ firstVertex, vertices, firstFace, faces, firstMapping, mapping });
  const cases = [
    ['with-lights', [
      { name: 'Box', mesh: true, ...at(0, 8, 0, 12, 0, 0), bounds: { min: [0, 0, 0], max: [1, 2, 3] } },
      { name: 'Light01', mesh: false, ...at(8, 0, 12, 0, 0, 0), bounds: null },
      { name: 'Camera01', mesh: false, ...at(8, 0, 12, 0, 0, 0), bounds: null },
    ]],
    ['faces-beyond', [
      { name: 'Triangle', mesh: true, ...at(0, 3, 0, 2, 0, 0), bounds: { min: [0, 0, 0], max: [1, 1, 0] } },
      { name: 'Quad', mesh: true, ...at(3, 4, 2, 2, 0, 2), bounds: { min: [2, 0, 0], max: [3, 1, 0] } },
      { name: 'Points', mesh: true, ...at(7, 2, 4, 0, 2, 0), bounds: { min: [0, 0, 1], max: [0, 0, 2] } },
    ]],
    // A list outside any object, declaring more vertices than it holds: the rest come from the bytes after it.
    ['hostile', [{ name: null, mesh: false, ...at(0, 10, 0, 0, 0, 0), bounds: { min: [0, 0, 0], max: [4, 5, 10.062499046325684] } }]],
  ];
  for (const [kind, expected] of cases) assert.deepEqual(objects(convert(module, makeScene(kind))), expected, kind);
  assert.deepEqual(objects(convert(module, makeScene('not-a-scene'))), []);
});

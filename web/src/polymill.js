// The conversion the page and the npm package offer: the library's conversion
// in memory, compiled into the WebAssembly module (polymill_convert), and for
// the page the same in steps (stepsOf). Nothing of the conversion is done
// here: the scene goes into the module's memory, or the module reads it as a
// file, and the status, the trace, the files and the object index come back
// out.
import { blobFiles, piecesOf } from './blob_files.js';
import { ERRNO, FileSystemError, Wasi } from './wasi.js';

// Where the module's result keeps each part: 32-bit little-endian fields, as
// src/app/module_exports.cpp lays them out. A file is (data, size, present).
const RESULT = { status: 0, trace: 4, vertices: 16, faces: 28, mapping: 40, objects: 52, objectCount: 56 };
const SURVEY = { status: 0, trace: 4, sizes: 16, objects: 48, objectCount: 52 };
const OBJECT = { size: 88, name: 0, nameSize: 4, flags: 8, min: 12, max: 24, counts: 40 };
const FLAG = { named: 1, mesh: 2, bounded: 4 };

function objectsAt(view, at, count) {
  const bytes = new Uint8Array(view.buffer);
  const decoder = new TextDecoder();
  const floats = (from) => [0, 4, 8].map((offset) => view.getFloat32(from + offset, true));
  const objects = [];
  for (let record = at; record < at + count * OBJECT.size; record += OBJECT.size) {
    const flags = view.getUint32(record + OBJECT.flags, true);
    const name = view.getUint32(record + OBJECT.name, true);
    const [firstVertex, vertices, firstFace, faces, firstMapping, mapping] = [0, 1, 2, 3, 4, 5].map((i) =>
      view.getFloat64(record + OBJECT.counts + 8 * i, true),
    );
    objects.push({
      name: flags & FLAG.named ? decoder.decode(bytes.subarray(name, name + view.getUint32(record + OBJECT.nameSize, true))) : null,
      mesh: (flags & FLAG.mesh) !== 0,
      firstVertex, vertices, firstFace, faces, firstMapping, mapping,
      bounds: flags & FLAG.bounded ? { min: floats(record + OBJECT.min), max: floats(record + OBJECT.max) } : null,
    });
  }
  return objects;
}

// A browser shows the module no file: its memory is bounded by its 4 GiB alone.
const noFiles = {
  stat: () => null,
  readlink: () => null,
  open() {
    throw new FileSystemError(ERRNO.noent);
  },
};

// A fresh instance of the module for one scene, with room for its `size`
// bytes; its memory goes when nothing holds the result any more.
function instanceFor(module, size, memoryFiles) {
  const wasi = new Wasi({ args: ['polymill'], fileSystem: memoryFiles, console: { write: () => true } });
  const instance = new WebAssembly.Instance(module, wasi.imports());
  const room = wasi.call(instance, 'polymill_scene_room', size);
  if (room === 0) throw new RangeError(`a scene of ${size} bytes does not fit in the module's memory`);
  return { wasi, instance, room, size, sceneBytes: new Uint8Array(instance.exports.memory.buffer, room, size) };
}

const fileAt = (view, at) => {
  const [data, size, present] = [0, 4, 8].map((field) => view.getUint32(at + field, true));
  return present ? new Uint8Array(view.buffer, data, size) : null;
};

// What takes a placed scene takes its size as placed: growing the module's
// memory empties every view of it, `sceneBytes` too.

// Converts the scene placed in the instance's room, and reads the result.
// The room goes to the conversion: nothing more can be asked of it.
function converted({ wasi, instance, room, size }) {
  const at = wasi.call(instance, 'polymill_convert', room, size);
  return conversionAt(new DataView(instance.exports.memory.buffer), at);
}

function conversionAt(view, at) {
  return {
    status: view.getInt32(at + RESULT.status, true),
    trace: fileAt(view, at + RESULT.trace),
    vertices: fileAt(view, at + RESULT.vertices),
    faces: fileAt(view, at + RESULT.faces),
    mapping: fileAt(view, at + RESULT.mapping),
    objects: objectsAt(view, view.getUint32(at + RESULT.objects, true), view.getUint32(at + RESULT.objectCount, true)),
  };
}

// What converted() would give for the placed scene, which stays, before any
// file is written: {status, trace: its first `traceLimit` bytes, sizes: the
// bytes of the whole trace and of each file (null for one not made), objects}.
// Nothing of it is left in the module's memory.
function surveyed({ wasi, instance, room, size }, traceLimit) {
  const at = wasi.call(instance, 'polymill_survey', room, size, traceLimit);
  const survey = surveyAt(new DataView(instance.exports.memory.buffer), at);
  wasi.call(instance, 'polymill_release_survey', at);
  return survey;
}

function surveyAt(view, at) {
  const status = view.getInt32(at + SURVEY.status, true);
  const [trace, vertices, faces, mapping] = [0, 1, 2, 3].map((i) => view.getFloat64(at + SURVEY.sizes + 8 * i, true));
  return {
    status,
    trace: fileAt(view, at + SURVEY.trace).slice(),
    sizes: status === 0 ? { trace, vertices, faces, mapping } : { trace, vertices: null, faces: null, mapping: null },
    objects: objectsAt(view, view.getUint32(at + SURVEY.objects, true), view.getUint32(at + SURVEY.objectCount, true)),
  };
}

// module: the compiled WebAssembly.Module; scene: a Uint8Array of the scene;
// memoryFiles: where the module reads how much memory the process may use
// (under node, the host's; see host_files.js). Gives {status, trace,
// vertices, faces, mapping, objects}: what `polymill scene.3ds v f m` gives
// (the status its entry function returned, 0 or -1, its standard output and
// the three files, a file it did not create being null), and the object index
// of the files, empty when the status is -1. The arrays are views of the
// module's memory, which nothing else holds: copying them would need their
// room twice.
export function convert(module, scene, memoryFiles = noFiles) {
  const placed = instanceFor(module, scene.length, memoryFiles);
  placed.sceneBytes.set(scene);
  return converted(placed);
}

// A Blob (a File the user chose) placed in a fresh instance's memory, read
// straight into it, piece by piece, so that the scene is never held twice.
async function placed(module, blob) {
  const scene = instanceFor(module, blob.size, noFiles);
  let at = 0;
  for await (const piece of piecesOf(blob)) {
    scene.sceneBytes.set(piece, at);
    at += piece.length;
  }
  return scene;
}

// The steps of the page's conversion of a Blob: survey(traceLimit), then
// convert(), once and last, giving what surveyed() and convert() give, each a
// promise.
// Where the engine can suspend the module while a read is awaited (JSPI),
// the module reads the Blob as the program reads a file, in each step and in
// an instance of its own, so that the scene is never held in memory;
// elsewhere the scene is placed in an instance's memory first.
export async function stepsOf(module, blob) {
  if (typeof WebAssembly.Suspending === 'function') {
    const step = streamedStep(module, blob);
    return {
      survey: async (traceLimit) => surveyAt(...(await step('polymill_survey_file', traceLimit))),
      convert: async () => conversionAt(...(await step('polymill_convert_file'))),
    };
  }
  const scene = await placed(module, blob);
  return { survey: async (traceLimit) => surveyed(scene, traceLimit), convert: async () => converted(scene) };
}

// Calls an export that takes the name of the scene's file, in a fresh
// instance that reads the Blob under that name; gives the instance's memory
// and where the export's result lies in it.
function streamedStep(module, blob) {
  const name = '/scene.3ds';
  return async (exported, ...args) => {
    const wasi = new Wasi({ args: ['polymill'], fileSystem: blobFiles(name, blob), console: { write: () => true } });
    const instance = new WebAssembly.Instance(module, wasi.imports({ suspending: true }));
    const bytes = new TextEncoder().encode(`${name}\0`);
    const room = wasi.call(instance, 'polymill_scene_room', bytes.length);
    if (room === 0) throw new RangeError("the module's memory cannot hold a file's name");
    new Uint8Array(instance.exports.memory.buffer, room, bytes.length).set(bytes);
    const at = await wasi.callSuspending(instance, exported, room, ...args);
    return [new DataView(instance.exports.memory.buffer), at];
  };
}

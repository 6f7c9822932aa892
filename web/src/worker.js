// Runs conversions off the page's thread, so that a long one keeps the page
// responsive. The module is compiled once. For the page, the result goes over
// as soon as it is there, with the object index for the table; the files
// follow with what the view needs, read back from them.
import { convert, convertBlob } from './polymill.js';
import { summarize } from './summary.js';

/* global POLYMILL_WASM_BASE64 */
const wasm = Uint8Array.from(atob(POLYMILL_WASM_BASE64), (c) => c.charCodeAt(0));
const module = new WebAssembly.Module(wasm);

const buffersOf = (...arrays) => [...new Set(arrays.filter((bytes) => bytes).map((bytes) => bytes.buffer))];

// The module's memory cannot be handed over: what goes is a copy of its own.
const own = (array) => array && array.slice();

// scene: the bytes, or the File the user chose, read here, off the page's thread.
self.onmessage = async ({ data: { id, scene, withSummary } }) => {
  try {
    const result = scene instanceof Blob ? await convertBlob(module, scene) : convert(module, new Uint8Array(scene));
    const { status, objects } = result;
    const trace = own(result.trace);
    if (!withSummary || status !== 0) {
      const [vertices, faces, mapping] = [result.vertices, result.faces, result.mapping].map(own);
      self.postMessage({ id, result: { status, trace, vertices, faces, mapping, objects }, last: true },
        buffersOf(trace, vertices, faces, mapping));
      return;
    }
    // The table needs the index alone; the files follow, read back for the view first.
    self.postMessage({ id, result: { status, trace, objects } }, buffersOf(trace));
    const summary = summarize(result);
    const { positions, indices, uvs } = summary.drawing;
    const files = { vertices: own(result.vertices), faces: own(result.faces), mapping: own(result.mapping) };
    self.postMessage({ id, files, summary, last: true },
      buffersOf(files.vertices, files.faces, files.mapping, positions, indices, uvs));
  } catch (error) {
    self.postMessage({ id, error: String(error && error.message ? error.message : error), last: true });
  }
};

// Runs conversions off the page's thread, so that a long one keeps the page
// responsive. The module is compiled once. For the page, the result goes over
// as soon as it is there, with the object index for the table; the files
// follow with what the view needs, read back from them.
import { convert } from './polymill.js';
import { summarize } from './summary.js';

/* global POLYMILL_WASM_BASE64 */
const wasm = Uint8Array.from(atob(POLYMILL_WASM_BASE64), (c) => c.charCodeAt(0));
const module = new WebAssembly.Module(wasm);

const buffersOf = (...arrays) => [...new Set(arrays.filter((bytes) => bytes).map((bytes) => bytes.buffer))];

// scene: the bytes, or the File the user chose, read here, off the page's thread.
self.onmessage = async ({ data: { id, scene, withSummary } }) => {
  try {
    const bytes = new Uint8Array(scene instanceof Blob ? await scene.arrayBuffer() : scene);
    const converted = convert(module, bytes);
    // The module's memory cannot be handed over: each array goes as a copy of its own.
    const own = (array) => array && array.slice();
    const result = { ...converted, ...Object.fromEntries(['trace', 'vertices', 'faces', 'mapping'].map((part) => [part, own(converted[part])])) };
    const { status, trace, objects, vertices, faces, mapping } = result;
    if (!withSummary || status !== 0) {
      self.postMessage({ id, result, last: true }, buffersOf(trace, vertices, faces, mapping));
      return;
    }
    self.postMessage({ id, result: { status, trace, objects } }, buffersOf(trace));
    const summary = summarize(result);
    const { positions, indices, uvs } = summary.drawing;
    self.postMessage({ id, files: { vertices, faces, mapping }, summary, last: true },
      buffersOf(vertices, faces, mapping, positions, indices, uvs));
  } catch (error) {
    self.postMessage({ id, error: String(error && error.message ? error.message : error), last: true });
  }
};

// Runs conversions off the page's thread, so that a long one keeps the page
// responsive. The module is compiled once. For the page, the status and the
// object index go over as soon as they are there, for the table; the trace
// and the files follow with what the view needs, read back from them.
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
    const converting = () => self.postMessage({ id, phase: 'converting' });
    const result = scene instanceof Blob ? await convertBlob(module, scene, converting) : convert(module, new Uint8Array(scene));
    const { status, objects } = result;
    if (!withSummary || status !== 0) {
      const [trace, vertices, faces, mapping] = [result.trace, result.vertices, result.faces, result.mapping].map(own);
      self.postMessage({ id, result: { status, trace, vertices, faces, mapping, objects }, last: true },
        buffersOf(trace, vertices, faces, mapping));
      return;
    }
    // The table needs the index alone, which goes at once; the trace and the
    // files, hundreds of megabytes to copy for a large scene, follow with
    // what the view needs, read back from them.
    self.postMessage({ id, result: { status, objects } });
    const summary = summarize(result);
    const { positions, indices, uvs } = summary.drawing;
    const files = { trace: own(result.trace), vertices: own(result.vertices), faces: own(result.faces), mapping: own(result.mapping) };
    self.postMessage({ id, files, summary, last: true },
      buffersOf(files.trace, files.vertices, files.faces, files.mapping, positions, indices, uvs));
  } catch (error) {
    self.postMessage({ id, error: String(error && error.message ? error.message : error), last: true });
  }
};

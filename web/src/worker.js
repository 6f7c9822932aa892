// Runs conversions off the page's thread, so that a long one keeps the page
// responsive. The module is compiled once. For the page, the status and the
// object index go over as soon as they are there, for the table, then what
// the view needs, read back from the files; the files and the trace stay
// here until a download asks for them.
import { convert, convertBlob } from './polymill.js';
import { summarize } from './summary.js';

/* global POLYMILL_WASM_BASE64 */
const wasm = Uint8Array.from(atob(POLYMILL_WASM_BASE64), (c) => c.charCodeAt(0));
const module = new WebAssembly.Module(wasm);

const buffersOf = (...arrays) => [...new Set(arrays.filter((bytes) => bytes).map((bytes) => bytes.buffer))];

// The module's memory cannot be handed over: what goes is a copy of its own.
const own = (array) => array && array.slice();

const TRACE_HEAD = 1 << 16; // what the page shows of a completed run's trace

// The page's last completed conversion, whose trace and files are copied out
// only when a download asks for one: hundreds of megabytes for a large scene.
let kept = null;

function conversion(id, result) {
  const { status, objects } = result;
  kept = { id, result };
  const sizes = Object.fromEntries(['trace', 'vertices', 'faces', 'mapping'].map((file) => [file, result[file]?.length ?? null]));
  // The table needs the index alone, and goes at once; the view follows.
  self.postMessage({ id, result: { status, objects, sizes, traceHead: own(result.trace.subarray(0, TRACE_HEAD)), conversion: id } });
  const summary = summarize(result);
  const { positions, indices, uvs } = summary.drawing;
  self.postMessage({ id, summary, last: true }, buffersOf(positions, indices, uvs));
}

// A file of the kept conversion, for the page's download.
function sendFile(id, file, of) {
  if (kept?.id !== of) throw new Error('that conversion is no longer held: convert the scene again');
  const bytes = own(kept.result[file]);
  self.postMessage({ id, result: bytes, last: true }, buffersOf(bytes));
}

// scene: the bytes, or the File the user chose, read here, off the page's
// thread; withSummary: for the page's own view of it.
async function convertScene(id, scene, withSummary) {
  kept = null; // its memory goes before the next conversion takes its own
  const converting = () => self.postMessage({ id, phase: 'converting' });
  const result = scene instanceof Blob ? await convertBlob(module, scene, converting) : convert(module, new Uint8Array(scene));
  if (withSummary && result.status === 0) return conversion(id, result);
  const [trace, vertices, faces, mapping] = [result.trace, result.vertices, result.faces, result.mapping].map(own);
  self.postMessage({ id, result: { status: result.status, trace, vertices, faces, mapping, objects: result.objects }, last: true },
    buffersOf(trace, vertices, faces, mapping));
}

self.onmessage = async ({ data: { id, scene, withSummary, file, of } }) => {
  try {
    await (file ? sendFile(id, file, of) : convertScene(id, scene, withSummary));
  } catch (error) {
    self.postMessage({ id, error: String(error && error.message ? error.message : error), last: true });
  }
};

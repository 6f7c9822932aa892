// Runs conversions off the page's thread, so that a long one keeps the page
// responsive. The module is compiled once. For the page, a chosen file is
// placed in the module's memory and kept there; the survey of it (status,
// object index, the trace's head) goes over first, for the table, and only
// then are the files written and read back for the view. The files stay here
// until a download asks for one; the whole trace is made again when it is
// asked for, rather than held.
import { convert, converted, filesOf, placed, surveyed } from './polymill.js';
import { summarize } from './summary.js';

/* global POLYMILL_WASM_BASE64 */
const wasm = Uint8Array.from(atob(POLYMILL_WASM_BASE64), (c) => c.charCodeAt(0));
const module = new WebAssembly.Module(wasm);

const buffersOf = (...arrays) => [...new Set(arrays.filter((bytes) => bytes).map((bytes) => bytes.buffer))];

// The module's memory cannot be handed over: what goes is a copy of its own.
const own = (array) => array && array.slice();

const TRACE_HEAD = 1 << 16; // what the page shows of a completed run's trace
const WHOLE_TRACE = 0xffffffff;

// The page's last completed conversion: its scene, still in the module's
// memory, and its files, copied out only when a download asks for one:
// hundreds of megabytes for a large scene.
let kept = null;

function sendResult(id, result) {
  const [trace, vertices, faces, mapping] = [result.trace, result.vertices, result.faces, result.mapping].map(own);
  self.postMessage({ id, result: { status: result.status, trace, vertices, faces, mapping, objects: result.objects }, last: true },
    buffersOf(trace, vertices, faces, mapping));
}

// The table needs the survey alone, and goes at once; the view follows once
// the files are written.
function surveyFirst(id, scene) {
  const survey = surveyed(scene, TRACE_HEAD);
  if (survey.status !== 0) return sendResult(id, converted(scene));
  const { status, objects, sizes, trace } = survey;
  self.postMessage({ id, result: { status, objects, sizes, traceHead: trace, conversion: id } }, [trace.buffer]);
  const files = filesOf(scene);
  if (files.status !== 0) throw new Error("the files do not fit in the module's memory");
  kept = { id, scene, files };
  const summary = summarize({ objects, ...files });
  const { positions, indices, uvs } = summary.drawing;
  self.postMessage({ id, summary, last: true }, buffersOf(positions, indices, uvs));
}

// A file of the kept conversion, for the page's download.
function sendFile(id, file, of) {
  if (kept?.id !== of) throw new Error('that conversion is no longer held: convert the scene again');
  const bytes = file === 'trace' ? surveyed(kept.scene, WHOLE_TRACE).trace : own(kept.files[file]);
  self.postMessage({ id, result: bytes, last: true }, buffersOf(bytes));
}

// scene: the bytes, or the File the user chose, read here, off the page's
// thread; withSummary: for the page's own view of it.
async function convertScene(id, scene, withSummary) {
  kept = null; // its memory goes before the next conversion takes its own
  if (!(scene instanceof Blob)) return sendResult(id, convert(module, new Uint8Array(scene)));
  const inMemory = await placed(module, scene);
  self.postMessage({ id, phase: 'converting' });
  return withSummary ? surveyFirst(id, inMemory) : sendResult(id, converted(inMemory));
}

self.onmessage = async ({ data: { id, scene, withSummary, file, of } }) => {
  try {
    await (file ? sendFile(id, file, of) : convertScene(id, scene, withSummary));
  } catch (error) {
    self.postMessage({ id, error: String(error && error.message ? error.message : error), last: true });
  }
};

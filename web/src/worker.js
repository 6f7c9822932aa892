// Runs conversions off the page's thread, so that a long one keeps the page
// responsive. The module is compiled once. For the page, a chosen file is
// converted in two steps: the survey (status, object index, the trace's
// head) goes over first, for the table, and only then is the scene
// converted, its files read back for the view. The trace and the files stay
// here until a download asks for one.
import { convert, stepsOf } from './polymill.js';
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

function sendResult(id, result) {
  const [trace, vertices, faces, mapping] = [result.trace, result.vertices, result.faces, result.mapping].map(own);
  self.postMessage({ id, result: { status: result.status, trace, vertices, faces, mapping, objects: result.objects }, last: true },
    buffersOf(trace, vertices, faces, mapping));
}

// The table needs the survey alone, and goes at once; the view follows once
// the scene is converted.
async function surveyFirst(id, steps) {
  const survey = await steps.survey(TRACE_HEAD);
  if (survey.status !== 0) return sendResult(id, await steps.convert());
  const { status, objects, sizes, trace } = survey;
  self.postMessage({ id, result: { status, objects, sizes, traceHead: trace, conversion: id } }, [trace.buffer]);
  const result = await steps.convert();
  // Only a file changed since the survey, or memory the engine would not give, makes them differ.
  if (result.status !== 0 || result.trace.length !== sizes.trace) throw new Error('the file changed while it was converted, or the memory ran out: convert it again');
  kept = { id, result };
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
  if (!(scene instanceof Blob)) return sendResult(id, convert(module, new Uint8Array(scene)));
  const steps = await stepsOf(module, scene);
  self.postMessage({ id, phase: 'converting' });
  return withSummary ? surveyFirst(id, steps) : sendResult(id, await steps.convert());
}

self.onmessage = async ({ data: { id, scene, withSummary, file, of } }) => {
  try {
    await (file ? sendFile(id, file, of) : convertScene(id, scene, withSummary));
  } catch (error) {
    self.postMessage({ id, error: String(error && error.message ? error.message : error), last: true });
  }
};

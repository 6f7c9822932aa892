// Runs conversions off the page's thread, so that a long one keeps the page
// responsive and can report its progress. The module is compiled once.
import { convert } from './polymill.js';
import { summarize } from './summary.js';

/* global POLYMILL_WASM_BASE64 */
const wasm = Uint8Array.from(atob(POLYMILL_WASM_BASE64), (c) => c.charCodeAt(0));
const module = new WebAssembly.Module(wasm);

// scene: the bytes, or the File the user chose, read here, off the page's thread.
self.onmessage = async ({ data: { id, scene, withSummary } }) => {
  try {
    const bytes = new Uint8Array(scene instanceof Blob ? await scene.arrayBuffer() : scene);
    const result = convert(module, bytes, (phase, fraction) =>
      self.postMessage({ id, progress: { phase, fraction } }),
    );
    if (withSummary && result.status === 0) self.postMessage({ id, progress: { phase: 'reading the arrays back' } });
    const summary = withSummary && result.status === 0 ? summarize(result) : null;
    const buffers = [result.trace, result.vertices, result.faces, result.mapping]
      .filter((bytes) => bytes !== null)
      .map((bytes) => bytes.buffer);
    if (summary) {
      const { positions, indices, uvs } = summary.drawing;
      buffers.push(positions.buffer, indices.buffer, ...(uvs ? [uvs.buffer] : []));
    }
    self.postMessage({ id, result, summary }, [...new Set(buffers)]);
  } catch (error) {
    self.postMessage({ id, error: String(error && error.message ? error.message : error) });
  }
};

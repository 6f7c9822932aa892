// polymill for JavaScript: the conversion of a 3DS scene in memory, by the
// program itself compiled to WebAssembly, in node and, through a bundler, in
// a browser. The module travels inside this file's package; nothing is fetched.
import { convert as convertWith } from './lib/polymill.js';
export { objects } from './lib/objects.js';
import { wasmBase64 } from './lib/polymill_wasm.js';
// Under node, the host's figures of how much memory the process may use; in a browser, none.
import { memoryFiles } from '#host-memory';

const decoded = (base64) =>
  typeof Buffer === 'function' ? Buffer.from(base64, 'base64') : Uint8Array.from(atob(base64), (c) => c.charCodeAt(0));

let compiled = null;

// scene: a Uint8Array of the 3DS file. Resolves to {status, trace, vertices,
// faces, mapping, objects}: what `polymill scene.3ds v f m` gives, as
// Uint8Arrays, a file the program would not create being null, and the
// object index of those files (objects() gives it too).
export async function convert(scene) {
  compiled ??= WebAssembly.compile(decoded(wasmBase64));
  return convertWith(await compiled, scene, memoryFiles);
}

#!/usr/bin/env node
// polymill-objects infile.3ds: the scene's object index as JSON on standard
// output, the same text as the native command's and the page's download.
import fs from 'node:fs';
import { memoryFiles, retried } from '../lib/host_files.js';
import { convert } from '../lib/polymill.js';
import { wasmBase64 } from '../lib/polymill_wasm.js';

// Standard output and error as the native command has them: on Windows lines end in CR LF.
function write(fd, bytes) {
  for (let done = 0; done < bytes.length; ) done += retried(() => fs.writeSync(fd, bytes, done, bytes.length - done));
}
const lineEnds = (text) => (process.platform === 'win32' ? text.replaceAll('\n', '\r\n') : text);

function main(words) {
  if (words.length !== 1) {
    write(2, Buffer.from(lineEnds('usage: polymill-objects infile.3ds\n')));
    return 1;
  }
  let scene;
  try {
    scene = new Uint8Array(fs.readFileSync(words[0]));
  } catch {
    write(2, Buffer.from(lineEnds('Error reading File\n')));
    return 1;
  }
  const module = new WebAssembly.Module(Buffer.from(wasmBase64, 'base64'));
  let result;
  try {
    result = convert(module, scene, memoryFiles);
  } catch (error) {
    // No room for the module's memory, or for the scene in it.
    if (!(error instanceof RangeError)) throw error;
    write(2, Buffer.from(lineEnds(`Not enough memory: ${error.message}\n`)));
    return 1;
  }
  const { status, trace, objects } = result;
  if (status !== 0) {
    // What the program printed, ending in its message.
    write(2, Buffer.from(lineEnds(Buffer.from(trace).toString('latin1')), 'latin1'));
    if (trace.length > 0 && trace[trace.length - 1] !== 0x0a) write(2, Buffer.from(lineEnds('\n')));
    return 1;
  }
  write(1, Buffer.from(lineEnds(`${JSON.stringify(objects, null, 1)}\n`)));
  return 0;
}

try {
  process.exitCode = main(process.argv.slice(2));
} catch {
  process.exitCode = 1; // standard output went away
}

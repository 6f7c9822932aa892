// polymill's WebAssembly module run as the program is run, on the host's own
// files: `polymill infile.3ds outVertexFile outFaceFile [outMappingFile]`, the
// trace on standard output, the program's status. The command of the npm
// package and web/src/cli.js are this and nothing more.
import fs from 'node:fs';
import path from 'node:path';
import { Wasi } from './wasi.js';
import { hostFiles, modulePath, retried } from './host_files.js';

// Standard output as the program has it: a closed pipe fails the write and the
// run goes on. On Windows lines end in CR LF, as the C library's text mode
// writes them for the native program.
function standardOutput(lineEnd) {
  const write = (bytes) => {
    for (let done = 0; done < bytes.length; ) done += retried(() => fs.writeSync(1, bytes, done, bytes.length - done));
  };
  return {
    write(bytes) {
      try {
        write(lineEnd === '\n' ? bytes : withLineEnds(bytes));
        return true;
      } catch {
        return false;
      }
    },
  };
}

function withLineEnds(bytes) {
  let count = 0;
  for (const byte of bytes) if (byte === 0x0a) ++count;
  const out = new Uint8Array(bytes.length + count);
  let at = 0;
  for (const byte of bytes) {
    if (byte === 0x0a) out[at++] = 0x0d;
    out[at++] = byte;
  }
  return out;
}

// module: the compiled polymill module; words: the command line after the
// program's name; program: the absolute name of the module's own file, from
// which the program finds the README beside it (or null: none to name).
// Gives the exit status, 0 or 255.
export function runCommand(module, words, program = null) {
  // The module's one folder is the host's root: names are handed over absolute.
  const name = (word) => (word === '' ? word : modulePath(path.resolve(word)));
  const args = [program === null ? 'polymill' : modulePath(program), ...words.map(name)];
  const console = standardOutput(process.platform === 'win32' ? '\r\n' : '\n');
  const wasi = new Wasi({ args, fileSystem: hostFiles, console, terminal: process.stdout.isTTY === true });
  let instance;
  try {
    instance = new WebAssembly.Instance(module, wasi.imports());
  } catch (error) {
    // The engine found no room for the module's memory (under a limit on the
    // process's address space, say): the program's way of failing, not a crash.
    if (!(error instanceof RangeError)) throw error;
    console.write(new TextEncoder().encode(`Not enough memory to start polymill: ${error.message}\n`));
    return 255;
  }
  return wasi.start(instance) & 0xff;
}

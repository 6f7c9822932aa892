#!/usr/bin/env node
// Runs polymill's WebAssembly module as the program is run: node cli.js
// polymill.wasm infile.3ds outVertexFile outFaceFile [outMappingFile]. Files
// are the host's, the trace goes to standard output, the status is the
// program's.
import fs from 'node:fs';
import path from 'node:path';
import { Wasi } from './wasi.js';
import { hostFiles } from './host_files.js';

// Standard output as the program has it: a closed pipe fails the write and the run goes on.
const standardOutput = {
  write(bytes) {
    try {
      for (let done = 0; done < bytes.length; ) {
        try {
          done += fs.writeSync(1, bytes, done, bytes.length - done);
        } catch (error) {
          if (error.code !== 'EAGAIN') throw error;
        }
      }
      return true;
    } catch {
      return false;
    }
  },
};

const [modulePath, ...words] = process.argv.slice(2);
// The module's own folder is "/": names are handed over absolute.
const args = ['polymill', ...words.map((word) => (word === '' ? word : path.resolve(word)))];
const wasi = new Wasi({ args, fileSystem: hostFiles, console: standardOutput, terminal: process.stdout.isTTY === true });
const module = new WebAssembly.Module(fs.readFileSync(modulePath));
const status = wasi.start(new WebAssembly.Instance(module, wasi.imports()));
process.exitCode = status & 0xff;

#!/usr/bin/env node
// The polymill command: polymill infile.3ds outVertexFile outFaceFile [outMappingFile]
import { fileURLToPath } from 'node:url';
import { runCommand } from '../lib/command.js';
import { wasmBase64 } from '../lib/polymill_wasm.js';

// The module's own file tells the program where the package's README is.
const moduleFile = fileURLToPath(new URL('../lib/polymill_wasm.js', import.meta.url));
const module = new WebAssembly.Module(Buffer.from(wasmBase64, 'base64'));
process.exitCode = runCommand(module, process.argv.slice(2), moduleFile);

#!/usr/bin/env node
// Runs polymill's WebAssembly module as the program is run:
//   node cli.js polymill.wasm infile.3ds outVertexFile outFaceFile [outMappingFile]
import fs from 'node:fs';
import { runCommand } from './command.js';

const [moduleFile, ...words] = process.argv.slice(2);
process.exitCode = runCommand(new WebAssembly.Module(fs.readFileSync(moduleFile)), words);

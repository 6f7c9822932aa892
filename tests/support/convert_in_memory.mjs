// The npm package's convert() on a scene, as a program that embeds it would,
// for the tests at the limits of memory:
//   node convert_in_memory.mjs PACKAGE_INDEX CALLS SCENE PREFIX
// writes, for each call i from 1 (one after another: node runs one at a
// time), PREFIX.i.status and PREFIX.i.trace, and the files the call made as
// PREFIX.i.v, PREFIX.i.f and PREFIX.i.m.
import fs from 'node:fs';
import { pathToFileURL } from 'node:url';

const [index, calls, scene, prefix] = process.argv.slice(2);
const { convert } = await import(pathToFileURL(index));
const bytes = new Uint8Array(fs.readFileSync(scene));
for (let i = 1; i <= Number(calls); ++i) {
  const result = await convert(bytes);
  fs.writeFileSync(`${prefix}.${i}.status`, String(result.status));
  fs.writeFileSync(`${prefix}.${i}.trace`, result.trace);
  for (const [file, suffix] of [['vertices', 'v'], ['faces', 'f'], ['mapping', 'm']]) {
    if (result[file] !== null) fs.writeFileSync(`${prefix}.${i}.${suffix}`, result[file]);
  }
}

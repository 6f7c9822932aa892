// Makes the npm package from the module and the scripts the page also runs,
// and packs it: node pack.js POLYMILL_WASM VERSION OUTPUT_FOLDER leaves
// OUTPUT_FOLDER/polymill-VERSION.tgz (the staged package in OUTPUT_FOLDER/npm).
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const [wasmPath, version, outputFolder] = process.argv.slice(2);
if (!wasmPath || !version || !outputFolder) {
  console.error('usage: node pack.js POLYMILL_WASM VERSION OUTPUT_FOLDER');
  process.exit(2);
}
const here = (...parts) => path.join(path.dirname(fileURLToPath(import.meta.url)), ...parts);
const staged = path.join(outputFolder, 'npm');
fs.rmSync(staged, { recursive: true, force: true });
fs.mkdirSync(path.join(staged, 'lib'), { recursive: true });
fs.mkdirSync(path.join(staged, 'bin'));

const manifest = fs.readFileSync(here('npm', 'package.json.in'), 'utf8').replace('@PROJECT_VERSION@', version);
fs.writeFileSync(path.join(staged, 'package.json'), manifest);
const commands = ['bin/polymill.js', 'bin/polymill-objects.js'];
for (const file of ['index.js', 'index.d.ts', 'README.md', 'lib/host_memory.js', 'lib/no_host_memory.js', ...commands]) {
  fs.copyFileSync(here('npm', file), path.join(staged, file));
}
for (const command of commands) fs.chmodSync(path.join(staged, command), 0o755);
for (const file of ['blob_files.js', 'command.js', 'host_files.js', 'objects.js', 'polymill.js', 'wasi.js']) {
  fs.copyFileSync(here('src', file), path.join(staged, 'lib', file));
}
// The module as a script, so that bundlers take it in and nothing is fetched.
const base64 = fs.readFileSync(wasmPath).toString('base64');
fs.writeFileSync(path.join(staged, 'lib', 'polymill_wasm.js'), `export const wasmBase64 = '${base64}';\n`);

execFileSync('npm', ['pack', '--silent', '--pack-destination', path.resolve(outputFolder)], { cwd: staged, stdio: 'inherit' });
console.log(`${path.join(outputFolder, `polymill-${version}.tgz`)}`);

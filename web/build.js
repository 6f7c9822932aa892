// Makes the one self-contained page: the WebAssembly module (base64) inside
// the worker's script, the worker's script and three.js inside the page's
// script, and that inside the HTML, so that it works from file:// too.
//   node build.js POLYMILL_WASM OUTPUT_HTML
import * as esbuild from 'esbuild';
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const [wasmPath, outputPath] = process.argv.slice(2);
if (!wasmPath || !outputPath) {
  console.error('usage: node build.js POLYMILL_WASM OUTPUT_HTML');
  process.exit(2);
}
const source = (name) => path.join(path.dirname(fileURLToPath(import.meta.url)), 'src', name);
const bundle = async (entry, define) =>
  (
    await esbuild.build({
      entryPoints: [source(entry)],
      bundle: true,
      minify: true,
      format: 'iife',
      target: 'es2022',
      write: false,
      define,
      legalComments: 'inline',
    })
  ).outputFiles[0].text;

const worker = await bundle('worker.js', {
  POLYMILL_WASM_BASE64: JSON.stringify(fs.readFileSync(wasmPath).toString('base64')),
});
const page = await bundle('page.js', { POLYMILL_WORKER_SOURCE: JSON.stringify(worker) });
// Inside a script element only "</script" could end it early.
const script = `<script>${page.replace(/<\/script/gi, '<\\/script')}</script>`;
const html = fs.readFileSync(source('index.html'), 'utf8').replace('<!-- script -->', () => script);
fs.mkdirSync(path.dirname(outputPath), { recursive: true });
fs.writeFileSync(outputPath, html);
console.log(`${outputPath}: ${html.length} bytes`);

// The page: hands a scene to the converter, then shows what came back. All
// conversion happens in the WebAssembly module, in a worker.
import { objects } from './objects.js';
import { totalsOf } from './summary.js';
import { Viewer } from './viewer.js';

/* global POLYMILL_WORKER_SOURCE */
const TRACE_LINES_SHOWN = 60;
const TRACE_BYTES_SCANNED = 1 << 16;

const $ = (id) => document.getElementById(id);

// --- The converter, off the page's thread --------------------------------
const worker = new Worker(URL.createObjectURL(new Blob([POLYMILL_WORKER_SOURCE], { type: 'text/javascript' })));
const pending = new Map();
let nextId = 1;
worker.onmessage = ({ data }) => {
  const job = pending.get(data.id);
  if (!job) return;
  if (data.last) pending.delete(data.id);
  if (data.phase) job.phase(data.phase);
  else if (data.result) job.resolve(data.result);
  else if (data.error) {
    job.reject(new Error(data.error));
    job.later(data); // for a caller that already has the result
  } else job.later(data);
};

// Sends the worker a message with a fresh id; resolves to its answer.
function ask(message, transfer = [], later = () => {}, phase = () => {}) {
  return new Promise((resolve, reject) => {
    const id = nextId++;
    pending.set(id, { resolve, reject, later, phase });
    worker.postMessage({ id, ...message }, transfer);
  });
}

// scene: a Uint8Array, of which a copy goes over so that the caller's bytes
// stay theirs, or a File, which the worker reads itself. Resolves to the
// result. With `withSummary`, a completed run's result is its status, index,
// the first bytes of its trace, the sizes of the trace and the files, which
// fileOf() copies out of the worker, and the conversion's id to ask by; its
// summary follows through `later`. `phase` hears when a File has been read.
function run(scene, withSummary, later, phase) {
  if (scene instanceof Blob) return ask({ scene, withSummary }, [], later, phase);
  const copy = scene.slice();
  return ask({ scene: copy.buffer, withSummary }, [copy.buffer]);
}

// The trace or a file of the page's last completed conversion, as the worker keeps them.
const fileOf = (conversion, file) => ask({ file, of: conversion });

// For scripts and tests: the same conversion the controls use. Gives
// {status, trace, vertices, faces, mapping, objects}: Uint8Arrays (null for a
// file the program did not create) and the object index; objects() gives the
// index of such a result, as the page offers it for download.
window.polymill = {
  async convert(bytes) {
    return run(bytes, false);
  },
  objects,
};

// --- Showing a result ------------------------------------------------------
let viewer = null;
try {
  viewer = new Viewer($('view'));
} catch (error) {
  $('view').append(`No 3D view: this browser gives no WebGL (${error.message}).`);
}
let current = null;

function setStatus(text, kind = '') {
  $('status').textContent = text;
  $('status').className = kind;
}

// The program's own message: the last line it printed.
function messageOf(trace) {
  const tail = new TextDecoder().decode(trace.subarray(Math.max(0, trace.length - 512)));
  const lines = tail.split('\n').filter((line) => line.trim() !== '');
  return lines.length ? lines[lines.length - 1] : '(no message)';
}

// head: the trace's first bytes (or all of it); size: its length.
function showTrace(head, size) {
  const text = new TextDecoder().decode(head.subarray(0, TRACE_BYTES_SCANNED));
  const lines = text.split('\n').slice(0, TRACE_LINES_SHOWN);
  // Control bytes of a name are shown, not obeyed.
  $('trace').textContent = lines.join('\n').replace(/[\u0000-\u0008\u000b-\u001f\u007f]/g, (c) => `\\x${c.charCodeAt(0).toString(16).padStart(2, '0')}`);
  $('traceNote').textContent = `(first ${lines.length} lines of ${size.toLocaleString('en')} bytes; the whole trace is a download)`;
  $('traceBox').hidden = false;
}

const number = (n) => n.toLocaleString('en');
const coordinate = (v) => (Number.isFinite(v) ? Number(v.toPrecision(4)).toString() : String(v));
// Smallest corner over largest, so that the column stays narrow.
const boundsText = (bounds) =>
  bounds ? `${bounds.min.map(coordinate).join(' ')}\n${bounds.max.map(coordinate).join(' ')}` : '—';

function cell(row, text, className) {
  const td = row.insertCell();
  td.textContent = text;
  if (className) td.className = className;
  return td;
}

// objects: the index, or the summary's objects with the warnings found in the files.
function showTable(objects, totals) {
  const body = $('objects');
  body.replaceChildren();
  objects.forEach((object, index) => {
    const row = body.insertRow();
    row.dataset.index = index;
    cell(row, object.name ?? '(outside any object)', 'name');
    cell(row, number(object.vertices));
    cell(row, number(object.faces));
    cell(row, number(object.mapping));
    cell(row, boundsText(object.bounds), 'bounds');
    // Lights and cameras are objects without a mesh: nothing is wrong with them.
    const noMesh = !object.mesh && object.vertices === 0 && object.faces === 0 && object.mapping === 0;
    const warnings = object.warnings ?? [];
    const remark = warnings.length ? [`⚠ ${warnings.join('; ')}`, 'warning'] : noMesh ? ['no mesh (a light, a camera…)', 'note'] : null;
    if (remark) {
      const line = body.insertRow();
      line.dataset.index = index;
      cell(line, ...remark).colSpan = 5;
    }
  });
  const foot = $('totals');
  foot.replaceChildren();
  cell(foot, `${number(totals.objects)} objects`);
  cell(foot, number(totals.vertices));
  cell(foot, number(totals.faces));
  cell(foot, number(totals.mapping));
  cell(foot, boundsText(totals.bounds), 'bounds');
  $('found').hidden = false;
}

function pick(index) {
  for (const row of $('objects').rows) row.classList.toggle('picked', Number(row.dataset.index) === index);
  viewer?.highlight(index);
}
$('objects').addEventListener('click', (event) => {
  const row = event.target.closest('tr');
  if (row) pick(Number(row.dataset.index) === current?.picked ? -1 : Number(row.dataset.index));
  if (row && current) current.picked = Number(row.dataset.index);
});

function save(bytes, name) {
  const link = document.createElement('a');
  link.href = URL.createObjectURL(new Blob([bytes], { type: 'application/octet-stream' }));
  link.download = name;
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(link.href), 60000);
}

// What a download button offers: its size, and the bytes when it is clicked.
const inHand = (bytes) => bytes && { size: bytes.length, bytes: async () => bytes };

// files: the trace, vertices, faces and mapping, each offered or null.
function offerDownloads(files, objects, base) {
  const index = objects && new TextEncoder().encode(`${JSON.stringify(objects, null, 1)}\n`);
  const offers = [
    ['saveVertices', files.vertices, `${base}.vertices`],
    ['saveFaces', files.faces, `${base}.faces`],
    ['saveMapping', files.mapping, `${base}.mapping`],
    ['saveObjects', inHand(index), `${base}.objects.json`],
    ['saveTrace', files.trace, `${base}.trace.txt`],
  ];
  for (const [id, offer, name] of offers) {
    const button = $(id);
    button.hidden = offer === null;
    button.textContent = `${name} (${number(offer?.size ?? 0)} bytes)`;
    button.onclick = async () => {
      try {
        save(await offer.bytes(), name);
      } catch (error) {
        setStatus(`No download: ${error.message}`, 'failed');
      }
    };
  }
  $('downloads').hidden = false;
}

const nextFrame = () => new Promise((resolve) => requestAnimationFrame(() => setTimeout(resolve, 0)));

async function convertFile(file) {
  const base = file.name.replace(/\.[^.]*$/, '') || 'scene';
  setStatus(`Reading ${file.name} (${number(file.size)} bytes)…`);
  for (const id of ['found', 'downloads', 'traceBox']) $(id).hidden = true;
  viewer?.clear();
  const progress = $('progress');
  progress.hidden = false;
  progress.removeAttribute('value');
  try {
    let viewArrived;
    const later = new Promise((resolve) => (viewArrived = resolve));
    const result = await run(file, true, viewArrived, () => setStatus(`Converting ${file.name}…`));
    current = { result, picked: -1 };
    if (result.status === 0) {
      const totals = totalsOf(result.objects);
      showTable(result.objects, totals);
      showTrace(result.traceHead, result.sizes.trace);
      const files = Object.fromEntries(Object.entries(result.sizes).map(([name, size]) =>
        [name, size === null ? null : { size, bytes: () => fileOf(result.conversion, name) }]));
      offerDownloads(files, result.objects, base);
      setStatus(`Preparing the view of ${file.name}…`);
      // The table is drawn first: reading the files back and building a large scene's view take a while.
      await nextFrame();
      const { summary, error } = await later;
      if (error) throw new Error(error);
      showTable(summary.objects, totals);
      viewer?.show(summary.drawing, summary.objects);
      setStatus(`Completed (status 0): ${file.name}`, 'completed');
    } else {
      showTrace(result.trace, result.trace.length);
      const { trace, vertices, faces, mapping } = result;
      offerDownloads({ trace: inHand(trace), vertices: inHand(vertices), faces: inHand(faces), mapping: inHand(mapping) }, null, base);
      setStatus(`Failed (status ${result.status}): ${messageOf(result.trace)}`, 'failed');
    }
  } catch (error) {
    setStatus(`The converter stopped: ${error.message}`, 'failed');
  } finally {
    progress.hidden = true;
  }
}

// --- Controls ----------------------------------------------------------------
$('choose').addEventListener('change', (event) => {
  const [file] = event.target.files;
  if (file) convertFile(file);
  event.target.value = '';
});
const drop = $('drop');
for (const type of ['dragenter', 'dragover']) {
  document.addEventListener(type, (event) => {
    event.preventDefault();
    drop.classList.add('over');
  });
}
document.addEventListener('dragleave', () => drop.classList.remove('over'));
document.addEventListener('drop', (event) => {
  event.preventDefault();
  drop.classList.remove('over');
  const [file] = event.dataTransfer.files;
  if (file) convertFile(file);
});
$('fit').addEventListener('click', () => viewer?.fit());
$('wireframe').addEventListener('change', (event) => viewer?.setWireframe(event.target.checked));

// The file the page's module reads a chosen file through: every read gives
// the Blob's own bytes, wherever it starts, across the pieces of a stream,
// back within the piece in hand, a little or far ahead, and past the end.
import assert from 'node:assert/strict';
import { test } from 'node:test';
import { blobFiles } from '../src/blob_files.js';
import { ERRNO, FileSystemError } from '../src/wasi.js';

test('reads at any position give the bytes there', async () => {
  const bytes = new Uint8Array(5 << 20).map((_, i) => (i * 2654435761) >>> 24);
  const file = blobFiles('/scene.3ds', new Blob([bytes])).open('/scene.3ds', { read: true });
  const MiB = 1 << 20;
  const reads = [
    ['the start', 0, 100],
    ['across pieces', 100, 2 * MiB + 7],
    ['back within the piece in hand', 2 * MiB + 50, 1000],
    ['back before it', 10, 20],
    ['a little ahead', 3 * MiB + 5, 4096],
    ['far ahead', 4 * MiB + 1, 1],
    ['over the end', 5 * MiB - 10, 100],
    ['past the end', 5 * MiB + 10, 10],
  ];
  for (const [name, position, length] of reads) {
    const into = new Uint8Array(length);
    const got = await file.read(into, position);
    const expected = bytes.subarray(position, position + length);
    assert.equal(got, expected.length, name);
    assert.deepEqual(into.subarray(0, got), expected, name);
  }
  file.close();
});

test('a file that can no longer be read fails the read as a disk would', async () => {
  const gone = { size: 10, slice: () => ({ stream: () => new ReadableStream({ pull: (c) => c.error(new Error('NotReadableError')) }) }) };
  const file = blobFiles('/scene.3ds', gone).open('/scene.3ds', { read: true });
  await assert.rejects(file.read(new Uint8Array(4), 0), (error) => error instanceof FileSystemError && error.errno === ERRNO.io);
});

// The one file a browser shows the module: a Blob (the File the user chose),
// read as the program reads a file, by position, each read awaited. Reads
// that follow one another go on in one stream of the Blob; a read anywhere
// else starts a stream there. Nothing of the Blob is held but the piece in
// hand.
import { ERRNO, FILETYPE, FileSystemError } from './wasi.js';

const PIECE = 1 << 20;

// The pieces of a Blob, each read into the one buffer the last piece came in
// where the engine can (a byte stream's BYOB reader): fresh memory for every
// piece costs a page fault per 4 KiB. A piece is good until the next is asked for.
// A stream left early (its reader returned) is cancelled, so that the
// browser stops reading for it.
export async function* piecesOf(blob) {
  const stream = blob.stream();
  let reader;
  let read;
  try {
    reader = stream.getReader({ mode: 'byob' });
    let buffer = new ArrayBuffer(PIECE);
    read = async () => {
      const piece = await reader.read(new Uint8Array(buffer));
      buffer = piece.value?.buffer;
      return piece;
    };
  } catch {
    reader = stream.getReader(); // an engine whose Blob gives no byte stream
    read = () => reader.read();
  }
  try {
    for (let piece = await read(); !piece.done; piece = await read()) yield piece.value;
  } finally {
    reader.cancel().catch(() => {});
  }
}

class BlobFile {
  type = FILETYPE.regularFile;
  #blob;
  #pieces = null;
  #at = 0; // where the next byte of #pieces lies in the Blob
  #held = new Uint8Array(0); // what is left of the piece in hand

  constructor(blob) {
    this.#blob = blob;
  }

  size() {
    return this.#blob.size;
  }

  async read(bytes, position) {
    if (this.#pieces === null || position !== this.#at) {
      await this.#pieces?.return();
      this.#pieces = piecesOf(this.#blob.slice(position));
      this.#at = position;
      this.#held = new Uint8Array(0);
    }
    let got = 0;
    while (got < bytes.length) {
      if (this.#held.length === 0) {
        const { value, done } = await this.#pieces.next();
        if (done) break;
        this.#held = value;
      }
      const take = Math.min(this.#held.length, bytes.length - got);
      bytes.set(this.#held.subarray(0, take), got);
      this.#held = this.#held.subarray(take);
      got += take;
    }
    this.#at += got;
    return got;
  }

  write() {
    throw new FileSystemError(ERRNO.badf);
  }

  close() {
    this.#pieces?.return();
  }
}

// A file system of the Blob alone, at `name`; the module may only read it.
export function blobFiles(name, blob) {
  return {
    stat: (path) => (path === name ? { device: 0, inode: 1, type: FILETYPE.regularFile, size: blob.size } : null),
    readlink: () => null,
    open(path, { write }) {
      if (path !== name) throw new FileSystemError(ERRNO.noent);
      if (write) throw new FileSystemError(ERRNO.badf);
      return new BlobFile(blob);
    },
  };
}

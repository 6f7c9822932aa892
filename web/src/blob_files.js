// The one file a browser shows the module: a Blob (the File the user chose),
// read as the program reads a file, by position, each read awaited. Reads go
// on in one stream of the Blob where they can; a read before the piece in
// hand, or far past it, starts a stream there. Nothing of the Blob is held
// but the piece in hand.
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

// Starting a stream costs a round trip to where the browser keeps the file,
// milliseconds each, so a read goes on in the stream it can: the C library
// reads a little ahead and seeks back, and the walk skips chunks forward.
const SKIP_LIMIT = 4 << 20; // bytes passed over in the stream rather than starting anew

class BlobFile {
  type = FILETYPE.regularFile;
  #blob;
  #pieces = null;
  #piece = new Uint8Array(0); // the piece in hand
  #pieceAt = 0; // where it lies in the Blob

  constructor(blob) {
    this.#blob = blob;
  }

  size() {
    return this.#blob.size;
  }

  async read(bytes, position) {
    const end = this.#pieceAt + this.#piece.length;
    if (this.#pieces === null || position < this.#pieceAt || position > end + SKIP_LIMIT) {
      await this.#pieces?.return();
      this.#pieces = piecesOf(this.#blob.slice(position));
      this.#piece = new Uint8Array(0);
      this.#pieceAt = position;
    }
    let got = 0;
    while (got < bytes.length) {
      const offset = position + got - this.#pieceAt;
      if (offset >= this.#piece.length) {
        const next = this.#pieceAt + this.#piece.length; // asking for the next piece empties this one
        const { value, done } = await this.#nextPiece();
        this.#pieceAt = next;
        this.#piece = done ? new Uint8Array(0) : value;
        if (done) break;
        continue;
      }
      const take = Math.min(this.#piece.length - offset, bytes.length - got);
      bytes.set(this.#piece.subarray(offset, offset + take), got);
      got += take;
    }
    return got;
  }

  // A file that can no longer be read (changed, moved or deleted since it was
  // chosen) fails the read as a disk would.
  async #nextPiece() {
    try {
      return await this.#pieces.next();
    } catch {
      throw new FileSystemError(ERRNO.io);
    }
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

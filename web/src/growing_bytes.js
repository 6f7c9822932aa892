// Bytes that grow as they are written. Where the engine has resizable
// ArrayBuffers, the room is reserved once and pages are mapped as they are
// reached, so growing copies nothing, and the bytes are handed over as a
// plain buffer at the end (without a copy where the engine can); elsewhere
// they grow by doubling, which copies each byte a bounded number of times.

const ROOM = 2 ** 32; // a 32-bit module cannot write more than its memory holds
const FIRST = 1 << 16;

function reserved() {
  try {
    return new ArrayBuffer(0, { maxByteLength: ROOM });
  } catch {
    return new ArrayBuffer(0); // no resizable buffers here, or no room to reserve
  }
}

export class GrowingBytes {
  constructor() {
    this.buffer = reserved();
    this.size = 0;
  }

  // Writes `bytes` at `position` (the end by default), zeros filling any gap.
  write(bytes, position = this.size) {
    const end = position + bytes.length;
    if (end > this.buffer.byteLength) this.grow(end);
    const all = new Uint8Array(this.buffer, 0, this.buffer.byteLength);
    if (position > this.size) all.fill(0, this.size, position);
    all.set(bytes, position);
    this.size = Math.max(this.size, end);
  }

  truncate() {
    this.size = 0;
  }

  grow(end) {
    const wanted = Math.max(end, 2 * this.buffer.byteLength, FIRST);
    if (this.buffer.resizable && end <= this.buffer.maxByteLength) {
      this.buffer.resize(Math.min(wanted, this.buffer.maxByteLength));
      return;
    }
    const grown = new ArrayBuffer(wanted);
    new Uint8Array(grown).set(new Uint8Array(this.buffer, 0, this.size));
    this.buffer = grown;
  }

  // What was written, in a buffer of its own of fixed length (views of
  // resizable buffers are slower to read); no more is written after.
  finish() {
    if (!this.buffer.resizable) return new Uint8Array(this.buffer, 0, this.size);
    if (typeof this.buffer.transferToFixedLength === 'function') {
      return new Uint8Array(this.buffer.transferToFixedLength(this.size));
    }
    return new Uint8Array(this.buffer, 0, this.size).slice();
  }

  // What was written so far, as a view.
  bytes() {
    return new Uint8Array(this.buffer, 0, this.size);
  }
}

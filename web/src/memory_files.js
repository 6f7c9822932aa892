// One folder of files held in memory, for the WASI layer: the scene the user
// gave, and the files the run creates, which grow as they are written.
import { GrowingBytes } from './growing_bytes.js';
import { ERRNO, FILETYPE, FileSystemError } from './wasi.js';

const DEVICE = 1;

// "/a/./b" -> "a/b"; null for a name outside the one folder.
function nameOf(path) {
  const parts = [];
  for (const part of path.split('/')) {
    if (part === '' || part === '.') continue;
    if (part === '..') {
      if (parts.length === 0) return null;
      parts.pop();
    } else parts.push(part);
  }
  return parts.join('/');
}

// A file given whole, read as it is; it becomes a growing one if written to.
class GivenBytes {
  constructor(bytes) {
    this.given = bytes;
    this.size = bytes.length;
  }
  bytes() {
    return this.given.subarray(0, this.size);
  }
  finish() {
    return this.bytes();
  }
  truncate() {
    this.size = 0;
  }
}

export class MemoryFiles {
  constructor() {
    this.files = new Map(); // name -> { inode, content: GivenBytes or GrowingBytes }
    this.nextInode = 1;
  }

  put(name, bytes) {
    this.files.set(nameOf(name), { inode: this.nextInode++, content: new GivenBytes(bytes) });
  }

  // The file's bytes as the run left them, or null when there is none; once
  // the run is over, as nothing is written after.
  take(name) {
    const file = this.files.get(nameOf(name));
    return file ? file.content.finish() : null;
  }

  stat(path) {
    const name = nameOf(path);
    if (name === '') return { type: FILETYPE.directory, device: DEVICE, inode: 0, size: 0 };
    const file = name === null ? undefined : this.files.get(name);
    return file ? { type: FILETYPE.regularFile, device: DEVICE, inode: file.inode, size: file.content.size } : null;
  }

  readlink() {
    return null;
  }

  open(path, { create, truncate, exclusive }) {
    const name = nameOf(path);
    // One folder: a name with a folder in it names nothing.
    if (name === null || name === '' || name.includes('/')) throw new FileSystemError(ERRNO.noent);
    let file = this.files.get(name);
    if (file && create && exclusive) throw new FileSystemError(ERRNO.exist);
    if (!file) {
      if (!create) throw new FileSystemError(ERRNO.noent);
      file = { inode: this.nextInode++, content: new GrowingBytes() };
      this.files.set(name, file);
    }
    if (truncate) file.content.truncate();
    return {
      type: FILETYPE.regularFile,
      read(into, position) {
        const bytes = file.content.bytes();
        const got = Math.max(0, Math.min(into.length, bytes.length - position));
        into.set(bytes.subarray(position, position + got));
        return got;
      },
      write(from, position) {
        if (file.content instanceof GivenBytes) {
          const grown = new GrowingBytes();
          grown.write(file.content.bytes());
          file.content = grown;
        }
        file.content.write(from, position);
      },
      size: () => file.content.size,
      close() {},
    };
  }
}

// One folder of files held in memory, for the WASI layer: the scene the user
// gave, and the files the run creates. Files grow by doubling, so that writing
// a file of any size copies each byte a bounded number of times.
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

export class MemoryFiles {
  constructor() {
    this.files = new Map(); // name -> { inode, bytes, size }
    this.nextInode = 1;
  }

  put(name, bytes) {
    this.files.set(nameOf(name), { inode: this.nextInode++, bytes, size: bytes.length });
  }

  // The file's bytes as the run left them, or null when there is none.
  take(name) {
    const file = this.files.get(nameOf(name));
    return file ? file.bytes.subarray(0, file.size) : null;
  }

  stat(path) {
    const name = nameOf(path);
    if (name === '') return { type: FILETYPE.directory, device: DEVICE, inode: 0, size: 0 };
    const file = name === null ? undefined : this.files.get(name);
    return file ? { type: FILETYPE.regularFile, device: DEVICE, inode: file.inode, size: file.size } : null;
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
      file = { inode: this.nextInode++, bytes: new Uint8Array(0), size: 0 };
      this.files.set(name, file);
    }
    if (truncate) file.size = 0;
    return {
      type: FILETYPE.regularFile,
      read(into, position) {
        const got = Math.max(0, Math.min(into.length, file.size - position));
        into.set(file.bytes.subarray(position, position + got));
        return got;
      },
      write(from, position) {
        const end = position + from.length;
        if (end > file.bytes.length) {
          const grown = new Uint8Array(Math.max(end, 2 * file.bytes.length, 65536));
          grown.set(file.bytes.subarray(0, file.size));
          file.bytes = grown;
        }
        if (position > file.size) file.bytes.fill(0, file.size, position);
        file.bytes.set(from, position);
        file.size = Math.max(file.size, end);
      },
      size: () => file.size,
      close() {},
    };
  }
}

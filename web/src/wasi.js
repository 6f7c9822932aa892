// The WebAssembly system interface (preview 1), as far as polymill uses it:
// its arguments, standard output, and named files of one file system that the
// caller provides (in memory on the page, the host's own under node). Every
// call answers with a WASI error number; nothing else leaves the module.

const ERRNO = { success: 0, badf: 8, exist: 20, inval: 28, io: 29, isdir: 31, noent: 44, nospc: 51, notdir: 54, pipe: 64, spipe: 70 };
const FILETYPE = { unknown: 0, blockDevice: 1, characterDevice: 2, directory: 3, regularFile: 4, socketStream: 6, symbolicLink: 7 };
const OFLAGS = { create: 1, directory: 2, exclusive: 4, truncate: 8 };
const LOOKUP_FOLLOW = 1;
const ALL_RIGHTS = 0x1fffffffn;
const ROOT_FD = 3;
const CLOCK_REALTIME = 0;

// proc_exit unwinds the module by throwing this; start() turns it into the status.
class Exit {
  constructor(code) {
    this.code = code;
  }
}

export class FileSystemError extends Error {
  constructor(errno) {
    super(`file system error ${errno}`);
    this.errno = errno;
  }
}
export { ERRNO, FILETYPE };

function errnoOf(error) {
  if (error instanceof FileSystemError) return error.errno;
  throw error;
}

export class Wasi {
  // args: the words of the command line, program name first.
  // fileSystem: { stat(path, follow), readlink(path), open(path, {read, write, create, truncate, exclusive}) },
  //   open giving { type, read(bytes, position), write(bytes, position), size(), close() }; failures throw FileSystemError.
  //   type is the FILETYPE of what was opened: a regular file is read by position, anything else (a pipe, a
  //   device) in order, its read ignoring the position.
  // console: { write(bytes) } for standard output and error, false when the bytes could not be written
  //   (the bytes are a view of the module's memory, valid during the call only);
  //   terminal: whether standard output is an interactive terminal.
  constructor({ args, fileSystem, console, terminal = false }) {
    this.args = args.map((word) => new TextEncoder().encode(`${word}\0`));
    this.fileSystem = fileSystem;
    this.console = console;
    this.terminal = terminal;
    this.files = new Map(); // fd -> { handle, position }
    this.nextFd = ROOT_FD + 1;
    this.memory = null;
  }

  start(instance) {
    this.memory = instance.exports.memory;
    try {
      instance.exports._start();
      return 0;
    } catch (error) {
      if (error instanceof Exit) {
        return error.code;
      }
      throw error;
    } finally {
      for (const { handle } of this.files.values()) handle.close();
      this.files.clear();
    }
  }

  // Calls an export of an instance made with imports() that is used as a
  // library rather than started.
  call(instance, name, ...args) {
    this.memory = instance.exports.memory;
    return instance.exports[name](...args);
  }

  // Views are taken anew on every call: growing the memory replaces its buffer.
  bytes() {
    return new Uint8Array(this.memory.buffer);
  }
  view() {
    return new DataView(this.memory.buffer);
  }
  text(pointer, length) {
    return new TextDecoder().decode(this.bytes().subarray(pointer, pointer + length));
  }
  // Paths come relative to the one preopened folder, "/".
  path(pointer, length) {
    return `/${this.text(pointer, length)}`;
  }
  // Runs a file system call, turning its failure into the error number.
  attempt(action) {
    try {
      action();
      return ERRNO.success;
    } catch (error) {
      return errnoOf(error);
    }
  }

  // Calls an export of an instance whose reads suspend it (see imports()),
  // and resolves to what the export returns.
  async callSuspending(instance, name, ...args) {
    this.memory = instance.exports.memory;
    return WebAssembly.promising(instance.exports[name])(...args);
  }

  // With `suspending` (where the engine has JSPI), files are read through
  // reads that may give a promise, such as a Blob's: the module waits for the
  // bytes, its exports then called through callSuspending.
  imports({ suspending = false } = {}) {
    const call = (name) =>
      suspending && name === 'fd_read' ? new WebAssembly.Suspending(this.fdReadAwaited.bind(this)) : this[name].bind(this);
    const names = [
      'args_get', 'args_sizes_get', 'clock_time_get', 'fd_close', 'fd_fdstat_get', 'fd_fdstat_set_flags', 'fd_filestat_get', 'fd_prestat_get',
      'fd_prestat_dir_name', 'fd_read', 'fd_seek', 'fd_write', 'path_filestat_get', 'path_open', 'path_readlink',
      'proc_exit',
    ];
    return { wasi_snapshot_preview1: Object.fromEntries(names.map((name) => [name, call(name)])) };
  }

  args_sizes_get(countPointer, sizePointer) {
    const view = this.view();
    view.setUint32(countPointer, this.args.length, true);
    view.setUint32(sizePointer, this.args.reduce((sum, word) => sum + word.length, 0), true);
    return ERRNO.success;
  }

  args_get(pointersPointer, bufferPointer) {
    const view = this.view();
    const bytes = this.bytes();
    this.args.forEach((word, i) => {
      view.setUint32(pointersPointer + 4 * i, bufferPointer, true);
      bytes.set(word, bufferPointer);
      bufferPointer += word.length;
    });
    return ERRNO.success;
  }

  fd_prestat_get(fd, pointer) {
    if (fd !== ROOT_FD) return ERRNO.badf;
    const view = this.view();
    view.setUint8(pointer, 0); // a folder
    view.setUint32(pointer + 4, 1, true); // named "/"
    return ERRNO.success;
  }

  fd_prestat_dir_name(fd, pointer, length) {
    if (fd !== ROOT_FD || length < 1) return ERRNO.badf;
    this.bytes()[pointer] = '/'.charCodeAt(0);
    return ERRNO.success;
  }

  fd_fdstat_get(fd, pointer) {
    let type;
    if (fd === 1 || fd === 2) type = this.terminal && fd === 1 ? FILETYPE.characterDevice : FILETYPE.unknown;
    else if (fd === ROOT_FD) type = FILETYPE.directory;
    else if (this.files.has(fd)) type = this.files.get(fd).handle.type;
    else return ERRNO.badf;
    const view = this.view();
    view.setUint8(pointer, type);
    view.setUint16(pointer + 2, 0, true);
    // Only a regular file or a folder can seek; a terminal cannot, which is how the C library tells one.
    const seekable = type === FILETYPE.regularFile || type === FILETYPE.directory;
    view.setBigUint64(pointer + 8, seekable ? ALL_RIGHTS : 0x1ffffe1bn, true);
    view.setBigUint64(pointer + 16, ALL_RIGHTS, true);
    return ERRNO.success;
  }

  fd_fdstat_set_flags() {
    return ERRNO.success;
  }

  path_open(dirFd, lookupFlags, pathPointer, pathLength, openFlags, rightsBase, rightsInheriting, fdFlags, fdPointer) {
    if (dirFd !== ROOT_FD) return ERRNO.badf;
    const path = this.path(pathPointer, pathLength);
    return this.attempt(() => {
      const stat = this.fileSystem.stat(path, true);
      if (openFlags & OFLAGS.directory || stat?.type === FILETYPE.directory) {
        // polymill opens files only; a folder is refused as the input is.
        throw new FileSystemError(stat ? ERRNO.isdir : ERRNO.noent);
      }
      const handle = this.fileSystem.open(path, {
        read: (rightsBase & 0x2n) !== 0n,
        write: (rightsBase & 0x40n) !== 0n,
        create: (openFlags & OFLAGS.create) !== 0,
        truncate: (openFlags & OFLAGS.truncate) !== 0,
        exclusive: (openFlags & OFLAGS.exclusive) !== 0,
      });
      const fd = this.nextFd++;
      this.files.set(fd, { handle, position: 0 });
      this.view().setUint32(fdPointer, fd, true);
    });
  }

  fd_close(fd) {
    const file = this.files.get(fd);
    if (!file) return fd <= ROOT_FD ? ERRNO.success : ERRNO.badf;
    this.files.delete(fd);
    return this.attempt(() => file.handle.close());
  }

  // Scatter and gather lists: (pointer, length) pairs of 32-bit words.
  *pieces(listPointer, count) {
    const view = this.view();
    for (let i = 0; i < count; ++i) {
      const pointer = view.getUint32(listPointer + 8 * i, true);
      const length = view.getUint32(listPointer + 8 * i + 4, true);
      yield this.bytes().subarray(pointer, pointer + length);
    }
  }

  fd_read(fd, listPointer, count, donePointer) {
    const file = this.files.get(fd);
    if (!file) return fd === 0 ? this.done(donePointer, 0) : ERRNO.badf;
    let done = 0;
    const errno = this.attempt(() => {
      for (const piece of this.pieces(listPointer, count)) {
        const got = file.handle.read(piece, file.position);
        file.position += got;
        done += got;
        if (got < piece.length) break;
      }
    });
    return errno === ERRNO.success ? this.done(donePointer, done) : errno;
  }

  async fdReadAwaited(fd, listPointer, count, donePointer) {
    const file = this.files.get(fd);
    if (!file) return fd === 0 ? this.done(donePointer, 0) : ERRNO.badf;
    let done = 0;
    try {
      // The module waits meanwhile: its memory cannot grow, so the views stay valid.
      for (const piece of [...this.pieces(listPointer, count)]) {
        const got = await file.handle.read(piece, file.position);
        file.position += got;
        done += got;
        if (got < piece.length) break;
      }
    } catch (error) {
      return errnoOf(error);
    }
    return this.done(donePointer, done);
  }

  fd_write(fd, listPointer, count, donePointer) {
    let done = 0;
    if (fd === 1 || fd === 2) {
      for (const piece of this.pieces(listPointer, count)) {
        if (!this.console.write(piece)) return ERRNO.pipe;
        done += piece.length;
      }
      return this.done(donePointer, done);
    }
    const file = this.files.get(fd);
    if (!file) return ERRNO.badf;
    const errno = this.attempt(() => {
      for (const piece of this.pieces(listPointer, count)) {
        file.handle.write(piece, file.position);
        file.position += piece.length;
        done += piece.length;
      }
    });
    return errno === ERRNO.success ? this.done(donePointer, done) : errno;
  }

  done(pointer, count) {
    this.view().setUint32(pointer, count, true);
    return ERRNO.success;
  }

  fd_seek(fd, offset, whence, resultPointer) {
    const file = this.files.get(fd);
    if (!file) return fd <= 2 ? ERRNO.spipe : ERRNO.badf;
    if (file.handle.type !== FILETYPE.regularFile) return ERRNO.spipe;
    const base = [0, file.position, file.handle.size()][whence];
    if (base === undefined) return ERRNO.inval;
    const position = BigInt(base) + offset;
    if (position < 0n || position > BigInt(Number.MAX_SAFE_INTEGER)) return ERRNO.inval;
    file.position = Number(position);
    this.view().setBigUint64(resultPointer, position, true);
    return ERRNO.success;
  }

  path_filestat_get(dirFd, lookupFlags, pathPointer, pathLength, pointer) {
    if (dirFd !== ROOT_FD) return ERRNO.badf;
    const path = this.path(pathPointer, pathLength);
    return this.attempt(() => {
      const stat = this.fileSystem.stat(path, (lookupFlags & LOOKUP_FOLLOW) !== 0);
      if (!stat) throw new FileSystemError(ERRNO.noent);
      this.setFilestat(pointer, stat);
    });
  }

  // What an open file is: the program reads a regular file by position and anything else in order,
  // and notices by its times (where the file system gives them) that a file it reads again was written to.
  fd_filestat_get(fd, pointer) {
    const file = this.files.get(fd);
    if (!file) return ERRNO.badf;
    return this.attempt(() =>
      this.setFilestat(pointer, { device: 0, inode: 0, type: file.handle.type, size: file.handle.size(), ...file.handle.times?.() }),
    );
  }

  setFilestat(pointer, { device, inode, type, size, modified = 0n, changed = 0n }) {
    const view = this.view();
    for (let at = 0; at < 64; at += 8) view.setBigUint64(pointer + at, 0n, true);
    view.setBigUint64(pointer, BigInt(device), true);
    view.setBigUint64(pointer + 8, BigInt(inode), true);
    view.setUint8(pointer + 16, type);
    view.setBigUint64(pointer + 24, 1n, true);
    view.setBigUint64(pointer + 32, BigInt(size), true);
    view.setBigUint64(pointer + 48, modified, true);
    view.setBigUint64(pointer + 56, changed, true);
  }

  path_readlink(dirFd, pathPointer, pathLength, bufferPointer, bufferLength, usedPointer) {
    if (dirFd !== ROOT_FD) return ERRNO.badf;
    const path = this.path(pathPointer, pathLength);
    const target = this.fileSystem.readlink(path);
    if (target === null) return ERRNO.inval;
    const bytes = new TextEncoder().encode(target).subarray(0, bufferLength);
    this.bytes().set(bytes, bufferPointer);
    return this.done(usedPointer, bytes.length);
  }

  // The time of day, or for every other clock the time since the page or
  // process started, which tells the module how old a reading of the
  // system's memory figures is.
  clock_time_get(id, _precision, pointer) {
    const nanoseconds =
      id === CLOCK_REALTIME ? BigInt(Date.now()) * 1000000n : BigInt(Math.round(performance.now() * 1e6));
    this.view().setBigUint64(pointer, nanoseconds, true);
    return ERRNO.success;
  }

  proc_exit(code) {
    throw new Exit(code);
  }
}

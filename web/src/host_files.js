// The host's own files, for running the module under node as a program is run.
import fs from 'node:fs';
import path from 'node:path';
import { ERRNO, FILETYPE, FileSystemError } from './wasi.js';

// The module sees one tree under "/": on Windows each drive is a folder of it
// ("/C:/Users/..."), on other systems it is the host's own root.
const windows = process.platform === 'win32';
export function modulePath(name) {
  return windows ? `/${name.replaceAll('\\', '/')}` : name;
}
function hostPath(name) {
  return windows ? name.replace(/^\/(?=[A-Za-z]:)/, '') : name;
}

const ERRNO_OF = { ENOENT: ERRNO.noent, ENOTDIR: ERRNO.notdir, EISDIR: ERRNO.isdir, EEXIST: ERRNO.exist, ENOSPC: ERRNO.nospc, EFBIG: ERRNO.nospc, EACCES: 2, EPERM: 63 };

function failure(error) {
  return new FileSystemError(ERRNO_OF[error.code] ?? ERRNO.io);
}

function typeOf(stat) {
  if (stat.isFile()) return FILETYPE.regularFile;
  if (stat.isDirectory()) return FILETYPE.directory;
  if (stat.isSymbolicLink()) return FILETYPE.symbolicLink;
  if (stat.isBlockDevice()) return FILETYPE.blockDevice;
  if (stat.isSocket()) return FILETYPE.socketStream;
  return FILETYPE.characterDevice; // pipes and FIFOs too: WASI has no type of its own for them
}

// A pipe, FIFO or device takes and delivers its bytes once, in order: node does so when given no
// position. A pipe that node shares may be in non-blocking mode; then a call waits its turn.
export function retried(call) {
  for (;;) {
    try {
      return call();
    } catch (error) {
      if (error.code !== 'EAGAIN') throw error;
    }
  }
}

export const hostFiles = {
  stat(name, follow) {
    try {
      const stat = (follow ? fs.statSync : fs.lstatSync)(hostPath(name), { bigint: true });
      return { type: typeOf(stat), device: stat.dev, inode: stat.ino, size: stat.size };
    } catch (error) {
      if (error.code === 'ENOENT' || error.code === 'ENOTDIR') return null;
      throw failure(error);
    }
  },

  readlink(name) {
    try {
      const target = fs.readlinkSync(hostPath(name));
      return path.isAbsolute(target) ? modulePath(target) : target;
    } catch {
      return null;
    }
  },

  open(name, { read, write, create, truncate, exclusive }) {
    let flags = write ? (read ? fs.constants.O_RDWR : fs.constants.O_WRONLY) : fs.constants.O_RDONLY;
    if (create) flags |= fs.constants.O_CREAT;
    if (truncate) flags |= fs.constants.O_TRUNC;
    if (exclusive) flags |= fs.constants.O_EXCL;
    let fd;
    try {
      fd = fs.openSync(hostPath(name), flags, 0o666);
    } catch (error) {
      throw failure(error);
    }
    const guarded = (action) => {
      try {
        return action();
      } catch (error) {
        throw failure(error);
      }
    };
    let type;
    try {
      type = guarded(() => typeOf(fs.fstatSync(fd)));
    } catch (error) {
      fs.closeSync(fd);
      throw error;
    }
    const positioned = type === FILETYPE.regularFile;
    return {
      type,
      read: (into, position) =>
        guarded(() => retried(() => fs.readSync(fd, into, 0, into.length, positioned ? position : null))),
      write: (from, position) =>
        guarded(() => {
          for (let done = 0; done < from.length; ) {
            done += retried(() => fs.writeSync(fd, from, done, from.length - done, positioned ? position + done : null));
          }
        }),
      size: () => guarded(() => fs.fstatSync(fd).size),
      times: () =>
        guarded(() => {
          const { mtimeNs, ctimeNs } = fs.fstatSync(fd, { bigint: true });
          return { modified: mtimeNs, changed: ctimeNs };
        }),
      close: () => guarded(() => fs.closeSync(fd)),
    };
  },
};

// What the module reads of the host to know how much memory the process may
// use, as the native program reads it (Linux: /proc/meminfo, /proc/self/cgroup
// and the control groups' files), and nothing else.
const MEMORY_FIGURES = /^\/(proc\/meminfo|proc\/self\/cgroup|sys\/fs\/cgroup\/)/;
export const memoryFiles = {
  stat: (name, follow) => (MEMORY_FIGURES.test(name) ? hostFiles.stat(name, follow) : null),
  readlink: () => null,
  open(name, how) {
    if (!MEMORY_FIGURES.test(name) || how.write) throw new FileSystemError(ERRNO.noent);
    return hostFiles.open(name, how);
  },
};

// The conversion the page offers: the real program, compiled to WebAssembly,
// run on a scene in memory as `polymill scene.3ds scene.vertices scene.faces
// scene.mapping`. Nothing of the conversion is done here; this only hands the
// module its files and takes back what it left.
import { Wasi } from './wasi.js';
import { GrowingBytes } from './growing_bytes.js';
import { MemoryFiles } from './memory_files.js';

const NAMES = { scene: 'scene.3ds', vertices: 'scene.vertices', faces: 'scene.faces', mapping: 'scene.mapping' };
const REPORT_EVERY_MS = 100;

// Standard output, kept whole as the module wrote it.
class Collected {
  constructor() {
    this.all = new GrowingBytes();
  }
  write(bytes) {
    this.all.write(bytes);
    return true;
  }
}

// The files, telling `progress` how far the scene has been read and how much has been written.
function watched(files, sceneSize, progress) {
  let last = 0;
  const report = (phase, fraction) => {
    const now = Date.now();
    if (now - last >= REPORT_EVERY_MS) {
      last = now;
      progress(phase, fraction);
    }
  };
  return {
    stat: (path, follow) => files.stat(path, follow),
    readlink: (path) => files.readlink(path),
    open(path, how) {
      const handle = files.open(path, how);
      if (!how.write) {
        return { ...handle, read: (into, position) => (report('reading', position / sceneSize), handle.read(into, position)) };
      }
      return { ...handle, write: (from, position) => (report('writing', null), handle.write(from, position)) };
    },
  };
}

// module: the compiled WebAssembly.Module; scene: a Uint8Array of the scene.
// Gives {status, trace, vertices, faces, mapping}: the status the program's
// entry function returned (0 or -1), its standard output and the three files
// as it left them, a file it did not create being null.
export function convert(module, scene, progress = () => {}) {
  const files = new MemoryFiles();
  files.put(NAMES.scene, scene);
  const trace = new Collected();
  const wasi = new Wasi({
    args: ['polymill', NAMES.scene, NAMES.vertices, NAMES.faces, NAMES.mapping],
    fileSystem: watched(files, Math.max(1, scene.length), progress),
    console: trace,
  });
  const status = wasi.start(new WebAssembly.Instance(module, wasi.imports()));
  return {
    status,
    trace: trace.all.finish(),
    vertices: files.take(NAMES.vertices),
    faces: files.take(NAMES.faces),
    mapping: files.take(NAMES.mapping),
  };
}

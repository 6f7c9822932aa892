// The object index a loader needs: where each object's records start in each
// file and how many it has, read from the trace's lines (the program prints
// every list's count as it meets it) and the bounds from the vertex file.

const LINE = 0x0a;
const ZERO = 0;
const encoder = new TextEncoder();
const OBJECT = encoder.encode('\nObject Found: ');
const MESH = encoder.encode('\nObject Mesh Found');
const LISTS = [
  { words: encoder.encode('\nMesh Vertex List Found\nNumber of Vertices: '), list: 'vertices' },
  { words: encoder.encode('\nMesh Face List Found\nNumber of Faces: '), list: 'faces' },
  { words: encoder.encode('\nMesh Vertex Mapping List Found\nNumber of Vertices: '), list: 'mapping' },
];

function startsWith(bytes, at, words) {
  if (bytes.length - at < words.length) return false;
  for (let i = 0; i < words.length; ++i) if (bytes[at + i] !== words[i]) return false;
  return true;
}

function decimalAt(bytes, at) {
  let value = 0;
  while (bytes[at] >= 0x30 && bytes[at] <= 0x39) value = value * 10 + bytes[at++] - 0x30;
  return { value, end: at };
}

// The objects of the trace in file order: name (null for lists met before any
// object), whether a mesh chunk was met in it, and the entries its lists
// declared. Only lines that start a message are looked at: every message
// begins with a newline followed by a capital, which no mapping line has, and
// a name runs to its zero byte.
export function objectsOf(trace) {
  const objects = [];
  let current = null;
  const open = (name) => {
    current = { name, mesh: false, vertices: 0, faces: 0, mapping: 0, vertexLists: 0, mappingLists: 0 };
    objects.push(current);
  };
  let at = trace.indexOf(LINE);
  while (at !== -1) {
    if (startsWith(trace, at, OBJECT)) {
      const start = at + OBJECT.length;
      let end = trace.indexOf(ZERO, start);
      if (end === -1) end = trace.length;
      open(new TextDecoder().decode(trace.subarray(start, end)));
      at = trace.indexOf(LINE, end);
      continue;
    }
    if (startsWith(trace, at, MESH)) {
      if (current === null) open(null);
      current.mesh = true;
    }
    for (const { words, list } of LISTS) {
      if (startsWith(trace, at, words)) {
        if (current === null) open(null);
        const { value, end } = decimalAt(trace, at + words.length);
        current[list] += value;
        if (list === 'vertices') ++current.vertexLists;
        if (list === 'mapping') ++current.mappingLists;
        at = end;
        break;
      }
    }
    at = trace.indexOf(LINE, at + 1);
  }
  return objects;
}

// The smallest and largest x, y and z of `count` vertices from `first` of the
// big-endian vertex file, or null for none.
export function boundsOf(vertices, first, count) {
  const available = Math.max(0, Math.min(count, Math.floor(vertices.length / 12) - first));
  if (available === 0) return null;
  const view = new DataView(vertices.buffer, vertices.byteOffset, vertices.byteLength);
  const min = [Infinity, Infinity, Infinity];
  const max = [-Infinity, -Infinity, -Infinity];
  for (let at = 12 * first, end = 12 * (first + available); at < end; at += 12) {
    for (let axis = 0; axis < 3; ++axis) {
      const value = view.getFloat32(at + 4 * axis, false);
      if (value < min[axis]) min[axis] = value;
      if (value > max[axis]) max[axis] = value;
    }
  }
  return { min, max };
}

// result: what convert() gave. The objects in file order, each {name, mesh,
// firstVertex, vertices, firstFace, faces, firstMapping, mapping, bounds}:
// first* is the index of the object's first record in each file, each count
// its records there. A loader adds firstVertex to the object's face indices
// to index the whole vertex file.
export function objects(result) {
  const index = [];
  let firstVertex = 0;
  let firstFace = 0;
  let firstMapping = 0;
  for (const { name, mesh, vertices, faces, mapping } of objectsOf(result.trace)) {
    const bounds = result.vertices ? boundsOf(result.vertices, firstVertex, vertices) : null;
    index.push({ name, mesh, firstVertex, vertices, firstFace, faces, firstMapping, mapping, bounds });
    firstVertex += vertices;
    firstFace += faces;
    firstMapping += mapping;
  }
  return index;
}

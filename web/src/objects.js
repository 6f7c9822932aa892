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
  return value;
}

// Where messages that may name an object or a list start: a newline followed
// by 'M' or 'O'. No mapping line holds a capital letter, so the millions of
// them are passed over by the byte searches, not line by line.
function* messageStarts(trace) {
  const following = (letter, from) => trace.indexOf(letter, from);
  let nextM = following(0x4d, 1);
  let nextO = following(0x4f, 1);
  while (nextM !== -1 || nextO !== -1) {
    const at = nextO === -1 || (nextM !== -1 && nextM < nextO) ? nextM : nextO;
    if (trace[at - 1] === LINE) {
      const resume = yield at - 1; // where the caller has read to, past a name
      if (resume !== undefined && resume > at) {
        if (nextM !== -1 && nextM < resume) nextM = following(0x4d, resume);
        if (nextO !== -1 && nextO < resume) nextO = following(0x4f, resume);
        continue;
      }
    }
    if (at === nextM) nextM = following(0x4d, at + 1);
    else nextO = following(0x4f, at + 1);
  }
}

// The objects of the trace in file order: name (null for lists met before any
// object), whether a mesh chunk was met in it, and the entries its lists
// declared. A name runs to its zero byte, so that no name is taken for a message.
export function objectsOf(trace) {
  const objects = [];
  let current = null;
  const open = (name) => {
    current = { name, mesh: false, vertices: 0, faces: 0, mapping: 0, vertexLists: 0, mappingLists: 0 };
    objects.push(current);
  };
  const starts = messageStarts(trace);
  for (let step = starts.next(); !step.done; ) {
    const at = step.value;
    let resume;
    if (startsWith(trace, at, OBJECT)) {
      const start = at + OBJECT.length;
      let end = trace.indexOf(ZERO, start);
      if (end === -1) end = trace.length;
      open(new TextDecoder().decode(trace.subarray(start, end)));
      resume = end;
    } else if (startsWith(trace, at, MESH)) {
      if (current === null) open(null);
      current.mesh = true;
    } else {
      for (const { words, list } of LISTS) {
        if (startsWith(trace, at, words)) {
          if (current === null) open(null);
          current[list] += decimalAt(trace, at + words.length);
          if (list === 'vertices') ++current.vertexLists;
          if (list === 'mapping') ++current.mappingLists;
          break;
        }
      }
    }
    step = starts.next(resume);
  }
  return objects;
}

// The vertex file read back as a loader reads it: x y z floats, big-endian.
export function positionsOf(vertices) {
  const view = new DataView(vertices.buffer, vertices.byteOffset, vertices.byteLength);
  const positions = new Float32Array(Math.floor(vertices.length / 12) * 3);
  for (let i = 0; i < positions.length; ++i) positions[i] = view.getFloat32(4 * i, false);
  return positions;
}

// The smallest and largest x, y and z of `count` positions from `first`, or null for none.
export function boundsOf(positions, first, count) {
  const end = Math.min(first + count, positions.length / 3);
  if (end <= first) return null;
  const min = [Infinity, Infinity, Infinity];
  const max = [-Infinity, -Infinity, -Infinity];
  for (let at = 3 * first; at < 3 * end; at += 3) {
    for (let axis = 0; axis < 3; ++axis) {
      const value = positions[at + axis];
      if (value < min[axis]) min[axis] = value;
      if (value > max[axis]) max[axis] = value;
    }
  }
  return { min, max };
}

// The index of the trace's objects (objectsOf) over the vertex file's
// positions (positionsOf): each {name, mesh, firstVertex, vertices, firstFace,
// faces, firstMapping, mapping, bounds}.
export function indexOf(traceObjects, positions) {
  const index = [];
  let firstVertex = 0;
  let firstFace = 0;
  let firstMapping = 0;
  for (const { name, mesh, vertices, faces, mapping } of traceObjects) {
    const bounds = boundsOf(positions, firstVertex, vertices);
    index.push({ name, mesh, firstVertex, vertices, firstFace, faces, firstMapping, mapping, bounds });
    firstVertex += vertices;
    firstFace += faces;
    firstMapping += mapping;
  }
  return index;
}

// result: what convert() gave. The objects in file order: first* is the index
// of the object's first record in each file, each count its records there. A
// loader adds firstVertex to the object's face indices to index the whole
// vertex file.
export function objects(result) {
  return indexOf(objectsOf(result.trace), positionsOf(result.vertices ?? new Uint8Array(0)));
}

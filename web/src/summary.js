// What a user must know about the arrays polymill wrote, read back from them
// as a loader would: the objects and their counts from the object index,
// face indices from the files themselves (big-endian), and arrays ready to
// draw, each object's faces offset by the vertices before it as the README
// tells loaders to do.

// The vertex file as a loader reads it: x y z floats, big-endian.
function positionsOf(vertices) {
  const view = new DataView(vertices.buffer, vertices.byteOffset, vertices.byteLength);
  const positions = new Float32Array(Math.floor(vertices.length / 12) * 3);
  for (let i = 0; i < positions.length; ++i) positions[i] = view.getFloat32(4 * i, false);
  return positions;
}

// The mapping file as a loader reads it: s t floats, big-endian.
function coordinatesOf(mapping) {
  const view = new DataView(mapping.buffer, mapping.byteOffset, mapping.byteLength);
  const coordinates = new Float32Array(Math.floor(mapping.length / 8) * 2);
  for (let i = 0; i < coordinates.length; ++i) coordinates[i] = view.getFloat32(4 * i, false);
  return coordinates;
}

// The scene's totals from its object index: the objects, the records of each
// file (the index's counts add up to them), and the union of the bounds.
export function totalsOf(objects) {
  const totals = { objects: objects.length, vertices: 0, faces: 0, mapping: 0, bounds: null };
  for (const { vertices, faces, mapping, bounds } of objects) {
    totals.vertices += vertices;
    totals.faces += faces;
    totals.mapping += mapping;
    if (bounds === null) continue;
    totals.bounds ??= { min: [...bounds.min], max: [...bounds.max] };
    for (let axis = 0; axis < 3; ++axis) {
      totals.bounds.min[axis] = Math.min(totals.bounds.min[axis], bounds.min[axis]);
      totals.bounds.max[axis] = Math.max(totals.bounds.max[axis], bounds.max[axis]);
    }
  }
  return totals;
}

// result: what convert() gave for a completed run. Gives the objects of its
// index with the warnings a loader should heed and whether each is without a
// mesh, and the drawing: positions, indices (offset, and only faces inside
// the vertex file), texture coordinates aligned with each object's vertices
// (or null), and each object's range of indices. The files are read in one
// pass each.
export function summarize(result) {
  const objects = result.objects.map((object) => ({ ...object }));
  const positions = positionsOf(result.vertices);
  const vertexCount = positions.length / 3;
  const faceView = new DataView(result.faces.buffer, result.faces.byteOffset, result.faces.byteLength);
  const faceCount = Math.floor(result.faces.length / 6);
  const drawn = new Uint32Array(3 * faceCount);
  const coordinates = result.mapping && coordinatesOf(result.mapping);
  const uvs = coordinates && new Float32Array(2 * vertexCount);
  let drawnLength = 0;
  let firstVertex = 0;
  let firstFace = 0;
  let firstCoordinate = 0;
  for (const object of objects) {
    object.warnings = [];
    object.firstIndex = drawnLength;
    let outside = 0;
    let pastFile = 0;
    const ownVertices = object.vertices;
    const inFile = vertexCount - firstVertex;  // indices below this land inside the vertex file
    for (let f = firstFace, end = Math.min(firstFace + object.faces, faceCount); f < end; ++f) {
      const a = faceView.getUint16(6 * f, false);
      const b = faceView.getUint16(6 * f + 2, false);
      const c = faceView.getUint16(6 * f + 4, false);
      if (a >= ownVertices || b >= ownVertices || c >= ownVertices) ++outside;
      if (a >= inFile || b >= inFile || c >= inFile) {
        ++pastFile;
        continue;
      }
      drawn[drawnLength++] = firstVertex + a;
      drawn[drawnLength++] = firstVertex + b;
      drawn[drawnLength++] = firstVertex + c;
    }
    object.indexCount = drawnLength - object.firstIndex;
    if (uvs) {
      const shared = Math.min(object.mapping, object.vertices, vertexCount - firstVertex);
      uvs.set(coordinates.subarray(2 * firstCoordinate, 2 * (firstCoordinate + shared)), 2 * firstVertex);
    }
    if (outside > 0) {
      object.warnings.push(`${outside} of ${object.faces} faces use an index at or past the object's ${object.vertices} vertices` +
        (pastFile > 0 ? `; ${pastFile} of them point past the whole vertex file and are not drawn` : ''));
    }
    if (object.mapping > 0 && object.mapping !== object.vertices) {
      object.warnings.push(`${object.mapping} mapping coordinates for ${object.vertices} vertices`);
    }
    // Lights and cameras are objects without a mesh: nothing is wrong with them.
    object.noMesh = !object.mesh && object.vertices === 0 && object.faces === 0 && object.mapping === 0;
    if (object.faces === 0 && !object.noMesh) object.warnings.push('no faces');
    firstVertex += object.vertices;
    firstFace += object.faces;
    firstCoordinate += object.mapping;
  }
  return { objects, drawing: { positions, indices: drawn.subarray(0, drawnLength), uvs } };
}

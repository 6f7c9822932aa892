// What a user must know about the arrays polymill wrote, read back from them
// as a loader would: the objects and their counts from the trace's lines,
// bounds and face indices from the files themselves (big-endian), and arrays
// ready to draw, each object's faces offset by the vertices before it as the
// README tells loaders to do.

import { boundsOf, objectsOf } from './objects.js';

// The files as a loader reads them, into arrays a GPU takes.
function decoded({ vertices, faces, mapping }) {
  const vertexView = new DataView(vertices.buffer, vertices.byteOffset, vertices.byteLength);
  const positions = new Float32Array(Math.floor(vertices.length / 4));
  for (let i = 0; i < positions.length; ++i) positions[i] = vertexView.getFloat32(4 * i, false);
  const faceView = new DataView(faces.buffer, faces.byteOffset, faces.byteLength);
  const indices = new Uint32Array(Math.floor(faces.length / 2));
  for (let i = 0; i < indices.length; ++i) indices[i] = faceView.getUint16(2 * i, false);
  let coordinates = null;
  if (mapping) {
    const mappingView = new DataView(mapping.buffer, mapping.byteOffset, mapping.byteLength);
    coordinates = new Float32Array(Math.floor(mapping.length / 4));
    for (let i = 0; i < coordinates.length; ++i) coordinates[i] = mappingView.getFloat32(4 * i, false);
  }
  return { positions, indices, coordinates };
}

// result: what convert() gave for a completed run. Gives the objects with
// their counts, bounds and warnings, the scene's totals, and the drawing:
// positions, indices (offset, and only faces inside the vertex file), texture
// coordinates aligned with each object's vertices (or null), and each
// object's range of indices.
export function summarize(result) {
  const objects = objectsOf(result.trace);
  const { positions, indices, coordinates } = decoded(result);
  const vertexCount = positions.length / 3;
  const drawn = new Uint32Array(indices.length);
  const uvs = coordinates && new Float32Array(2 * vertexCount);
  let drawnLength = 0;
  let firstVertex = 0;
  let firstFace = 0;
  let firstCoordinate = 0;
  for (const object of objects) {
    object.warnings = [];
    object.bounds = boundsOf(result.vertices, firstVertex, object.vertices);
    object.firstIndex = drawnLength;
    let outside = 0;
    let pastFile = 0;
    for (let f = firstFace; f < firstFace + object.faces && 3 * f + 2 < indices.length; ++f) {
      const corners = [indices[3 * f], indices[3 * f + 1], indices[3 * f + 2]];
      if (corners.some((index) => index >= object.vertices)) ++outside;
      if (corners.some((index) => firstVertex + index >= vertexCount)) {
        ++pastFile;
        continue;
      }
      for (const index of corners) drawn[drawnLength++] = firstVertex + index;
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
    if (object.mappingLists > 0 && object.mapping !== object.vertices) {
      object.warnings.push(`${object.mapping} mapping coordinates for ${object.vertices} vertices`);
    }
    // Lights and cameras are objects without a mesh: nothing is wrong with them.
    object.noMesh = !object.mesh && object.vertices === 0 && object.faces === 0 && object.mapping === 0;
    if (object.faces === 0 && !object.noMesh) object.warnings.push('no faces');
    firstVertex += object.vertices;
    firstFace += object.faces;
    firstCoordinate += object.mapping;
  }
  const totals = {
    objects: objects.length,
    vertices: vertexCount,
    faces: indices.length / 3,
    mapping: coordinates ? coordinates.length / 2 : 0,
    bounds: boundsOf(result.vertices, 0, vertexCount),
  };
  return { objects, totals, drawing: { positions, indices: drawn.slice(0, drawnLength), uvs } };
}

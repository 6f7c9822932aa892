// Loads what `polymill NAME.3ds NAME.vertices NAME.faces NAME.mapping` and
// `polymill-objects NAME.3ds > NAME.objects.json` wrote, and makes one list of
// triangles over the whole vertex file, as a renderer draws it: each object's
// face indices count from its own first vertex, which the index gives.
//   node load_with_index.mjs NAME
import fs from 'node:fs';

const name = process.argv[2];
const view = (kind) => {
  const bytes = fs.readFileSync(`${name}.${kind}`);
  return new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
};
const vertexFile = view('vertices');
const faceFile = view('faces');
const mappingFile = view('mapping');
const objects = JSON.parse(fs.readFileSync(`${name}.objects.json`, 'utf8'));

// x y z and s t as big-endian floats.
const positions = new Float32Array(vertexFile.byteLength / 4).map((_, i) => vertexFile.getFloat32(4 * i, false));
const coordinates = new Float32Array(mappingFile.byteLength / 4).map((_, i) => mappingFile.getFloat32(4 * i, false));
// a b c as stored, and offset by their object's first vertex.
const stored = new Uint16Array(faceFile.byteLength / 2).map((_, i) => faceFile.getUint16(2 * i, false));
const triangles = new Uint32Array(stored.length);
for (const { firstVertex, firstFace, faces } of objects) {
  for (let i = 3 * firstFace; i < 3 * (firstFace + faces); ++i) triangles[i] = firstVertex + stored[i];
}

console.log('vertices', positions.length / 3);
console.log('faces', stored.length / 3);
console.log('mapping', coordinates.length / 2);
console.log('vertex 8', ...positions.subarray(24, 27));
console.log('face 17', ...stored.subarray(51, 54));
console.log('coordinate 5', ...coordinates.subarray(10, 12));
const last = objects[objects.length - 1];
console.log(`${last.name}'s first face over the whole file`, ...triangles.subarray(3 * last.firstFace, 3 * last.firstFace + 3));

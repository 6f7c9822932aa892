/** What `polymill scene.3ds v f m` gives for a scene. */
export interface Conversion {
  /** 0 for a completed run, -1 for a failure the program reports. */
  status: number;
  /** The program's standard output: the trace of what it found and its closing message. */
  trace: Uint8Array;
  /** Headerless big-endian arrays: x y z floats per vertex; null when the program would not create the file. */
  vertices: Uint8Array | null;
  /** a b c, 16-bit unsigned, per face. */
  faces: Uint8Array | null;
  /** s t floats per mapping coordinate. */
  mapping: Uint8Array | null;
  /** The object index: where each object's records lie in each file; empty when status is -1. */
  objects: SceneObject[];
}

/** Converts a 3DS scene held in memory. Safe for untrusted input. */
export function convert(scene: Uint8Array): Promise<Conversion>;

/** One object of the scene, in file order, as a loader indexes the files. */
export interface SceneObject {
  /** The object's name, or null for lists met before any object. */
  name: string | null;
  /** Whether the object has a mesh chunk (lights and cameras have none). */
  mesh: boolean;
  /** Index of the object's first record in the vertex file; add it to the object's face indices. */
  firstVertex: number;
  vertices: number;
  firstFace: number;
  faces: number;
  firstMapping: number;
  mapping: number;
  /** Smallest and largest x, y, z of the object's vertices, or null for none. */
  bounds: { min: [number, number, number]; max: [number, number, number] } | null;
}

/** The object index of a conversion: where each object's records lie in each file. */
export function objects(result: Conversion): SceneObject[];

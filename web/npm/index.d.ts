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
}

/** Converts a 3DS scene held in memory. Safe for untrusted input. */
export function convert(scene: Uint8Array): Promise<Conversion>;

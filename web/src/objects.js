// The object index a loader needs, as the module's walk recorded it.

// result: what convert() gave. The objects in file order: first* is the index
// of the object's first record in each file, each count its records there. A
// loader adds firstVertex to the object's face indices to index the whole
// vertex file.
export function objects(result) {
  return result.objects;
}

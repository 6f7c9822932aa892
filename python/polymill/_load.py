"""load: a scene's meshes as numpy arrays for a loader."""

import os

from . import _native
from ._classes import ConversionError, Scene, object_of

# A trace may be larger than the arrays (a scene's mapping coordinates are all
# printed): a loader keeps its head unless asked for all of it.
TRACE_HEAD = 1 << 20


def load(source, *, trace: bool = False) -> Scene:
    """The meshes of a scene (a path, or the bytes of one) as numpy arrays in
    the host's byte order. Raises ConversionError where the command gives
    status -1. With ``trace=True`` the whole trace is kept in ``Scene.trace``."""
    import numpy as np

    limit = -1 if trace else TRACE_HEAD
    if isinstance(source, (bytes, bytearray, memoryview)):
        data = source if isinstance(source, bytes) else bytes(memoryview(source))
        fields = _native.convert(data, limit, True)
    else:
        fields = _native.convert_file(os.fsencode(source), limit, True)
    status, head, trace_size, message, vertices, faces, mapping, objects = fields
    if status != 0:
        raise ConversionError(status, head, trace_size, message.strip())
    objects = [object_of(o) for o in objects]
    vertex_array = _native_order(vertices, ">f4", 3)
    face_array = _native_order(faces, ">u2", 3)
    return Scene(
        vertices=vertex_array,
        faces=face_array,
        mapping=_native_order(mapping, ">f4", 2) if mapping is not None else None,
        triangles=_whole_indices(face_array, objects, np),
        objects=objects,
        trace=head,
        trace_size=trace_size,
    )


def _native_order(file: bytearray, big_endian: str, columns: int):
    """A file's records as a writeable array in the host's byte order, made in
    the file's own memory: the bytes are swapped in place, as bits (a NaN's
    payload and a negative zero stay as they are)."""
    import numpy as np

    records = np.frombuffer(file, dtype=big_endian).reshape(-1, columns)
    native = records.dtype.newbyteorder("=")
    if records.dtype.isnative:
        return records
    return records.byteswap(inplace=True).view(native)


def _whole_indices(faces, objects, np):
    """Each face's indices counted over the whole vertex array: an object's own
    indices plus its first vertex."""
    firsts = np.array([o.first_vertex for o in objects], dtype=np.uint32)
    counts = np.array([o.faces for o in objects], dtype=np.int64)
    triangles = faces.astype(np.uint32)
    triangles += np.repeat(firsts, counts)[:, None]
    return triangles

"""load: a scene's meshes as numpy arrays for a loader."""

import os

from . import _native
from ._classes import ConversionError, Scene, object_of

# A trace may be larger than the arrays (a scene's mapping coordinates are all
# printed) and take longer to make: a loader makes and keeps only its head
# unless asked for all of it.
TRACE_HEAD = 1 << 20


def load(source, *, trace: bool = False) -> Scene:
    """The meshes of a scene (a path, or the bytes of one) as numpy arrays in
    the host's byte order. Raises ConversionError where the command gives
    status -1. With ``trace=True`` the whole trace is kept in ``Scene.trace``."""
    try:
        import numpy as np
    except ImportError as missing:
        raise ImportError("polymill.load needs numpy (pip install numpy; Debian: python3-numpy)") from missing

    limit = -1 if trace else TRACE_HEAD
    if isinstance(source, (bytes, bytearray, memoryview)):
        data = source if isinstance(source, bytes) else bytes(memoryview(source))
        fields = _native.convert(data, limit, True)
    else:
        fields = _native.convert_file(os.fsencode(source), limit, True)
    status, head, message, vertices, faces, mapping, objects = fields
    if status != 0:
        raise ConversionError(status, head, message.strip())
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
    )


class _FileMemory:
    """A file's bytes where the library left them, shown to numpy as an array
    of records; the arrays made of it keep it, and so its owner, alive."""

    def __init__(self, owner, address: int, size: int, big_endian: str, columns: int):
        self._owner = owner
        records = size // (int(big_endian[2:]) * columns)
        self.__array_interface__ = {
            "version": 3,
            "data": (address, False),
            "shape": (records, columns),
            "typestr": big_endian,
        }


def _native_order(file, big_endian: str, columns: int):
    """A file's records as a writeable array in the host's byte order, made in
    the file's own memory: the bytes are swapped in place, as bits (a NaN's
    payload and a negative zero stay as they are)."""
    import numpy as np

    owner, address, size = file
    if size == 0:
        return np.empty((0, columns), dtype=np.dtype(big_endian).newbyteorder("="))
    records = np.asarray(_FileMemory(owner, address, size, big_endian, columns))
    if records.dtype.isnative:
        return records
    return records.byteswap(inplace=True).view(records.dtype.newbyteorder("="))


def _whole_indices(faces, objects, np):
    """Each face's indices counted over the whole vertex array: an object's own
    indices plus its first vertex, added where its faces lie."""
    triangles = faces.astype(np.uint32)
    for obj in objects:
        if obj.faces and obj.first_vertex:
            triangles[obj.face_slice] += np.uint32(obj.first_vertex)
    return triangles

"""polymill: the triangle meshes of 3DS scenes, for Python.

    scene = polymill.load("crate.3ds")          # numpy arrays, the host's byte order
    result = polymill.convert(data)              # the command's exact bytes and trace
    polymill.convert_files(paths, "out/")        # many scenes, on every core

Every call converts with the polymill library itself, with the GIL released:
the same status, trace and bytes as the ``polymill`` command, for any scene,
however malformed. Calls on several threads share the process's one memory
budget, as the library's do.
"""

import os

from . import _native
from ._batch import SceneResult, convert_files
from ._classes import Bounds, Conversion, ConversionError, Object, Scene, object_of
from ._load import load

__all__ = [
    "Bounds",
    "Conversion",
    "ConversionError",
    "Object",
    "Scene",
    "SceneResult",
    "convert",
    "convert_file",
    "convert_files",
    "load",
]
__version__ = "0.1.0"


def _conversion(fields) -> Conversion:
    status, trace, _message, vertices, faces, mapping, objects = fields
    return Conversion(status, trace, vertices, faces, mapping, [object_of(o) for o in objects])


def convert(data) -> Conversion:
    """Converts a scene in memory (bytes, bytearray or memoryview) as
    ``polymill scene.3ds v f m`` converts the file. Never raises for a scene."""
    if not isinstance(data, bytes):
        data = bytes(memoryview(data))  # a copy that nothing can change while it converts
    return _conversion(_native.convert(data, -1, False))


def convert_file(path) -> Conversion:
    """Converts the scene in a file as the command reads it: in pieces, never
    held whole. A file that cannot be read gives the command's status and trace."""
    return _conversion(_native.convert_file(os.fsencode(path), -1, False))

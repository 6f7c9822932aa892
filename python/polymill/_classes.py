"""What the package's calls hand out: plain records of the library's results."""

from dataclasses import dataclass
from typing import List, NamedTuple, Optional, Tuple

Triple = Tuple[float, float, float]


class Bounds(NamedTuple):
    """The smallest and largest x, y and z of an object's vertices. NaNs do
    not count, so an axis whose values are all NaN has min inf and max -inf."""

    min: Triple
    max: Triple


@dataclass(frozen=True)
class Object:
    """One object of the scene, in file order, and where its records lie in
    each file, as ``polymill-objects`` prints it. Face indices count from the
    object's own first vertex."""

    name: Optional[str]  # as a JSON reader of the index gets it; None before any object
    name_bytes: Optional[bytes]  # the bytes as read, no zero byte
    mesh: bool  # a mesh chunk was met inside it (lights and cameras have none)
    first_vertex: int
    vertices: int
    first_face: int
    faces: int
    first_mapping: int
    mapping: int
    bounds: Optional[Bounds]  # None when it has no vertices

    @property
    def vertex_slice(self) -> slice:
        return slice(self.first_vertex, self.first_vertex + self.vertices)

    @property
    def face_slice(self) -> slice:
        return slice(self.first_face, self.first_face + self.faces)

    @property
    def mapping_slice(self) -> slice:
        return slice(self.first_mapping, self.first_mapping + self.mapping)


@dataclass(frozen=True)
class Conversion:
    """A scene converted as ``polymill scene.3ds v f m`` converts it: the
    status (0 or -1), the trace the program prints, each file's exact bytes
    (big-endian) or None where the program would not create it, and the
    object index (empty when the status is -1)."""

    status: int
    trace: bytes
    vertices: Optional[bytes]
    faces: Optional[bytes]
    mapping: Optional[bytes]
    objects: List[Object]


@dataclass
class Scene:
    """A scene's meshes as numpy arrays in the host's byte order, every bit
    kept: ``vertices`` (n, 3) float32, ``faces`` (m, 3) uint16 (each object's
    own indices), ``mapping`` (k, 2) float32 or None, ``triangles`` (m, 3)
    uint32 (indices into the whole vertex array), and the object index.
    ``trace`` holds the trace's first mebibyte (all of it when ``load`` was
    asked for it)."""

    vertices: "object"
    faces: "object"
    mapping: "object"
    triangles: "object"
    objects: List[Object]
    trace: bytes


class ConversionError(ValueError):
    """A scene that the program converts with status -1: ``trace`` is what it
    printed (its first bytes, as ``Scene.trace``), ``message`` the message that
    ended it."""

    def __init__(self, status: int, trace: bytes, message: str):
        super().__init__(message)
        self.status = status
        self.trace = trace
        self.message = message


def object_of(fields) -> Object:
    *counts, bounds = fields
    return Object(*counts, Bounds(*bounds) if bounds is not None else None)

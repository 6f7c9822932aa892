"""convert_files: many scenes in one process, on a pool of threads."""

import os
from concurrent.futures import ThreadPoolExecutor
from typing import Callable, Iterable, List, NamedTuple, Optional

from . import _native


class SceneResult(NamedTuple):
    """How one scene of a batch came out: status 0, or -1 with the program's message."""

    path: str
    status: int
    message: str


def convert_files(
    paths: Iterable,
    destination,
    *,
    workers: Optional[int] = None,
    mapping: bool = True,
    progress: Optional[Callable[[SceneResult, int], None]] = None,
) -> List[SceneResult]:
    """Converts each scene into the folder ``destination`` as a build's
    ``polymill_add_meshes`` does: STEM.vertices, STEM.faces, STEM.mapping
    (unless ``mapping`` is false), STEM.objects.json and STEM.trace, each
    under its name only once all are whole; a scene that fails leaves none.
    Scenes convert on ``workers`` threads (one per core by default). Gives one
    result per scene, in the order given, and never raises for a scene.
    ``progress``, when given, is called with each result and the scene's size
    in bytes as it is done (on the thread that converted it)."""
    paths = [os.fspath(path) for path in paths]
    destination = os.fspath(destination)
    os.makedirs(destination, exist_ok=True)
    workers = workers or os.cpu_count() or 1

    stems = [os.path.join(destination, os.path.splitext(os.path.basename(path))[0]) for path in paths]
    first_with_stem = {}
    for index, stem in enumerate(stems):
        first_with_stem.setdefault(os.path.normcase(stem), index)

    def convert_one(index: int) -> SceneResult:
        path, stem = paths[index], stems[index]
        if first_with_stem[os.path.normcase(stem)] != index:
            result = SceneResult(path, -1, "Another scene of the batch has the name " + os.path.basename(stem))
        else:
            status, message = _native.write_scene_files(os.fsencode(path), os.fsencode(stem), mapping)
            result = SceneResult(path, status, message)
        if progress is not None:
            progress(result, _size_of(path))
        return result

    with ThreadPoolExecutor(max_workers=workers) as pool:
        return list(pool.map(convert_one, range(len(paths))))


def _size_of(path: str) -> int:
    try:
        return os.stat(path).st_size
    except OSError:
        return 0

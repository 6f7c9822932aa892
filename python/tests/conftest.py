"""What the package's tests compare with: the polymill and polymill-objects
commands of the same build, on scenes made by the tests' scene maker."""

import json
import os
import struct
import subprocess
from pathlib import Path

import pytest

PROGRAM = os.environ.get("POLYMILL_PROGRAM", "polymill")
OBJECTS = os.environ.get("POLYMILL_OBJECTS", "polymill-objects")
MAKE_TEST_SCENE = os.environ.get("POLYMILL_MAKE_TEST_SCENE")

# Scenes of the scene maker: (kind, count or text); and two of our own.
MADE_SCENES = {
    "example": ("example",),
    "pyramids": ("pyramids", "5"),
    "sheets": ("sheets", "2"),
    "faces-beyond": ("faces-beyond",),
    "hostile": ("hostile",),
    "not-a-scene": ("not-a-scene",),
    "mapping-lists": ("mapping-lists", "3"),
    "empty-chunks": ("empty-chunks", "2000"),
    "odd-name": ("name", b"\xe9t\xe9 \xff\xc3 \x01\"q\""),
    "with-lights": ("with-lights",),
}


def chunk(kind: int, *parts: bytes) -> bytes:
    body = b"".join(parts)
    return struct.pack("<HI", kind, 6 + len(body)) + body


def bits_scene() -> bytes:
    """One object whose vertices hold NaNs with payloads, negative zero,
    infinities and a denormal, and whose mapping has a signalling NaN."""
    patterns = [0x7FC00001, 0xFFA5A5A5, 0x80000000, 0x7F800000, 0xFF800000, 0x00000001, 0x3F800000, 0x7F812345, 0x0]
    vertices = struct.pack("<H", 3) + b"".join(struct.pack("<I", p) for p in patterns)
    faces = struct.pack("<H", 1) + struct.pack("<4H", 0, 1, 2, 0)
    mapping = struct.pack("<H", 3) + struct.pack("<6I", 0x7F800001, 0x80000000, 1, 2, 3, 0xFFFFFFFF)
    mesh = chunk(0x4100, chunk(0x4110, vertices), chunk(0x4140, mapping), chunk(0x4120, faces))
    return chunk(0x4D4D, chunk(0x3D3D, chunk(0x4000, b"Bits\0", mesh)))


@pytest.fixture(scope="session")
def scenes(tmp_path_factory):
    """Every test scene's path by name: the scene maker's, ours, and the
    example cut short at many lengths (a scene saved while it was read)."""
    if MAKE_TEST_SCENE is None:
        pytest.skip("POLYMILL_MAKE_TEST_SCENE names no scene maker (ctest sets it)")
    folder = tmp_path_factory.mktemp("scenes")
    paths = {}
    for name, words in MADE_SCENES.items():
        path = folder / f"{name}.3ds"
        subprocess.run([MAKE_TEST_SCENE, *words, str(path)], check=True, stdout=subprocess.DEVNULL)
        paths[name] = path
    paths["bits"] = folder / "bits.3ds"
    paths["bits"].write_bytes(bits_scene())
    example = paths["example"].read_bytes()
    for length in range(0, len(example), 97):
        paths[f"cut-{length}"] = folder / f"cut-{length}.3ds"
        paths[f"cut-{length}"].write_bytes(example[:length])
    flipped = bytearray(example)
    flipped[20] ^= 0xFF
    paths["flipped"] = folder / "flipped.3ds"
    paths["flipped"].write_bytes(bytes(flipped))
    paths["missing"] = folder / "missing.3ds"
    return paths


class CommandRun:
    """What the commands give for a scene: status, trace, the files that
    exist afterwards (None for one not created) and the object index."""

    def __init__(self, scene: Path, folder: Path):
        names = [folder / f"{scene.stem}.{kind}" for kind in ("vertices", "faces", "mapping")]
        run = subprocess.run([PROGRAM, str(scene), *map(str, names)], stdout=subprocess.PIPE)
        self.status = -1 if run.returncode == 255 else run.returncode
        self.trace = run.stdout
        self.vertices, self.faces, self.mapping = (n.read_bytes() if n.exists() else None for n in names)
        index = subprocess.run([OBJECTS, str(scene)], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.objects = json.loads(index.stdout) if index.returncode == 0 else []


@pytest.fixture(scope="session")
def command_runs(scenes, tmp_path_factory):
    folder = tmp_path_factory.mktemp("command")
    return {name: CommandRun(path, folder) for name, path in scenes.items()}

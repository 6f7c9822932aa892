"""Loads what `polymill NAME.3ds NAME.vertices NAME.faces NAME.mapping` wrote, with Python alone.

usage: python3 load_struct.py NAME
"""
import struct
import sys


def records(path, layout):
    """The file's records, each a tuple of the values in `layout` (struct's big-endian codes)."""
    with open(path, "rb") as file:
        return list(struct.iter_unpack(layout, file.read()))


name = sys.argv[1]
vertices = records(f"{name}.vertices", ">3f")  # x y z
faces = records(f"{name}.faces", ">3H")  # a b c
mapping = records(f"{name}.mapping", ">2f")  # s t

print("vertices", len(vertices))
print("faces", len(faces))
print("mapping", len(mapping))
print("vertex 8", *vertices[8])
print("face 17", *faces[17])
print("coordinate 5", *mapping[5])

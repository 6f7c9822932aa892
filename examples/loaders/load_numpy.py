"""Loads what `polymill NAME.3ds NAME.vertices NAME.faces NAME.mapping` wrote, with numpy.

usage: python3 load_numpy.py NAME
"""
import sys

import numpy as np

name = sys.argv[1]
vertices = np.fromfile(f"{name}.vertices", dtype=">f4").reshape(-1, 3)  # x y z, big-endian floats
faces = np.fromfile(f"{name}.faces", dtype=">u2").reshape(-1, 3)  # a b c, big-endian 16-bit indices
mapping = np.fromfile(f"{name}.mapping", dtype=">f4").reshape(-1, 2)  # s t, big-endian floats

print("vertices", len(vertices))
print("faces", len(faces))
print("mapping", len(mapping))
print("vertex 8", *vertices[8])
print("face 17", *faces[17])
print("coordinate 5", *mapping[5])

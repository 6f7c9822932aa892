"""Runs the package's tests with pytest; status 77 (skipped) where pytest or numpy is missing."""

import sys

try:
    import numpy  # noqa: F401
    import pytest
except ImportError as missing:
    print(f"skipped: {missing.name} is missing (Debian: apt-get install python3-pytest python3-numpy)")
    sys.exit(77)

sys.exit(pytest.main(["-q", "-p", "no:cacheprovider", *sys.argv[1:]]))

"""python -m polymill: many scenes converted into one folder, on every core.

    python -m polymill -o meshes/ scenes/*.3ds
    python -m polymill -o meshes/ scenes/          (every .3ds in the folder)

Writes for each scene what a build's polymill_add_meshes writes, shows a
progress bar on a terminal, and lists the scenes that failed. Status 0 when
every scene converted, 1 otherwise, 2 for a command line it cannot use.
"""

import argparse
import os
import sys
import threading
import time

from ._batch import convert_files


def scenes_of(names):
    for name in names:
        if os.path.isdir(name):
            yield from sorted(
                os.path.join(name, entry) for entry in os.listdir(name) if entry.lower().endswith(".3ds")
            )
        else:
            yield name


class ProgressBar:
    """Scenes done and megabytes a second on one line of a terminal, redrawn
    at most ten times a second."""

    WIDTH = 30

    def __init__(self, total: int, stream):
        self.total, self.stream = total, stream
        self.done = self.bytes = 0
        self.start = self.shown = time.monotonic()
        self.lock = threading.Lock()

    def __call__(self, _result, size: int):
        with self.lock:
            self.done += 1
            self.bytes += size
            now = time.monotonic()
            if now - self.shown >= 0.1 or self.done == self.total:
                self.shown = now
                self.draw(now)

    def draw(self, now: float):
        filled = self.WIDTH * self.done // max(self.total, 1)
        rate = self.bytes / 1e6 / max(now - self.start, 1e-9)
        bar = "#" * filled + "-" * (self.WIDTH - filled)
        self.stream.write(f"\r[{bar}] {self.done}/{self.total} scenes, {rate:.1f} MB/s")
        if self.done == self.total:
            self.stream.write("\n")
        self.stream.flush()


def main(argv=None) -> int:
    parser = argparse.ArgumentParser(prog="python -m polymill", description=__doc__.split("\n\n")[0])
    parser.add_argument("scenes", nargs="+", help="3DS files, or folders of them")
    parser.add_argument("-o", "--output", required=True, help="the folder the files go to")
    parser.add_argument("-j", "--workers", type=int, default=None, help="threads (default: one per core)")
    parser.add_argument("--no-mapping", action="store_true", help="write no mapping files")
    arguments = parser.parse_args(argv)

    scenes = list(scenes_of(arguments.scenes))
    progress = ProgressBar(len(scenes), sys.stderr) if sys.stderr.isatty() and scenes else None
    results = convert_files(
        scenes, arguments.output, workers=arguments.workers, mapping=not arguments.no_mapping, progress=progress
    )
    failed = [result for result in results if result.status != 0]
    for result in failed:
        print(f"{result.path}: {result.message}", file=sys.stderr)
    print(f"{len(results) - len(failed)} of {len(results)} scenes converted into {arguments.output}", file=sys.stderr)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())

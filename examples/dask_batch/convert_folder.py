"""Converts every scene of a folder on a Dask cluster.

    python3 convert_folder.py SCENES DESTINATION [SCHEDULER]

SCENES and DESTINATION are folders every worker sees (a shared file system);
SCHEDULER is a running scheduler's address (tcp://host:8786). Without one, a
LocalCluster of two worker processes on this machine stands in for it.

The scenes are split into partitions of a dask.bag; each worker converts its
partitions with polymill.convert_files, on its own threads, writing the files
into DESTINATION. Only each scene's small result (path, status, message)
travels back to this process. Status 0 when every scene converted.
"""

import os
import sys

import dask.bag
import polymill
from distributed import Client, LocalCluster


def convert_partition(paths, destination):
    return [tuple(result) for result in polymill.convert_files(list(paths), destination)]


def convert_folder(scenes, destination, client, scenes_per_partition=50):
    paths = sorted(os.path.join(scenes, name) for name in os.listdir(scenes) if name.lower().endswith(".3ds"))
    partitions = max(1, len(paths) // scenes_per_partition)
    bag = dask.bag.from_sequence(paths, npartitions=partitions)
    return bag.map_partitions(convert_partition, destination).compute(scheduler=client.get)


def main(arguments):
    scenes, destination = arguments[0], os.path.abspath(arguments[1])
    os.makedirs(destination, exist_ok=True)
    if len(arguments) > 2:
        client = Client(arguments[2])
    else:
        client = Client(LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None))
    with client:
        results = convert_folder(scenes, destination, client)
    failed = [(path, message) for path, status, message in results if status != 0]
    for path, message in failed:
        print(f"{path}: {message}", file=sys.stderr)
    print(f"{len(results) - len(failed)} of {len(results)} scenes converted into {destination}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

"""Makes the polymill wheel from the package folder of a build, with Python's
standard library alone (no package index is needed, nor any build tool):

    make_wheel.py --package BUILD/python/polymill --version 0.1.0 --readme README.md --out DIR

One wheel serves CPython 3.8 and later (the module uses the stable ABI only):
polymill-VERSION-cp38-abi3-PLATFORM.whl. Its entries are sorted and dated
alike, so the same build gives the same bytes.
"""

import argparse
import base64
import hashlib
import os
import sysconfig
import zipfile

SOURCE_DATE = (1980, 1, 1, 0, 0, 0)


def record_line(name: str, data: bytes) -> str:
    digest = base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=").decode()
    return f"{name},sha256={digest},{len(data)}"


def metadata(version: str, readme: str) -> str:
    return (
        "Metadata-Version: 2.1\n"
        "Name: polymill\n"
        f"Version: {version}\n"
        "Summary: The triangle meshes of 3DS scenes as numpy arrays, and as polymill's big-endian files\n"
        "Home-page: https://polymill.dev\n"
        "License: see the project's copyright file\n"
        "Requires-Python: >=3.8\n"
        "Provides-Extra: numpy\n"
        'Requires-Dist: numpy; extra == "numpy"\n'
        "Description-Content-Type: text/markdown\n"
        "\n" + readme
    )


def main() -> None:
    parser = argparse.ArgumentParser()
    parser.add_argument("--package", required=True)
    parser.add_argument("--version", required=True)
    parser.add_argument("--readme", required=True)
    parser.add_argument("--out", required=True)
    arguments = parser.parse_args()

    platform = sysconfig.get_platform().replace("-", "_").replace(".", "_")
    tag = f"cp38-abi3-{platform}"
    dist_info = f"polymill-{arguments.version}.dist-info"
    with open(arguments.readme, encoding="utf-8") as readme:
        description = readme.read()

    entries = []
    for name in sorted(os.listdir(arguments.package)):
        if name.endswith(".py") or name.endswith(".abi3.so"):
            with open(os.path.join(arguments.package, name), "rb") as file:
                entries.append((f"polymill/{name}", file.read()))
    entries.append((f"{dist_info}/METADATA", metadata(arguments.version, description).encode()))
    wheel = f"Wheel-Version: 1.0\nGenerator: polymill make_wheel.py\nRoot-Is-Purelib: false\nTag: {tag}\n"
    entries.append((f"{dist_info}/WHEEL", wheel.encode()))
    entries.append((f"{dist_info}/top_level.txt", b"polymill\n"))
    record = [record_line(name, data) for name, data in entries] + [f"{dist_info}/RECORD,,"]
    entries.append((f"{dist_info}/RECORD", ("\n".join(record) + "\n").encode()))

    path = os.path.join(arguments.out, f"polymill-{arguments.version}-{tag}.whl")
    with zipfile.ZipFile(path + ".partial", "w", zipfile.ZIP_DEFLATED) as wheel_file:
        for name, data in entries:
            info = zipfile.ZipInfo(name, SOURCE_DATE)
            info.external_attr = (0o755 if name.endswith(".so") else 0o644) << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            wheel_file.writestr(info, data)
    os.replace(path + ".partial", path)
    print(path)


if __name__ == "__main__":
    main()

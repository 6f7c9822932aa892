"""convert_files, python -m polymill and the Dask example: the files a build
keeps of each scene, and none of a scene that fails."""

import filecmp
import os
import subprocess
import sys
from pathlib import Path

import pytest

import polymill
from conftest import OBJECTS, PROGRAM

KINDS = ("vertices", "faces", "mapping", "objects.json", "trace")
EXAMPLE = Path(__file__).resolve().parents[2] / "examples" / "dask_batch" / "convert_folder.py"


def build_files(scene: Path, folder: Path) -> dict:
    """What polymill_add_meshes leaves of a scene that converts."""
    folder.mkdir(exist_ok=True)
    stem = folder / scene.stem
    trace = subprocess.run(
        [PROGRAM, str(scene), *(f"{stem}.{kind}" for kind in KINDS[:3])], stdout=subprocess.PIPE, check=True
    ).stdout
    index = subprocess.run([OBJECTS, str(scene)], stdout=subprocess.PIPE, check=True).stdout
    return {kind: Path(f"{stem}.{kind}").read_bytes() for kind in KINDS[:3]} | {"objects.json": index, "trace": trace}


@pytest.fixture
def folder_of_scenes(scenes, tmp_path):
    """A folder of good scenes and bad ones, with a stale file of a bad one
    where an earlier batch wrote it."""
    folder = tmp_path / "scenes"
    folder.mkdir()
    names = ["example", "pyramids", "sheets", "with-lights", "hostile", "not-a-scene", "cut-291"]
    for name in names:
        (folder / f"{name}.3ds").write_bytes(scenes[name].read_bytes())
    (folder / "unreadable.3ds").mkdir()
    return folder


def check_outcome(folder: Path, out: Path, results, tmp_path: Path):
    converted = {Path(r.path).stem for r in results if r.status == 0}
    assert converted == {"example", "pyramids", "sheets", "with-lights", "hostile", "cut-291"}
    failed = {Path(r.path).stem: r.message for r in results if r.status != 0}
    assert failed == {"not-a-scene": "File is not a valid 3ds file. Well one that I'll use", "unreadable": "Error reading File"}
    for stem in converted:
        expected = build_files(folder / f"{stem}.3ds", tmp_path / "expected")
        assert {kind: (out / f"{stem}.{kind}").read_bytes() for kind in KINDS} == expected
    assert sorted(p.name for p in out.iterdir()) == sorted(f"{stem}.{kind}" for stem in converted for kind in KINDS)


def test_a_batch_writes_the_files_of_a_build_and_none_of_a_failed_scene(folder_of_scenes, tmp_path):
    out = tmp_path / "out"
    out.mkdir()
    (out / "not-a-scene.vertices").write_bytes(b"from an earlier batch")
    paths = sorted(folder_of_scenes.iterdir())
    for workers in (1, 4):
        results = polymill.convert_files(paths, out, workers=workers)
        assert [r.path for r in results] == [str(p) for p in paths]
        check_outcome(folder_of_scenes, out, results, tmp_path)


def test_scenes_of_one_name_do_not_share_files(scenes, tmp_path):
    (tmp_path / "a").mkdir()
    twin = tmp_path / "a" / "example.3ds"
    twin.write_bytes(scenes["pyramids"].read_bytes())
    results = polymill.convert_files([scenes["example"], twin], tmp_path / "out")
    assert [r.status for r in results] == [0, -1]
    assert (tmp_path / "out" / "example.vertices").read_bytes() == polymill.convert_file(scenes["example"]).vertices


def test_without_mapping_no_mapping_file(scenes, tmp_path):
    (result,) = polymill.convert_files([scenes["example"]], tmp_path, mapping=False)
    assert result.status == 0
    assert not (tmp_path / "example.mapping").exists() and (tmp_path / "example.faces").exists()


def test_the_command_converts_a_folder_and_lists_what_failed(folder_of_scenes, tmp_path):
    out = tmp_path / "out"
    run = subprocess.run(
        [sys.executable, "-m", "polymill", "-o", str(out), str(folder_of_scenes)], stderr=subprocess.PIPE, text=True
    )
    assert run.returncode == 1
    assert "unreadable.3ds: Error reading File" in run.stderr and "6 of 8 scenes converted" in run.stderr
    assert len(list(out.glob("*.trace"))) == 6


def test_the_dask_example_converts_a_folder_on_two_workers(folder_of_scenes, tmp_path):
    pytest.importorskip("distributed", reason="Debian: apt-get install python3-distributed")
    out = tmp_path / "out"
    environment = dict(os.environ, PYTHONPATH=os.pathsep.join(sys.path))
    run = subprocess.run(
        [sys.executable, str(EXAMPLE), str(folder_of_scenes), str(out)],
        stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, env=environment, timeout=300,
    )
    assert run.returncode == 1, run.stderr
    assert "6 of 8 scenes converted" in run.stdout
    results = polymill.convert_files(sorted(folder_of_scenes.iterdir()), tmp_path / "again")
    check_outcome(folder_of_scenes, out, results, tmp_path)

"""convert, convert_file and load against the commands, bit for bit."""

import math
import threading

import numpy as np
import pytest

import polymill


def index_fields(obj):
    """An Object as polymill-objects prints it (bounds that are not finite as null)."""
    bounds = None
    if obj.bounds is not None:
        bounds = {side: [v if math.isfinite(v) else None for v in values] for side, values in obj.bounds._asdict().items()}
    return {
        "name": obj.name,
        "mesh": obj.mesh,
        "firstVertex": obj.first_vertex,
        "vertices": obj.vertices,
        "firstFace": obj.first_face,
        "faces": obj.faces,
        "firstMapping": obj.first_mapping,
        "mapping": obj.mapping,
        "bounds": bounds,
    }


def json_fields(entry):
    return {**entry, "name": entry.get("name"), "bounds": entry.get("bounds")}


def check_conversion(result, expected):
    assert (result.status, result.trace) == (expected.status, expected.trace)
    assert (result.vertices, result.faces, result.mapping) == (expected.vertices, expected.faces, expected.mapping)
    assert [index_fields(o) for o in result.objects] == [json_fields(e) for e in expected.objects]


def test_every_scene_converts_as_the_command_does(scenes, command_runs):
    for name, path in scenes.items():
        expected = command_runs[name]
        check_conversion(polymill.convert_file(path), expected)
        if path.exists():
            data = path.read_bytes()
            for given in (data, bytearray(data), memoryview(data)):
                check_conversion(polymill.convert(given), expected)


def check_scene(scene, expected):
    """The arrays hold the files' records, every bit, in the host's order."""
    assert np.array_equal(scene.vertices.view(np.uint32).ravel(), np.frombuffer(expected.vertices, ">u4"))
    assert np.array_equal(scene.faces.ravel(), np.frombuffer(expected.faces, ">u2"))
    if expected.mapping is None:
        assert scene.mapping is None
    else:
        assert np.array_equal(scene.mapping.view(np.uint32).ravel(), np.frombuffer(expected.mapping, ">u4"))
    for array, dtype, columns in ((scene.vertices, np.float32, 3), (scene.faces, np.uint16, 3)):
        assert (array.dtype, array.shape[1], array.dtype.isnative, array.flags.writeable) == (dtype, columns, True, True)
    starts = np.repeat([o.first_vertex for o in scene.objects], [o.faces for o in scene.objects])
    assert scene.triangles.dtype == np.uint32
    assert np.array_equal(scene.triangles, scene.faces.astype(np.int64) + starts[:, None])
    assert [index_fields(o) for o in scene.objects] == [json_fields(e) for e in expected.objects]


def test_load_gives_the_files_as_arrays_or_the_commands_failure(scenes, command_runs):
    for name, path in scenes.items():
        expected = command_runs[name]
        sources = [path, str(path)] + ([path.read_bytes()] if path.exists() else [])
        for source in sources:
            if expected.status == 0:
                scene = polymill.load(source, trace=True)
                check_scene(scene, expected)
                assert scene.trace == expected.trace
            else:
                with pytest.raises(polymill.ConversionError) as failure:
                    polymill.load(source)
                assert (failure.value.status, failure.value.trace) == (-1, expected.trace)
                assert str(failure.value) == expected.trace.decode("latin-1").strip().splitlines()[-1].strip()


def test_a_loader_keeps_only_the_head_of_a_long_trace(scenes, command_runs):
    expected = command_runs["mapping-lists"]
    scene = polymill.load(scenes["mapping-lists"])
    assert len(expected.trace) > polymill._load.TRACE_HEAD
    assert scene.trace == expected.trace[: polymill._load.TRACE_HEAD]


def test_objects_give_slices_of_the_arrays(scenes):
    scene = polymill.load(scenes["pyramids"])
    for obj in scene.objects:
        vertices = scene.vertices[obj.vertex_slice]
        assert len(vertices) == obj.vertices
        assert tuple(vertices.min(axis=0)) == obj.bounds.min
        assert (scene.triangles[obj.face_slice] >= obj.first_vertex).all()


def test_names_are_the_index_text_and_the_raw_bytes(scenes):
    (obj,) = polymill.convert_file(scenes["odd-name"]).objects
    assert obj.name_bytes == b"\xe9t\xe9 \xff\xc3 \x01\"q\""
    assert obj.name == "\ufffdt\ufffd \ufffd\ufffd \x01\"q\""


def test_threads_convert_side_by_side_as_one_does(scenes, command_runs):
    names = [n for n in scenes if scenes[n].exists()]
    failures = []

    def convert_all():
        try:
            for name in names:
                check_conversion(polymill.convert_file(scenes[name]), command_runs[name])
                if command_runs[name].status == 0:
                    check_scene(polymill.load(scenes[name]), command_runs[name])
        except AssertionError as error:
            failures.append(error)

    threads = [threading.Thread(target=convert_all) for _ in range(4)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert failures == []


@pytest.mark.parametrize("bad", ["a\0b.3ds", b"a\0b.3ds"])
def test_a_name_with_a_zero_byte_is_refused_as_open_refuses_it(bad):
    with pytest.raises(ValueError):
        polymill.convert_file(bad)

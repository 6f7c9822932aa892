// polymill._native: the library's calls for the Python package, through
// CPython's stable ABI (3.8 and later), so one build serves every version.
// Everything a call does with a scene happens with the GIL released; Python
// objects are made before and after. The package's own module wraps these
// tuples in its classes.

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <cstdint>
#include <cstring>
#include <exception>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/driver.h"
#include "app/objects_json.h"
#include "app/scene_files.h"
#include "polymill/polymill.h"

namespace {

// Runs `work` with the GIL released: other threads go on while a scene
// converts. The GIL is taken back however `work` ends.
template <typename Work>
auto withoutGil(Work work) {
  struct Released {
    PyThreadState* state = PyEval_SaveThread();
    ~Released() { PyEval_RestoreThread(state); }
  } released;
  return work();
}

constexpr const char* kFileCapsule = "polymill.file";

void releaseFile(PyObject* capsule) {
  delete static_cast<std::vector<std::uint8_t>*>(PyCapsule_GetPointer(capsule, kFileCapsule));
}

// A file's bytes for a loader, which makes an array of them where they lie:
// (owner, address, size), the owner a capsule that frees them with the last
// array that uses them. None for a file the program would not create.
PyObject* ownedFile(std::optional<std::vector<std::uint8_t>>& file) {
  auto* bytes = new std::vector<std::uint8_t>(std::move(*file));
  PyObject* owner = PyCapsule_New(bytes, kFileCapsule, releaseFile);
  if (owner == nullptr) {
    delete bytes;
    return nullptr;
  }
  return Py_BuildValue("(NKn)", owner, static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(bytes->data())),
                       static_cast<Py_ssize_t>(bytes->size()));
}

// A file's bytes as Python bytes, or for a loader as above; None for a file
// the program would not create.
PyObject* fileObject(std::optional<std::vector<std::uint8_t>>& file, bool forLoader) {
  if (!file) {
    Py_RETURN_NONE;
  }
  if (forLoader) {
    return ownedFile(file);
  }
  PyObject* object =
      PyBytes_FromStringAndSize(reinterpret_cast<const char*>(file->data()), static_cast<Py_ssize_t>(file->size()));
  std::vector<std::uint8_t>().swap(*file);
  return object;
}

PyObject* boundsObject(const std::optional<polymill::Bounds>& bounds) {
  if (!bounds) {
    Py_RETURN_NONE;
  }
  const auto& [min, max] = *bounds;
  return Py_BuildValue("((ddd)(ddd))", double{min[0]}, double{min[1]}, double{min[2]}, double{max[0]}, double{max[1]},
                       double{max[2]});
}

// (name, raw name, mesh, first vertex, vertices, first face, faces, first
// mapping, mapping, bounds); the name as text is what a JSON reader of
// polymill-objects' index gets.
PyObject* objectTuple(const polymill::Object& object) {
  PyObject* name = nullptr;
  PyObject* rawName = nullptr;
  if (object.name) {
    const std::string text = polymill::wellFormedUtf8(*object.name);
    name = PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), "strict");
    rawName = PyBytes_FromStringAndSize(object.name->data(), static_cast<Py_ssize_t>(object.name->size()));
  } else {
    name = Py_None;
    rawName = Py_None;
    Py_INCREF(Py_None);
    Py_INCREF(Py_None);
  }
  PyObject* bounds = boundsObject(object.bounds);
  if (name == nullptr || rawName == nullptr || bounds == nullptr) {
    Py_XDECREF(name);
    Py_XDECREF(rawName);
    Py_XDECREF(bounds);
    return nullptr;
  }
  return Py_BuildValue(
      "(NNNKKKKKKN)", name, rawName, PyBool_FromLong(object.mesh), static_cast<unsigned long long>(object.firstVertex),
      static_cast<unsigned long long>(object.vertices), static_cast<unsigned long long>(object.firstFace),
      static_cast<unsigned long long>(object.faces), static_cast<unsigned long long>(object.firstMapping),
      static_cast<unsigned long long>(object.mapping), bounds);
}

PyObject* objectList(const std::vector<polymill::Object>& objects) {
  PyObject* list = PyList_New(static_cast<Py_ssize_t>(objects.size()));
  for (std::size_t i = 0; list != nullptr && i < objects.size(); ++i) {
    PyObject* item = objectTuple(objects[i]);
    if (item == nullptr) {
      Py_DECREF(list);
      return nullptr;
    }
    PyList_SetItem(list, static_cast<Py_ssize_t>(i), item);
  }
  return list;
}

// (status, trace, message, vertices, faces, mapping, objects).
PyObject* conversionTuple(polymill::HeadedConversion& result, bool forLoader) {
  polymill::Conversion& conversion = result.conversion;
  PyObject* trace =
      PyBytes_FromStringAndSize(conversion.trace.data(), static_cast<Py_ssize_t>(conversion.trace.size()));
  std::string().swap(conversion.trace);
  PyObject* vertices = fileObject(conversion.vertices, forLoader);
  PyObject* faces = fileObject(conversion.faces, forLoader);
  PyObject* mapping = fileObject(conversion.mapping, forLoader);
  PyObject* objects = objectList(conversion.objects);
  if (trace == nullptr || vertices == nullptr || faces == nullptr || mapping == nullptr || objects == nullptr) {
    for (PyObject* made : {trace, vertices, faces, mapping, objects}) {
      Py_XDECREF(made);
    }
    return nullptr;
  }
  return Py_BuildValue("(iNs#NNNN)", conversion.status, trace, result.message.data(),
                       static_cast<Py_ssize_t>(result.message.size()), vertices, faces, mapping, objects);
}

// The trace's head that a call keeps: all of it for a negative limit.
std::size_t traceLimitOf(long long limit) { return limit < 0 ? SIZE_MAX : static_cast<std::size_t>(limit); }

// A name as the file system takes it (os.fsencode's bytes), with no zero byte inside.
const char* fileNameOf(PyObject* bytes) {
  char* name = nullptr;
  Py_ssize_t size = 0;
  if (PyBytes_AsStringAndSize(bytes, &name, &size) != 0) {
    return nullptr;
  }
  if (std::strlen(name) != static_cast<std::size_t>(size)) {
    PyErr_SetString(PyExc_ValueError, "embedded null byte");
    return nullptr;
  }
  return name;
}

// Memory the system refused outside the library's budget, as Python tells it.
template <typename Call>
PyObject* guarded(Call call) {
  try {
    return call();
  } catch (const std::exception&) {
    return PyErr_NoMemory();
  }
}

// What `convert` gives for the trace limit asked, made without the GIL, as a tuple.
template <typename Convert>
PyObject* conversionOf(long long traceLimit, int forLoader, Convert convert) {
  return guarded([&] {
    polymill::HeadedConversion result = withoutGil([&] { return convert(traceLimitOf(traceLimit)); });
    return conversionTuple(result, forLoader != 0);
  });
}

PyObject* convertBytes(PyObject*, PyObject* args) {
  PyObject* data = nullptr;
  long long traceLimit = -1;
  int forLoader = 0;
  if (!PyArg_ParseTuple(args, "SLp", &data, &traceLimit, &forLoader)) {
    return nullptr;
  }
  char* bytes = nullptr;
  Py_ssize_t size = 0;
  if (PyBytes_AsStringAndSize(data, &bytes, &size) != 0) {
    return nullptr;
  }
  // bytes never change, and `args` holds these while the GIL is released.
  const std::span<const std::uint8_t> scene(reinterpret_cast<const std::uint8_t*>(bytes),
                                            static_cast<std::size_t>(size));
  return conversionOf(traceLimit, forLoader,
                      [&](std::size_t limit) { return polymill::convertKeepingHead(scene, limit); });
}

PyObject* convertFile(PyObject*, PyObject* args) {
  PyObject* path = nullptr;
  long long traceLimit = -1;
  int forLoader = 0;
  if (!PyArg_ParseTuple(args, "SLp", &path, &traceLimit, &forLoader)) {
    return nullptr;
  }
  const char* name = fileNameOf(path);
  if (name == nullptr) {
    return nullptr;
  }
  return conversionOf(traceLimit, forLoader,
                      [&](std::size_t limit) { return polymill::convertFileKeepingHead(name, limit); });
}

PyObject* writeSceneFiles(PyObject*, PyObject* args) {
  PyObject* scenePath = nullptr;
  PyObject* stemPath = nullptr;
  int mapping = 1;
  if (!PyArg_ParseTuple(args, "SSp", &scenePath, &stemPath, &mapping)) {
    return nullptr;
  }
  const char* scene = fileNameOf(scenePath);
  const char* stem = scene == nullptr ? nullptr : fileNameOf(stemPath);
  if (stem == nullptr) {
    return nullptr;
  }
  return guarded([&] {
    const polymill::SceneFilesResult result =
        withoutGil([&] { return polymill::writeSceneFiles(scene, stem, mapping != 0); });
    return Py_BuildValue("(is#)", result.status, result.message.data(), static_cast<Py_ssize_t>(result.message.size()));
  });
}

PyMethodDef methods[] = {
    {"convert", convertBytes, METH_VARARGS,
     "convert(scene: bytes, trace_limit: int, for_loader: bool) -> (status, trace, message, vertices, faces, "
     "mapping, objects)"},
    {"convert_file", convertFile, METH_VARARGS,
     "convert_file(path: bytes, trace_limit: int, for_loader: bool) -> the same, the scene read from the file"},
    {"write_scene_files", writeSceneFiles, METH_VARARGS,
     "write_scene_files(scene: bytes, stem: bytes, mapping: bool) -> (status, message)"},
    {nullptr, nullptr, 0, nullptr},
};

PyModuleDef moduleDefinition = {
    PyModuleDef_HEAD_INIT,
    "polymill._native",
    "The polymill library's calls, for the polymill package.",
    -1,
    methods,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
};

}  // namespace

PyMODINIT_FUNC PyInit__native() { return PyModule_Create(&moduleDefinition); }

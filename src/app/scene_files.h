#pragma once

#include <string>

namespace polymill {

// How the files of one scene came out: status 0, or -1 with the message that
// ended the run as a line of text (no blank lines around it).
struct SceneFilesResult {
  int status = -1;
  std::string message;
};

// Converts the scene in the named file into the files that a build keeps of
// it, in one walk: STEM.vertices, STEM.faces, STEM.mapping (when `mapping`),
// STEM.objects.json (the object index as polymill-objects prints it) and
// STEM.trace (what polymill prints). Each is written as STEM.partial.KIND and
// takes its own name only once all of them are whole, so a reader never finds
// a torn one; a scene that fails leaves none of them, not even those an
// earlier conversion left.
SceneFilesResult writeSceneFiles(const char* scene, const std::string& stem, bool mapping);

}  // namespace polymill

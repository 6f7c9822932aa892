# One build step of polymill_add_meshes: converts SCENE into OUTPUT.vertices,
# .faces, .mapping (when MAPPING is true), .objects.json and .trace, with the
# commands POLYMILL and POLYMILL_OBJECTS. The files are written under other
# names first and take theirs only when both commands succeeded, so that a
# failed step leaves none behind for the next build to trust.
cmake_minimum_required(VERSION 3.25)
set(kinds vertices faces)
if(MAPPING)
  list(APPEND kinds mapping)
endif()
set(partial "${OUTPUT}.partial")
cmake_path(GET OUTPUT PARENT_PATH destination)
file(MAKE_DIRECTORY "${destination}")
set(files "")
foreach(kind IN LISTS kinds)
  list(APPEND files "${partial}.${kind}")
endforeach()
set(everything ${kinds} objects.json trace)

# Shows the program's message as it printed it (CMake's own messages reflow their text).
function(discard_and_fail message)
  foreach(kind IN LISTS everything)
    file(REMOVE "${partial}.${kind}" "${OUTPUT}.${kind}")
  endforeach()
  execute_process(COMMAND "${CMAKE_COMMAND}" -E echo "${SCENE}: ${message}")
  message(FATAL_ERROR "polymill could not convert ${SCENE}")
endfunction()

execute_process(COMMAND "${POLYMILL}" "${SCENE}" ${files} OUTPUT_FILE "${partial}.trace" RESULT_VARIABLE status)
if(NOT status EQUAL 0 AND NOT EXISTS "${partial}.trace")
  discard_and_fail("${POLYMILL}: ${status}")
elseif(NOT status EQUAL 0)
  # The program's message ends what it printed.
  file(STRINGS "${partial}.trace" lines)
  list(FILTER lines EXCLUDE REGEX "^[ \t]*$")
  list(POP_BACK lines last)
  discard_and_fail("${last}")
endif()
execute_process(COMMAND "${POLYMILL_OBJECTS}" "${SCENE}" OUTPUT_FILE "${partial}.objects.json"
                ERROR_VARIABLE objects_message RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  string(STRIP "${objects_message}" objects_message)
  discard_and_fail("${objects_message}")
endif()
foreach(kind IN LISTS everything)
  file(RENAME "${partial}.${kind}" "${OUTPUT}.${kind}")
endforeach()

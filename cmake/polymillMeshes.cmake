# polymill_add_meshes(<name> SCENES <file>... [DESTINATION <dir>] [NO_MAPPING])
#
# A target <name> that converts each scene at build time into
# <dir>/<stem>.vertices, .faces, .mapping (not with NO_MAPPING), .objects.json
# (the object index) and .trace, <dir> being the current binary folder unless
# given. Each scene is a build step of its own, which depends on the scene and
# the commands, so that a build converts again only the scenes that changed,
# several at once. A scene that polymill refuses fails the build with the
# program's message and leaves none of its files. The target's OUTPUTS
# property lists every file.

set(polymill_convert_scene_script "${CMAKE_CURRENT_LIST_DIR}/polymillConvertScene.cmake")

function(polymill_add_meshes name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "NO_MAPPING" "DESTINATION" "SCENES")
  if(arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "polymill_add_meshes: unknown arguments: ${arg_UNPARSED_ARGUMENTS}")
  endif()
  if(NOT arg_SCENES)
    message(FATAL_ERROR "polymill_add_meshes: no SCENES given")
  endif()
  set(destination "${CMAKE_CURRENT_BINARY_DIR}")
  if(arg_DESTINATION)
    cmake_path(ABSOLUTE_PATH arg_DESTINATION BASE_DIRECTORY "${CMAKE_CURRENT_BINARY_DIR}" OUTPUT_VARIABLE destination)
  endif()
  set(kinds vertices faces)
  if(NOT arg_NO_MAPPING)
    list(APPEND kinds mapping)
  endif()
  list(APPEND kinds objects.json trace)

  set(all_outputs "")
  set(stems "")
  foreach(scene IN LISTS arg_SCENES)
    cmake_path(ABSOLUTE_PATH scene BASE_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}" OUTPUT_VARIABLE scene)
    cmake_path(GET scene STEM LAST_ONLY stem)
    if(stem IN_LIST stems)
      message(FATAL_ERROR "polymill_add_meshes(${name}): two scenes are named ${stem}: their files would be one")
    endif()
    list(APPEND stems "${stem}")
    set(outputs "")
    foreach(kind IN LISTS kinds)
      list(APPEND outputs "${destination}/${stem}.${kind}")
    endforeach()
    add_custom_command(
      OUTPUT ${outputs}
      COMMAND "${CMAKE_COMMAND}" "-DPOLYMILL=$<TARGET_FILE:polymill::command>"
              "-DPOLYMILL_OBJECTS=$<TARGET_FILE:polymill::objects_command>" "-DSCENE=${scene}"
              "-DOUTPUT=${destination}/${stem}" "-DMAPPING=$<NOT:$<BOOL:${arg_NO_MAPPING}>>"
              -P "${polymill_convert_scene_script}"
      DEPENDS "${scene}" polymill::command polymill::objects_command "${polymill_convert_scene_script}"
      COMMENT "Converting ${stem} with polymill"
      VERBATIM)
    list(APPEND all_outputs ${outputs})
  endforeach()
  add_custom_target(${name} ALL DEPENDS ${all_outputs})
  set_property(TARGET ${name} PROPERTY OUTPUTS ${all_outputs})
endfunction()

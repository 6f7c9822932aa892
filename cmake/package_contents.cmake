# Read by CPack before each package it makes: the Debian packages take the
# program, the library and the Python package (where it was built), one package each, and leave the page out, as Debian
# keeps no pages among programs; the tarball and the zip take everything.
if(CPACK_GENERATOR STREQUAL "DEB")
  set(CPACK_COMPONENTS_ALL Runtime Development)
  if(CPACK_POLYMILL_PYTHON)
    list(APPEND CPACK_COMPONENTS_ALL Python)
  endif()
  # Each package's description opens with its own synopsis, not the project's.
  unset(CPACK_PACKAGE_DESCRIPTION_SUMMARY)
endif()

# A cross-built Debian package: its programs depend on the C library at the
# newest symbol version they use (GLIBC_2.34 asks for libc6 (>= 2.34)).
if(CPACK_GENERATOR STREQUAL "DEB" AND CPACK_POLYMILL_OBJDUMP)
  set(newest 0)
  foreach(program IN LISTS CPACK_POLYMILL_PROGRAMS)
    execute_process(COMMAND ${CPACK_POLYMILL_OBJDUMP} -T ${program} OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
    string(REGEX MATCHALL "GLIBC_2\\.[0-9]+" versions "${symbols}")
    foreach(version IN LISTS versions)
      string(REGEX REPLACE "GLIBC_2\\." "" minor "${version}")
      if(minor GREATER newest)
        set(newest ${minor})
      endif()
    endforeach()
  endforeach()
  set(CPACK_DEBIAN_RUNTIME_PACKAGE_DEPENDS "libc6 (>= 2.${newest})")
endif()

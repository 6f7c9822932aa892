# What is installed, and the packages made from it: Debian packages of the
# program (Runtime) and of the library (Development) and a tarball of both on
# Linux, a zip on Windows, all from the same install rules.

include(CMakePackageConfigHelpers)

install(TARGETS polymill RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT Runtime)
if(TARGET polymill-objects)  # the module has the index in itself
  install(TARGETS polymill-objects RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT Runtime)
endif()

# The library: its one header, the static library, a CMake package
# (find_package(polymill), target polymill::polymill) and a pkg-config file,
# both found relative to where they are installed, so any prefix serves.
install(TARGETS polymill_core EXPORT polymillTargets ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Development)
install(FILES include/polymill/polymill.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/polymill COMPONENT Development)
set(polymill_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/polymill)
install(EXPORT polymillTargets NAMESPACE polymill:: DESTINATION ${polymill_cmake_dir} COMPONENT Development)
configure_package_config_file(cmake/polymillConfig.cmake.in ${PROJECT_BINARY_DIR}/polymillConfig.cmake
                              INSTALL_DESTINATION ${polymill_cmake_dir} PATH_VARS CMAKE_INSTALL_BINDIR)
# Before 1.0 a minor version may change the interface.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/polymillConfigVersion.cmake COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/polymillConfig.cmake ${PROJECT_BINARY_DIR}/polymillConfigVersion.cmake
              cmake/polymillMeshes.cmake cmake/polymillConvertScene.cmake
        DESTINATION ${polymill_cmake_dir} COMPONENT Development)
# A project with no language enabled (one that only converts scenes) searches
# no multiarch library folder such as Debian's lib/x86_64-linux-gnu: a package
# in share/ that only forwards leads it there.
if(CMAKE_LIBRARY_ARCHITECTURE AND CMAKE_INSTALL_LIBDIR MATCHES "/${CMAKE_LIBRARY_ARCHITECTURE}$")
  set(polymill_forward_dir ${CMAKE_INSTALL_DATADIR}/cmake/polymill)
  file(RELATIVE_PATH polymill_real_dir /${polymill_forward_dir} /${polymill_cmake_dir})
  foreach(config polymillConfig polymillConfigVersion)
    file(WRITE ${PROJECT_BINARY_DIR}/forward/${config}.cmake
         "include(\"\${CMAKE_CURRENT_LIST_DIR}/${polymill_real_dir}/${config}.cmake\")\n")
  endforeach()
  install(FILES ${PROJECT_BINARY_DIR}/forward/polymillConfig.cmake ${PROJECT_BINARY_DIR}/forward/polymillConfigVersion.cmake
          DESTINATION ${polymill_forward_dir} COMPONENT Development)
endif()
file(RELATIVE_PATH polymill_prefix_from_pc_dir /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
string(REGEX REPLACE "/$" "" polymill_prefix_from_pc_dir ${polymill_prefix_from_pc_dir})
configure_file(cmake/polymill.pc.in ${PROJECT_BINARY_DIR}/polymill.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/polymill.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT Development)

# The page (cmake --workflow --preset web) goes beside the program in the
# tarball and the zip: one file that converts with nothing installed. The
# Debian package leaves it out, as Debian keeps no pages among programs.
set(POLYMILL_PAGE ${PROJECT_SOURCE_DIR}/build/web/polymill.html CACHE FILEPATH "The page to install beside the program")
if(NOT CMAKE_SYSTEM_PROCESSOR STREQUAL "wasm32")
  if(EXISTS ${POLYMILL_PAGE})
    install(FILES ${POLYMILL_PAGE} DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT page)
  else()
    message(STATUS "No ${POLYMILL_PAGE}: the page is not installed (cmake --workflow --preset web makes it)")
  endif()
endif()
# The usage message points to this README, found from the program's own place;
# what it links to lies beside it as in the source tree.
install(FILES README.md CONTRIBUTING.md docs/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT Runtime)
install(FILES docs/page.md docs/node.md docs/library.md docs/python.md docs/speed.md docs/hostile-files.md docs/page.png
        DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs COMPONENT Runtime)
install(DIRECTORY examples/loaders examples/dask_batch DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples COMPONENT Runtime)
# Each Debian package carries its own copyright and changelog.
set(polymill_dev_doc_dir ${CMAKE_INSTALL_DATAROOTDIR}/doc/libpolymill-dev)
install(FILES docs/copyright DESTINATION ${polymill_dev_doc_dir} COMPONENT Development)

if(NOT WIN32)
  # The man page and changelog carry the project's version, compressed as Debian wants them.
  set(polymill_docs ${PROJECT_BINARY_DIR}/docs)
  configure_file(docs/polymill.1.in ${polymill_docs}/polymill.1 @ONLY)
  configure_file(docs/polymill-objects.1.in ${polymill_docs}/polymill-objects.1 @ONLY)
  configure_file(docs/changelog.in ${polymill_docs}/changelog @ONLY)
  foreach(doc polymill.1 polymill-objects.1 changelog)
    add_custom_command(OUTPUT ${polymill_docs}/${doc}.gz
                       COMMAND gzip -9nkf ${polymill_docs}/${doc}
                       DEPENDS ${polymill_docs}/${doc})
  endforeach()
  add_custom_target(polymill_docs ALL DEPENDS ${polymill_docs}/polymill.1.gz ${polymill_docs}/polymill-objects.1.gz
                                              ${polymill_docs}/changelog.gz)
  install(FILES ${polymill_docs}/polymill.1.gz ${polymill_docs}/polymill-objects.1.gz
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT Runtime)
  install(FILES ${polymill_docs}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT Runtime)
  install(FILES ${polymill_docs}/changelog.gz DESTINATION ${polymill_dev_doc_dir} COMPONENT Development)
endif()

set(CPACK_PACKAGE_NAME polymill)
set(CPACK_PACKAGE_VENDOR "The polymill developers")
set(CPACK_PACKAGE_CONTACT "The polymill developers <maintainers@polymill.dev>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "convert 3DS triangle meshes into big-endian arrays")
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
     "polymill reads one 3D scene in the 3DS chunk format, collects every"
     "triangle mesh in it and writes the mesh data as flat, headerless,"
     "big-endian arrays: a vertex file, a face file and, when asked, a"
     "texture-mapping file, printing a trace of what it found. The arrays are"
     "the same bytes on every platform, ready for engines, GPU loaders and"
     "tools that want raw big-endian data.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://polymill.dev")
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_FILE_NAME ${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR})

if(WIN32)
  set(CPACK_GENERATOR ZIP)
else()
  set(CPACK_GENERATOR DEB TGZ)
endif()

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
if(CMAKE_CROSSCOMPILING AND CMAKE_SYSTEM_PROCESSOR STREQUAL "aarch64")
  # dpkg-shlibdeps knows only the host's own libraries, not the cross
  # compiler's. The arm64 package links the C++ runtime statically (the
  # arm64-package preset) and depends on the C library alone, at the version
  # its programs' symbols ask for (package_contents.cmake reads them).
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE arm64)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
  set(CPACK_POLYMILL_OBJDUMP ${CMAKE_OBJDUMP})
  set(CPACK_POLYMILL_PROGRAMS ${PROJECT_BINARY_DIR}/polymill ${PROJECT_BINARY_DIR}/polymill-objects)
else()
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
# One Debian package per component: polymill_VERSION_ARCH.deb and libpolymill-dev_VERSION_ARCH.deb.
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME polymill)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION_SUMMARY}\n${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libpolymill-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
string(JOIN "\n" CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION
     "convert 3DS triangle meshes into big-endian arrays (C++ library)"
     "polymill's conversion as a static C++20 library: one header,"
     "<polymill/polymill.h>, whose polymill::convert turns a 3DS scene in"
     "memory into its trace and its vertex, face and texture-mapping arrays,"
     "exactly as the polymill command writes them. With a CMake package"
     "(find_package(polymill), target polymill::polymill, the commands as"
     "imported targets and polymill_add_meshes(), which converts a project's"
     "scenes at build time) and a pkg-config file.")
# The CMake package's build-time conversions run the commands of the polymill package.
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "polymill (= ${PROJECT_VERSION})")

# The Python package, where this build made its module: python3-polymill_VERSION_ARCH.deb.
if(TARGET polymill_python)
  set(CPACK_POLYMILL_PYTHON ON)
  set(polymill_python_doc_dir ${CMAKE_INSTALL_DATAROOTDIR}/doc/python3-polymill)
  install(FILES docs/copyright DESTINATION ${polymill_python_doc_dir} COMPONENT Python)
  if(NOT WIN32)
    install(FILES ${polymill_docs}/changelog.gz DESTINATION ${polymill_python_doc_dir} COMPONENT Python)
  endif()
  set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-polymill)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS "python3 (>= 3.8), python3-numpy")
  string(JOIN "\n" CPACK_DEBIAN_PYTHON_DESCRIPTION
       "convert 3DS triangle meshes into numpy arrays (Python 3)"
       "polymill's conversion for Python: polymill.load turns a 3DS scene into"
       "numpy arrays of its vertices, faces, texture coordinates and triangles,"
       "with the index of its objects; polymill.convert gives the polymill"
       "command's exact big-endian files and trace; polymill.convert_files and"
       "python3 -m polymill convert many scenes at once, on every core.")
endif()

set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/package_contents.cmake)
include(CPack)

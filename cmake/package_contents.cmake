# Read by CPack before each package it makes, with what the one before set
# still in force: the Debian package takes everything but the page, the others
# take everything.
if(CPACK_GENERATOR STREQUAL "DEB")
  string(REPLACE ";ALL;" ";Unspecified;" CPACK_INSTALL_CMAKE_PROJECTS "${CPACK_INSTALL_CMAKE_PROJECTS}")
else()
  string(REPLACE ";Unspecified;" ";ALL;" CPACK_INSTALL_CMAKE_PROJECTS "${CPACK_INSTALL_CMAKE_PROJECTS}")
endif()

# Read by CPack for each package it makes: the Debian package takes everything
# but the page.
if(CPACK_GENERATOR STREQUAL "DEB")
  string(REPLACE ";ALL;" ";Unspecified;" CPACK_INSTALL_CMAKE_PROJECTS "${CPACK_INSTALL_CMAKE_PROJECTS}")
endif()

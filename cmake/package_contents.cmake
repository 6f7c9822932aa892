# Read by CPack before each package it makes: the Debian packages take the
# program and the library, one package each, and leave the page out, as Debian
# keeps no pages among programs; the tarball and the zip take everything.
if(CPACK_GENERATOR STREQUAL "DEB")
  set(CPACK_COMPONENTS_ALL Runtime Development)
  # Each package's description opens with its own synopsis, not the project's.
  unset(CPACK_PACKAGE_DESCRIPTION_SUMMARY)
endif()

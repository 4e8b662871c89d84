# Read by cpack for each generator: the Debian package takes the files of a Debian system,
# the archives the flat layout for players; each is one package of its component.
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
if(CPACK_GENERATOR STREQUAL "DEB")
  set(CPACK_COMPONENTS_ALL debian)
else()
  set(CPACK_COMPONENTS_ALL release)
  # The archives unpack into one folder, veskor-<version>-<system>, as before.
  set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY ON)
endif()
include(${CMAKE_CURRENT_LIST_DIR}/cpacktime.cmake)

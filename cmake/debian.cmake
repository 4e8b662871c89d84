# The Debian package (cpack's DEB generator, beside the tar.gz): the release's program in
# /usr/bin, the manual page, the changelog and the player's README compressed with gzip -9n
# as Debian wants them, and the copyright in Debian's machine-readable format. The static
# program needs no shared library, so the package depends on nothing; a dynamic one
# (VESKOR_STATIC off) depends on the libraries dpkg-shlibdeps finds.
find_program(VESKOR_GZIP gzip)
if(NOT VESKOR_GZIP)
  message(STATUS "No gzip here: no Debian package")
  return()
endif()
set(VESKOR_MAINTAINER "The VESKOR developers <veskor@veskor.invalid>"
    CACHE STRING "Maintainer of the Debian package: name <address>")
set(debdir ${CMAKE_CURRENT_BINARY_DIR}/debian)
foreach(source doc/veskor.1 README.md)
  cmake_path(GET source FILENAME name)
  add_custom_command(OUTPUT ${debdir}/${name}.gz
                     COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_SOURCE_DIR}/${source}
                             ${debdir}/${name}
                     COMMAND ${VESKOR_GZIP} -9nf ${debdir}/${name}
                     DEPENDS ${source} VERBATIM)
endforeach()
add_custom_command(OUTPUT ${debdir}/changelog.gz
                   COMMAND ${CMAKE_COMMAND} -DIN=${CMAKE_CURRENT_SOURCE_DIR}/CHANGELOG.md
                           -DOUT=${debdir}/changelog -DMAINTAINER=${VESKOR_MAINTAINER}
                           -P ${CMAKE_CURRENT_SOURCE_DIR}/cmake/debchangelog.cmake
                   COMMAND ${VESKOR_GZIP} -9nf ${debdir}/changelog
                   DEPENDS CHANGELOG.md cmake/debchangelog.cmake VERBATIM)
add_custom_target(debianfiles ALL DEPENDS ${debdir}/veskor.1.gz ${debdir}/changelog.gz
                                          ${debdir}/README.md.gz)
install(TARGETS ${releaseprogram} RUNTIME DESTINATION bin COMPONENT debian EXCLUDE_FROM_ALL)
install(FILES ${debdir}/veskor.1.gz DESTINATION share/man/man1 COMPONENT debian
        EXCLUDE_FROM_ALL)
install(FILES dist/debian/copyright ${debdir}/changelog.gz ${debdir}/README.md.gz
        DESTINATION share/doc/veskor COMPONENT debian EXCLUDE_FROM_ALL)
if(releaselink STREQUAL "dynamic")
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  # The program is static on purpose: it is the one of the tar.gz, which runs on any Linux.
  # lintian takes a static PIE, which names no library, for a shared library that lacks them.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
  set(tag statically-linked-binary)
  if(releaselink STREQUAL "static-pie")
    set(tag shared-library-lacks-prerequisites)
  endif()
  configure_file(dist/debian/lintian-overrides.in ${debdir}/lintian-overrides @ONLY)
  install(FILES ${debdir}/lintian-overrides DESTINATION share/lintian/overrides
          RENAME veskor COMPONENT debian EXCLUDE_FROM_ALL)
endif()

list(APPEND CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_NAME veskor)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Debian's name for x86-64, also where dpkg is not there to say it.
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64)$")
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE amd64)
endif()
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VESKOR_MAINTAINER}")
# Lines of at most 80 columns, as dpkg shows them.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "VESKOR repairs save files of the game Valdremar that the game refuses to\n"
    "load. It mends stray control characters, values cut in two by a stray line\n"
    "break, and broken quotes, and lists every repair with its line number. It\n"
    "writes a repaired copy beside the save, or with --replace repairs the save in\n"
    "place and keeps the damaged one as a backup; --check only lists what a save\n"
    "needs.")

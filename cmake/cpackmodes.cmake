# Run by cpack for each package: the modes in it are those the packages want, whatever the
# umask of the run. Before packing (CPACK_PRE_BUILD_SCRIPTS), every folder that the install
# made is set to 755, since install() creates folders through the umask. After
# (CPACK_POST_BUILD_SCRIPTS, which name the packages), each member of a .deb (an ar
# archive: its 8-byte signature, then per member a 60-byte header, the mode at 40, the size
# at 48, and the data padded to an even length) is given 644, where cpack wrote the modes of
# its temporary files.
if(NOT CPACK_PACKAGE_FILES)
  file(GLOB_RECURSE folders LIST_DIRECTORIES true "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
  foreach(folder IN LISTS folders)
    if(IS_DIRECTORY "${folder}")
      file(CHMOD "${folder}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                                         GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    endif()
  endforeach()
  return()
endif()
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  if(NOT package MATCHES "[.]deb$")
    continue()
  endif()
  set(mode "${package}.mode")
  file(WRITE "${mode}" "100644  ")
  file(SIZE "${package}" end)
  set(at 8)
  while(at LESS end)
    file(READ "${package}" header OFFSET ${at} LIMIT 60)
    string(SUBSTRING "${header}" 48 10 size)
    string(STRIP "${size}" size)
    math(EXPR modeat "${at} + 40")
    execute_process(COMMAND dd "of=${package}" bs=1 seek=${modeat} conv=notrunc status=none
                    INPUT_FILE "${mode}" COMMAND_ERROR_IS_FATAL ANY)
    math(EXPR at "${at} + 60 + (${size} + 1) / 2 * 2")
  endwhile()
  file(REMOVE "${mode}")
endforeach()

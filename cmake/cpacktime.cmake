# Read by cpack for each generator (CPACK_PROJECT_CONFIG_FILE, or through
# cpackcomponents.cmake), with CPACK_VESKOR_SOURCE_DIR naming the sources. The same bytes from
# the same sources, wherever they are built: every time in the packages is SOURCE_DATE_EPOCH
# or, where that is not set, the time of the last commit; the zip's local times are in UTC.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  execute_process(COMMAND git -C "${CPACK_VESKOR_SOURCE_DIR}" log -1 --format=%ct
                  OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(epoch MATCHES "^[0-9]+$")
    set(ENV{SOURCE_DATE_EPOCH} ${epoch})
  endif()
endif()
set(ENV{TZ} UTC0)

# cmake -DIN=CHANGELOG.md -DOUT=changelog -DMAINTAINER="name <address>" -P debchangelog.cmake
# Writes the changelog in Debian's format from CHANGELOG.md: each "## <version> (<date>)"
# an entry, each "- " item a "  * " item, Markdown's backticks left out; an entry with no
# version and date yet ("## Unreleased") is left out.
file(STRINGS "${IN}" lines)
set(out "")
set(signature "")
set(released OFF)
foreach(line IN LISTS lines)
  string(REPLACE "`" "" line "${line}")
  if(line MATCHES "^## ([^ ]+) \\(([0-9-]+)\\)$")
    execute_process(COMMAND date -u -R -d "${CMAKE_MATCH_2}" OUTPUT_VARIABLE date
                    OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    string(APPEND out "${signature}veskor (${CMAKE_MATCH_1}) unstable; urgency=medium\n\n")
    set(signature "\n -- ${MAINTAINER}  ${date}\n\n")
    set(released ON)
  elseif(line MATCHES "^## ")
    set(released OFF)
  elseif(released AND line MATCHES "^- (.*)")
    string(APPEND out "  * ${CMAKE_MATCH_1}\n")
  elseif(released AND line MATCHES "^  (.*)")
    string(APPEND out "    ${CMAKE_MATCH_1}\n")
  endif()
endforeach()
string(REGEX REPLACE "\n\n$" "\n" signature "${signature}")
file(WRITE "${OUT}" "${out}${signature}")

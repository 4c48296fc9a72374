# Fails when PROGRAM imports a function that ALLOWED (windows7_imports.txt) does
# not list, or declares another oldest Windows version than OS_VERSION. The
# program is linked statically, so everything it imports must come with Windows
# itself, and with the oldest Windows it claims to run on.
#   cmake -DOBJDUMP=<objdump> -DPROGRAM=<exe> -DALLOWED=<list> -DOS_VERSION=6.1
#         -P check_imports.cmake
cmake_minimum_required(VERSION 3.25)

file(STRINGS ${ALLOWED} allowed_lines)
set(allowed)
foreach(line IN LISTS allowed_lines)
  string(REGEX REPLACE "#.*" "" line "${line}")
  string(STRIP "${line}" line)
  if(line MATCHES "^([^ ]+) +([^ ]+)$")
    string(TOLOWER "${CMAKE_MATCH_1}" dll)
    list(APPEND allowed "${dll} ${CMAKE_MATCH_2}")
  elseif(line)
    message(FATAL_ERROR "${ALLOWED}: not \"<dll> <function>\": ${line}")
  endif()
endforeach()

execute_process(COMMAND ${OBJDUMP} -p ${PROGRAM} OUTPUT_VARIABLE dump RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p ${PROGRAM} failed")
endif()

# The loader refuses a program whose OS and subsystem versions are newer than
# the running Windows; they must name the Windows the list was checked against.
foreach(field OSystem Subsystem)
  if(NOT dump MATCHES "Major${field}Version\t+([0-9]+)\nMinor${field}Version\t+([0-9]+)")
    message(FATAL_ERROR "no ${field} version in ${OBJDUMP} -p ${PROGRAM}")
  endif()
  if(NOT "${CMAKE_MATCH_1}.${CMAKE_MATCH_2}" VERSION_EQUAL OS_VERSION)
    message(FATAL_ERROR "${PROGRAM} declares Major/Minor${field}Version "
                        "${CMAKE_MATCH_1}.${CMAKE_MATCH_2}, not ${OS_VERSION}")
  endif()
endforeach()

string(REGEX MATCH "The Import Tables[^\n]*\n(.*)" imports "${dump}")
string(REGEX REPLACE "\nThe [^\n]*\n.*" "" imports "${CMAKE_MATCH_1}")
string(REGEX MATCHALL "[^\n]+" lines "${imports}")
set(count 0)
set(refused)
foreach(line IN LISTS lines)
  if(line MATCHES "DLL Name: (.+)")
    string(TOLOWER "${CMAKE_MATCH_1}" dll)
  elseif(line MATCHES "^\t[0-9a-f]+[ \t].* ([^ ]+)$")
    # A function's row: its thunk's address, then its hint (and, from binutils
    # 2.44 on, an ordinal column before it), then its name, or <none> where it
    # is imported by ordinal.
    set(function "${CMAKE_MATCH_1}")
    if(function STREQUAL "<none>")
      set(function "(by ordinal)")
    endif()
    math(EXPR count "${count} + 1")
    if(NOT "${dll} ${function}" IN_LIST allowed)
      list(APPEND refused "${dll} ${function}")
    endif()
  endif()
endforeach()
if(count EQUAL 0)
  message(FATAL_ERROR "no imports found in ${PROGRAM}")
endif()
if(refused)
  list(JOIN refused "\n  " refused)
  message(FATAL_ERROR "${PROGRAM} imports what ${ALLOWED} does not list (check that Windows "
                      "${OS_VERSION} has it, then add it there):\n  ${refused}")
endif()
message(STATUS "${count} imports, all in ${ALLOWED}; Windows version ${OS_VERSION}")

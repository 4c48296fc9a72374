# Fails when PROGRAM imports a DLL outside the Windows system DLLs it may use: the
# program is linked statically and must run without any DLL beside it.
#   cmake -DOBJDUMP=<objdump> -DPROGRAM=<exe> -P check_imports.cmake
cmake_minimum_required(VERSION 3.25)
set(system_dlls kernel32.dll user32.dll gdi32.dll comctl32.dll comdlg32.dll shell32.dll
                ole32.dll msvcrt.dll)
execute_process(COMMAND ${OBJDUMP} -p ${PROGRAM} OUTPUT_VARIABLE dump RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p ${PROGRAM} failed")
endif()
string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
if(NOT imports)
  message(FATAL_ERROR "no imports found in ${PROGRAM}")
endif()
foreach(line IN LISTS imports)
  string(REPLACE "DLL Name: " "" dll "${line}")
  string(STRIP "${dll}" dll)
  string(TOLOWER "${dll}" dll)
  message(STATUS "imports ${dll}")
  if(NOT dll IN_LIST system_dlls)
    message(FATAL_ERROR "${PROGRAM} imports ${dll}, which is not among the Windows system DLLs it may use")
  endif()
endforeach()

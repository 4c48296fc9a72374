# The program's version, read from ui/version.h, the one place that defines it:
# sets QUILLOMAT_VERSION to major.minor.patch (as in the release packages'
# names). Stops with an error when the version record's texts in version.h or
# the manifest's assembly version name another version, so a version change is
# one edit plus whatever this points out.
# Included before project(); run as a script (cmake -P) it prints the version.
get_filename_component(version_header ${CMAKE_CURRENT_LIST_DIR}/../ui/version.h ABSOLUTE)
get_filename_component(manifest_file ${CMAKE_CURRENT_LIST_DIR}/../ui/resources/Quillomat.manifest
                       ABSOLUTE)
file(READ ${version_header} header)
file(READ ${manifest_file} manifest)
foreach(part MAJOR MINOR PATCH)
  if(NOT header MATCHES "#define QUILLOMAT_VERSION_${part} ([0-9]+)")
    message(FATAL_ERROR "${version_header}: no QUILLOMAT_VERSION_${part}")
  endif()
  set(${part} ${CMAKE_MATCH_1})
endforeach()
set(QUILLOMAT_VERSION ${MAJOR}.${MINOR}.${PATCH})

string(LENGTH "0${MINOR}" length)
math(EXPR start "${length} - 2")
string(SUBSTRING "0${MINOR}" ${start} 2 minor_text)
string(LENGTH "000${PATCH}" length)
math(EXPR start "${length} - 4")
string(SUBSTRING "000${PATCH}" ${start} 4 patch_text)
foreach(expected
    "#define QUILLOMAT_VERSION_TEXT \"${MAJOR}.${minor_text}.${patch_text}\""
    "#define QUILLOMAT_FILE_DESCRIPTION \"Version ${QUILLOMAT_VERSION} ")
  string(FIND "${header}" "${expected}" found)
  if(found LESS 0)
    message(FATAL_ERROR "${version_header} should hold ${expected} for version ${QUILLOMAT_VERSION}")
  endif()
endforeach()
if(NOT manifest MATCHES "name=\"Quillomat\" version=\"${MAJOR}\\.${MINOR}\\.0\\.${PATCH}\"")
  message(FATAL_ERROR "${manifest_file}: the assembly version should be "
                      "${MAJOR}.${MINOR}.0.${PATCH}, as in ${version_header}")
endif()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  execute_process(COMMAND ${CMAKE_COMMAND} -E echo ${QUILLOMAT_VERSION})
else()
  # Configure again when either file changes.
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${version_header} ${manifest_file})
endif()

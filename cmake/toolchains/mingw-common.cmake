# Shared part of the mingw-w64 cross toolchains. The including file sets
# QUILLOMAT_MINGW_TRIPLET and CMAKE_SYSTEM_PROCESSOR first.
set(CMAKE_SYSTEM_NAME Windows)

find_program(QUILLOMAT_MINGW_CXX ${QUILLOMAT_MINGW_TRIPLET}-g++-posix)
find_program(QUILLOMAT_MINGW_CC ${QUILLOMAT_MINGW_TRIPLET}-gcc-posix)
find_program(QUILLOMAT_MINGW_RC ${QUILLOMAT_MINGW_TRIPLET}-windres)
if(NOT QUILLOMAT_MINGW_CXX OR NOT QUILLOMAT_MINGW_CC OR NOT QUILLOMAT_MINGW_RC)
  message(FATAL_ERROR
    "${QUILLOMAT_MINGW_TRIPLET}-g++-posix, -gcc-posix or -windres not found. "
    "Run scripts/setup to install the mingw-w64 cross compilers.")
endif()

set(CMAKE_C_COMPILER ${QUILLOMAT_MINGW_CC})
set(CMAKE_CXX_COMPILER ${QUILLOMAT_MINGW_CXX})
set(CMAKE_RC_COMPILER ${QUILLOMAT_MINGW_RC})

set(CMAKE_FIND_ROOT_PATH /usr/${QUILLOMAT_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Link the C and C++ runtimes and winpthread statically: the programs must run
# on a bare Windows (or Wine) with no mingw DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# The 32-bit Windows build. It compiles and links everything, tests included,
# but nothing runs: 32-bit programs need a 32-bit Wine, which these machines lack.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(QUILLOMAT_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

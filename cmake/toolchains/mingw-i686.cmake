# The 32-bit Windows build.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(QUILLOMAT_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

# Test programs run through Debian's 32-bit Wine loader under qemu-i386, in a
# prefix of their own.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../../scripts/wine-run-x86)
# qemu's default CPU model ("max") offers SSE4.1 and PCLMULQDQ and reports AVX
# state through XGETBV. The CPU-dependent tests also run on a CPU without
# either (qemu32: CPUID stops at leaf 4) and on one with PCLMULQDQ but no
# XSAVE (Westmere).
set(QUILLOMAT_QEMU_CPU_MODELS qemu32 Westmere)

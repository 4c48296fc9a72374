# The portable parts as a 32-bit Linux build, run under qemu-i386: where size_t
# is 32 bits wide, as in the 32-bit Windows build, but the tests can run.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_C_FLAGS_INIT "-m32")
set(CMAKE_CXX_FLAGS_INIT "-m32")
# Static, so qemu-i386 needs no 32-bit loader or libraries from the host.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32 -static")

find_program(QUILLOMAT_QEMU_I386 qemu-i386)
if(NOT QUILLOMAT_QEMU_I386)
  message(FATAL_ERROR "qemu-i386 not found. Run scripts/setup to install qemu-user.")
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR ${QUILLOMAT_QEMU_I386})

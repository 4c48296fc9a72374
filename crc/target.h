#pragma once

// Which kernels the build can contain, and how one function asks the compiler
// for instructions beyond the build's baseline. Wider instructions are enabled
// per function, never for a whole file, so that no shared inline code is
// compiled with them and run on a CPU that lacks them.

#if defined(__x86_64__) || defined(_M_X64)
#define QUILLOMAT_CRC_X86 1
#define QUILLOMAT_CRC_X86_64 1
#elif defined(__i386__) || defined(_M_IX86)
#define QUILLOMAT_CRC_X86 1
#endif

// MSVC accepts every intrinsic without being asked; GCC and Clang need the
// instruction sets named on the function that uses them.
#if defined(_MSC_VER) && !defined(__clang__)
#define QUILLOMAT_TARGET(features)
#else
#define QUILLOMAT_TARGET(features) __attribute__((target(features)))
#endif

#define QUILLOMAT_TARGET_PCLMUL QUILLOMAT_TARGET("sse4.1,pclmul")
#define QUILLOMAT_TARGET_VPCLMUL_AVX2 QUILLOMAT_TARGET("sse4.1,pclmul,avx2,vpclmulqdq")
#define QUILLOMAT_TARGET_VPCLMUL_AVX512 \
  QUILLOMAT_TARGET("sse4.1,pclmul,avx2,avx512f,avx512vl,vpclmulqdq")

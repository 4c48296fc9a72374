#pragma once

// What the running CPU offers the CRC kernels: the instruction-set bits that
// CPUID reports, and whether the operating system saves the wide registers on
// a context switch (XCR0, read with XGETBV). A CPU may report AVX-512 while the
// OS leaves its state disabled; only both together make a kernel usable.

namespace crc {

struct CpuFeatures {
  bool sse41 = false;
  bool pclmulqdq = false;
  bool avx = false;
  bool avx2 = false;
  bool avx512f = false;
  bool avx512vl = false;
  bool vpclmulqdq = false;
  bool os_saves_ymm = false;  // XCR0: SSE and AVX state
  bool os_saves_zmm = false;  // XCR0: SSE, AVX, opmask and all of ZMM state
};

// Asks the CPU and the OS. Every field stays false on non-x86 builds.
CpuFeatures DetectCpuFeatures();

}  // namespace crc

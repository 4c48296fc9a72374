// Throughput of CRC-32 over buffers in memory: clsCRC32::AddBytes (the
// selected kernel), each kernel this CPU supports, a byte-at-a-time table
// loop, zlib, libdeflate and ISA-L, and plain reads of the buffer with 512-bit
// loads as the limit that memory bandwidth sets. All run in one process over
// the same 64-byte aligned random buffer, at 64 B, 4 KiB, 64 KiB, 1 MiB and
// 256 MiB. MultipliesOnly times the carry-less multiplies of folding alone.
//
// Reproduce the published figures with scripts/benchmark.

#include <benchmark/benchmark.h>
#include <isa-l/crc.h>
#include <libdeflate.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "crc/clsCRC32.h"
#include "crc/crc32_tables.h"
#include "crc/kernel.h"
#include "crc/target.h"

#if QUILLOMAT_CRC_X86_64
#include <immintrin.h>
#endif

namespace {

constexpr std::size_t kLargest = std::size_t{256} << 20;

struct AlignedFree {
  void operator()(std::uint8_t* bytes) const { ::operator delete[](bytes, std::align_val_t{64}); }
};

// One buffer for every benchmark, filled once with random bytes.
const std::uint8_t* Buffer() {
  static const std::unique_ptr<std::uint8_t[], AlignedFree> buffer = [] {
    std::unique_ptr<std::uint8_t[], AlignedFree> bytes(new (std::align_val_t{64})
                                                           std::uint8_t[kLargest]);
    std::mt19937_64 generator(1);
    for (std::size_t i = 0; i < kLargest; i += 8) {
      const std::uint64_t word = generator();
      std::memcpy(bytes.get() + i, &word, 8);
    }
    return bytes;
  }();
  return buffer.get();
}

void SetBytes(benchmark::State& state, std::size_t size) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(size));
}

// Runs `crc32(buffer, size)` in the timed loop; every function returns the
// finished (complemented) CRC-32.
template <typename Crc32>
void Measure(benchmark::State& state, Crc32 crc32) {
  const auto size = static_cast<std::size_t>(state.range(0));
  const std::uint8_t* data = Buffer();
  for (auto _ : state) {
    benchmark::DoNotOptimize(crc32(data, size));
    benchmark::ClobberMemory();
  }
  SetBytes(state, size);
}

std::uint32_t ByteAtATime(const std::uint8_t* data, std::size_t size) {
  std::uint32_t reg = 0xFFFFFFFFu;
  for (std::size_t i = 0; i < size; ++i) {
    reg = (reg >> 8) ^ crc::kByteTable[(reg ^ data[i]) & 0xFFu];
  }
  return ~reg;
}

std::uint32_t Zlib(const std::uint8_t* data, std::size_t size) {
  // zlib's length is 32-bit; every size here fits.
  return static_cast<std::uint32_t>(crc32(0, data, static_cast<uInt>(size)));
}

std::uint32_t Libdeflate(const std::uint8_t* data, std::size_t size) {
  return libdeflate_crc32(0, data, size);
}

// ISA-L takes and returns the finished CRC, like zlib: 0 to start.
std::uint32_t IsaL(const std::uint8_t* data, std::size_t size) {
  return crc32_gzip_refl(0, data, size);
}

#if QUILLOMAT_CRC_X86_64
// Reads every byte with 512-bit loads into four independent XOR chains: what
// any CRC over the same buffer costs at least.
QUILLOMAT_TARGET("avx512f") std::uint64_t ReadAvx512(const std::uint8_t* data, std::size_t size) {
  __m512i a = _mm512_setzero_si512(), b = a, c = a, d = a;
  std::size_t i = 0;
  for (; i + 256 <= size; i += 256) {
    a = _mm512_xor_si512(a, _mm512_load_si512(data + i));
    b = _mm512_xor_si512(b, _mm512_load_si512(data + i + 64));
    c = _mm512_xor_si512(c, _mm512_load_si512(data + i + 128));
    d = _mm512_xor_si512(d, _mm512_load_si512(data + i + 192));
  }
  for (; i + 64 <= size; i += 64) a = _mm512_xor_si512(a, _mm512_load_si512(data + i));
  const __m512i all = _mm512_xor_si512(_mm512_xor_si512(a, b), _mm512_xor_si512(c, d));
  alignas(64) std::uint64_t words[8];
  _mm512_store_si512(words, all);
  return words[0] ^ words[1] ^ words[2] ^ words[3] ^ words[4] ^ words[5] ^ words[6] ^ words[7];
}

// Only the multiplies that folding needs, two VPCLMULQDQ per 64 bytes in four
// independent chains, without loading the data: the most any folding kernel
// can do on this CPU, whatever its memory. Reads the buffer's first 320 bytes.
QUILLOMAT_TARGET("avx512f,vpclmulqdq")
std::uint64_t MultipliesOnly(const std::uint8_t* data, std::size_t size) {
  const __m512i multipliers = _mm512_load_si512(data);
  __m512i chains[4] = {_mm512_load_si512(data + 64), _mm512_load_si512(data + 128),
                       _mm512_load_si512(data + 192), _mm512_load_si512(data + 256)};
  for (std::size_t i = 0; i + 256 <= size; i += 256) {
    for (__m512i& chain : chains) {
      chain = _mm512_xor_si512(_mm512_clmulepi64_epi128(chain, multipliers, 0x00),
                               _mm512_clmulepi64_epi128(chain, multipliers, 0x11));
    }
  }
  alignas(64) std::uint64_t words[8];
  _mm512_store_si512(words, _mm512_xor_si512(_mm512_xor_si512(chains[0], chains[1]),
                                             _mm512_xor_si512(chains[2], chains[3])));
  return words[0];
}
#endif

// Every implementation must agree on the check value before any is timed.
bool ImplementationsAgree() {
  const auto* check = reinterpret_cast<const std::uint8_t*>("123456789");
  bool agree = true;
  const auto expect = [&](const char* name, std::uint32_t value) {
    if (value != 0xCBF43926u) {
      std::fprintf(stderr, "%s gives %08X for \"123456789\", not CBF43926\n", name, value);
      agree = false;
    }
  };
  expect("byte-at-a-time", ByteAtATime(check, 9));
  expect("zlib", Zlib(check, 9));
  expect("libdeflate", Libdeflate(check, 9));
  expect("isa-l", IsaL(check, 9));
  expect("AddBytes", clsCRC32().AddBytes({check, 9}));
  for (const crc::Kernel& kernel : crc::SupportedKernels()) {
    expect(std::string(kernel.name).c_str(), ~kernel.update(0xFFFFFFFFu, check, 9));
  }
  // And on the largest buffer, where all the wide paths run.
  const std::uint32_t expected = Zlib(Buffer(), kLargest);
  for (const crc::Kernel& kernel : crc::SupportedKernels()) {
    if (~kernel.update(0xFFFFFFFFu, Buffer(), kLargest) != expected) {
      std::fprintf(stderr, "%.*s disagrees with zlib on the large buffer\n",
                   static_cast<int>(kernel.name.size()), kernel.name.data());
      agree = false;
    }
  }
  if (IsaL(Buffer(), kLargest) != expected || Libdeflate(Buffer(), kLargest) != expected) {
    std::fprintf(stderr, "the baselines disagree on the large buffer\n");
    agree = false;
  }
  return agree;
}

void RegisterAll() {
  const std::vector<std::int64_t> sizes = {64, 4 << 10, 64 << 10, 1 << 20, 256 << 20};
  const auto add = [&](const std::string& name, auto crc32, std::int64_t smallest = 0) {
    auto* benchmark = benchmark::RegisterBenchmark(
        name.c_str(), [crc32](benchmark::State& state) { Measure(state, crc32); });
    for (const auto size : sizes) {
      if (size >= smallest) benchmark->Arg(size);
    }
  };
  add("AddBytes", [](const std::uint8_t* data, std::size_t size) {
    return clsCRC32().AddBytes({data, size});
  });
  for (const crc::Kernel& kernel : crc::SupportedKernels()) {
    add("Kernel_" + std::string(kernel.name),
        [update = kernel.update](const std::uint8_t* data, std::size_t size) {
          return ~update(0xFFFFFFFFu, data, size);
        });
  }
  add("ByteAtATime", ByteAtATime);
  add("zlib", Zlib);
  add("libdeflate", Libdeflate);
  add("isal", IsaL);
#if QUILLOMAT_CRC_X86_64
  if (crc::SelectKernel(crc::DetectCpuFeatures()).name == "vpclmul_avx512") {
    add("ReadAvx512", ReadAvx512);
    add("MultipliesOnly", MultipliesOnly, 4 << 10);  // a ceiling for long buffers only
  }
#endif
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  if (!ImplementationsAgree()) return 1;
  RegisterAll();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

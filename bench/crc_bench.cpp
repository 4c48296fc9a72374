// Throughput of the CRC engine: each kernel and clsCRC32::AddBytes on buffers
// of several sizes, against a byte-at-a-time table loop as the baseline; and
// clsCRC32::CalculateFile on a cached file against a plain read loop with the
// same block size.
//
//   build/linux/bench/crc_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <vector>

#include "crc/clsCRC32.h"
#include "crc/crc32_tables.h"
#include "crc/kernel.h"
#include "platform/read_only_file.h"

namespace {

const std::vector<std::uint8_t>& RandomBuffer(std::size_t size) {
  static std::vector<std::uint8_t> buffer;
  if (buffer.size() < size) {
    std::mt19937 generator(1);
    buffer.resize(size);
    for (auto& byte : buffer) byte = static_cast<std::uint8_t>(generator());
  }
  return buffer;
}

void SetBytes(benchmark::State& state, std::size_t size) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(size));
}

void BM_ByteAtATime(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  const std::uint8_t* data = RandomBuffer(size).data();
  for (auto _ : state) {
    std::uint32_t reg = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) {
      reg = (reg >> 8) ^ crc::kByteTable[(reg ^ data[i]) & 0xFFu];
    }
    benchmark::DoNotOptimize(reg);
  }
  SetBytes(state, size);
}

void BM_Kernel(benchmark::State& state, crc::Kernel kernel) {
  const auto size = static_cast<std::size_t>(state.range(0));
  const std::uint8_t* data = RandomBuffer(size).data();
  for (auto _ : state) {
    benchmark::DoNotOptimize(kernel.update(0xFFFFFFFFu, data, size));
  }
  SetBytes(state, size);
}

void BM_AddBytes(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  const std::span<const std::uint8_t> data(RandomBuffer(size).data(), size);
  clsCRC32 crc;
  for (auto _ : state) {
    benchmark::DoNotOptimize(crc.AddBytes(data));
  }
  SetBytes(state, size);
}

// A file of `size` random bytes in the temporary folder, written once and then
// left in the page cache by the first (untimed) pass over it.
std::filesystem::path CachedFile(std::size_t size) {
  const auto path =
      std::filesystem::temp_directory_path() / ("quillomat-bench-" + std::to_string(size) + ".cnt");
  if (!std::filesystem::exists(path) || std::filesystem::file_size(path) != size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    const auto& chunk = RandomBuffer(std::size_t{1} << 20);
    for (std::size_t written = 0; written < size; written += chunk.size()) {
      out.write(reinterpret_cast<const char*>(chunk.data()),
                static_cast<std::streamsize>(std::min(chunk.size(), size - written)));
    }
  }
  return path;
}

void BM_ReadLoop(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  const auto block_size = static_cast<std::size_t>(state.range(1));
  const auto path = CachedFile(size);
  auto block = std::make_unique<std::uint8_t[]>(block_size);
  for (auto _ : state) {
    auto file = platform::ReadOnlyFile::Open(path);
    std::size_t total = 0;
    while (const std::size_t count = file.Read({block.get(), block_size})) total += count;
    benchmark::DoNotOptimize(total);
  }
  SetBytes(state, size);
}

void BM_CalculateFile(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  const auto path = CachedFile(size);
  clsCRC32 crc;
  for (auto _ : state) {
    benchmark::DoNotOptimize(crc.CalculateFile(path));
  }
  SetBytes(state, size);
}

void RegisterAll() {
  const std::vector<std::int64_t> sizes = {64, 4 << 10, 64 << 10, 1 << 20, 256 << 20};
  for (const auto size : sizes) {
    benchmark::RegisterBenchmark("ByteAtATime", BM_ByteAtATime)->Arg(size);
    for (const crc::Kernel& kernel : crc::SupportedKernels()) {
      benchmark::RegisterBenchmark(("Kernel/" + std::string(kernel.name)).c_str(), BM_Kernel,
                                   kernel)
          ->Arg(size);
    }
    benchmark::RegisterBenchmark("AddBytes", BM_AddBytes)->Arg(size);
  }
  constexpr std::int64_t kFileSize = 256 << 20;
  benchmark::RegisterBenchmark("ReadLoop", BM_ReadLoop)->Args({kFileSize, 1 << 20});
  benchmark::RegisterBenchmark("CalculateFile", BM_CalculateFile)->Arg(kFileSize);
}

const bool kRegistered = (RegisterAll(), true);

}  // namespace

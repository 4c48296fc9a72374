// clsCRC32::CalculateFile end to end on a 1 GiB file in the page cache,
// against a plain loop that only reads the file with the same block size; and
// the same read-and-CRC loop at several block sizes, to choose CalculateFile's.
// The file is created in the temporary folder and deleted at the end.
// Reproduce the published figures with scripts/benchmark.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <sys/resource.h>

#include "crc/clsCRC32.h"
#include "platform/read_only_file.h"

namespace {

constexpr std::size_t kFileSize = std::size_t{1} << 30;
constexpr std::int64_t kBlockSizes[] = {128 << 10, 256 << 10, 512 << 10, 1 << 20};
// CalculateFile's own block size (calculate_file.cpp), for the read loop it is
// compared with.
constexpr std::int64_t kCalculateFileBlock = 512 << 10;

const std::filesystem::path& FilePath() {
  static const std::filesystem::path path =
      std::filesystem::temp_directory_path() / "quillomat-calculate-file-bench.cnt";
  return path;
}

// Writes the file, then reads it once so that it sits in the page cache.
void CreateCachedFile() {
  {
    std::ofstream out(FilePath(), std::ios::binary | std::ios::trunc);
    std::vector<std::uint64_t> chunk((std::size_t{1} << 20) / 8);
    std::mt19937_64 generator(1);
    for (std::size_t written = 0; written < kFileSize; written += chunk.size() * 8) {
      for (auto& word : chunk) word = generator();
      out.write(reinterpret_cast<const char*>(chunk.data()),
                static_cast<std::streamsize>(chunk.size() * 8));
    }
  }
  auto file = platform::ReadOnlyFile::Open(FilePath());
  std::vector<std::uint8_t> block(std::size_t{1} << 20);
  while (file.Read(block) != 0) {
  }
}

// The process's peak resident memory so far, in KiB (Linux reports KiB).
long PeakResidentKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

void SetBytes(benchmark::State& state) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(kFileSize));
}

void BM_ReadLoop(benchmark::State& state) {
  const auto block_size = static_cast<std::size_t>(state.range(0));
  const auto block = std::make_unique_for_overwrite<std::uint8_t[]>(block_size);
  for (auto _ : state) {
    auto file = platform::ReadOnlyFile::Open(FilePath());
    std::size_t total = 0;
    while (const std::size_t count = file.Read({block.get(), block_size})) total += count;
    benchmark::DoNotOptimize(total);
  }
  SetBytes(state);
}

// CalculateFile's loop, with the block size as a parameter.
void BM_ReadAndAddBytes(benchmark::State& state) {
  const auto block_size = static_cast<std::size_t>(state.range(0));
  const auto block = std::make_unique_for_overwrite<std::uint8_t[]>(block_size);
  for (auto _ : state) {
    auto file = platform::ReadOnlyFile::Open(FilePath());
    clsCRC32 crc;
    std::uint32_t value = 0;
    while (const std::size_t count = file.Read({block.get(), block_size})) {
      value = crc.AddBytes({block.get(), count});
    }
    benchmark::DoNotOptimize(value);
  }
  SetBytes(state);
}

void BM_CalculateFile(benchmark::State& state) {
  clsCRC32 crc;
  for (auto _ : state) {
    benchmark::DoNotOptimize(crc.CalculateFile(FilePath()));
  }
  SetBytes(state);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  CreateCachedFile();
  const long peak_before = PeakResidentKiB();
  benchmark::RegisterBenchmark("CalculateFile", BM_CalculateFile)->UseRealTime();
  benchmark::RegisterBenchmark("ReadLoop", BM_ReadLoop)->Arg(kCalculateFileBlock)->UseRealTime();
  for (const std::int64_t block_size : kBlockSizes) {
    if (block_size != kCalculateFileBlock) {
      benchmark::RegisterBenchmark("ReadLoop", BM_ReadLoop)->Arg(block_size)->UseRealTime();
    }
    benchmark::RegisterBenchmark("ReadAndAddBytes", BM_ReadAndAddBytes)
        ->Arg(block_size)
        ->UseRealTime();
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  // Every loop here streams through one block; a design that held the file
  // in memory would show up as a peak near the file's size.
  std::fprintf(stderr, "peak resident memory: %ld KiB before the benchmarks, %ld KiB after\n",
               peak_before, PeakResidentKiB());
  std::error_code ignored;
  std::filesystem::remove(FilePath(), ignored);
  return 0;
}

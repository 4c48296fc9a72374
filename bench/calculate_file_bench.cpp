// clsCRC32::CalculateFile end to end on files of 16 MiB, 256 MiB and 1 GiB,
// against what a single thread can do with the same file:
//   CalculateFile           the product (ranges on every hardware thread)
//   CalculateFileOneThread  the same fold with one thread: the earlier loop
//   ReadLoop                only reading the file, one thread, 512 KiB blocks
//   ReadAndIsal             reading plus ISA-L's CRC, one thread
// and, to choose the threshold and the thread count, the fold with a given
// number of threads on more sizes (Threads/<size>/<threads>). The files sit in
// the page cache; run as root, every benchmark runs once more with the cache
// dropped before each pass ("Cold" variants). The files are created in the
// temporary folder and deleted at the end. Reproduce the published figures
// with scripts/benchmark.

#include <benchmark/benchmark.h>
#include <isa-l/crc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "crc/clsCRC32.h"
#include "crc/fold_file.h"
#include "platform/read_only_file.h"

namespace {

constexpr std::int64_t kMiB = 1 << 20;
constexpr std::int64_t kFileSizes[] = {16 * kMiB, 256 * kMiB, 1024 * kMiB};
constexpr std::int64_t kThresholdSizes[] = {4 * kMiB, 8 * kMiB, 16 * kMiB, 32 * kMiB};
constexpr std::size_t kBlock = std::size_t{512} << 10;

std::filesystem::path FilePath(std::int64_t size) {
  return std::filesystem::temp_directory_path() /
         ("quillomat-calculate-file-bench-" + std::to_string(size) + ".cnt");
}

// Writes the file of `size` random bytes, then reads it once so that it sits
// in the page cache.
void CreateCachedFile(std::int64_t size) {
  {
    std::ofstream out(FilePath(size), std::ios::binary | std::ios::trunc);
    std::vector<std::uint64_t> chunk(kMiB / 8);
    std::mt19937_64 generator(static_cast<std::uint64_t>(size));
    for (std::int64_t written = 0; written < size; written += kMiB) {
      for (auto& word : chunk) word = generator();
      out.write(reinterpret_cast<const char*>(chunk.data()), kMiB);
    }
  }
  auto file = platform::ReadOnlyFile::Open(FilePath(size));
  std::vector<std::uint8_t> block(kBlock);
  while (file.Read(block) != 0) {
  }
}

// Empties the page cache (root only), so that the next read comes from disk.
bool DropCaches() {
  ::sync();
  std::ofstream control("/proc/sys/vm/drop_caches");
  return static_cast<bool>(control << "1\n" << std::flush);
}

// The process's peak resident memory so far, in KiB (Linux reports KiB).
long PeakResidentKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// Runs `pass` over the file of range(0) bytes once per iteration; range(1)
// set means with the page cache dropped before each pass.
template <typename Pass>
void Measure(benchmark::State& state, Pass pass) {
  const std::int64_t size = state.range(0);
  const bool cold = state.range(1) != 0;
  const std::filesystem::path path = FilePath(size);
  for (auto _ : state) {
    if (cold) {
      state.PauseTiming();
      DropCaches();
      state.ResumeTiming();
    }
    benchmark::DoNotOptimize(pass(path));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * size);
}

std::uint32_t FoldWithThreads(const std::filesystem::path& path, unsigned threads) {
  auto file = platform::ReadOnlyFile::Open(path);
  crc::FileProgress progress;
  return crc::FoldFile(file, 0xFFFFFFFFu, crc::SelectedKernel().update, {kBlock, 0, threads}, {},
                       progress)
      ->reg;
}

void BM_CalculateFile(benchmark::State& state) {
  Measure(state, [](const auto& path) { return clsCRC32().CalculateFile(path); });
}

void BM_CalculateFileOneThread(benchmark::State& state) {
  Measure(state, [](const auto& path) { return FoldWithThreads(path, 1); });
}

void BM_ReadLoop(benchmark::State& state) {
  const auto block = std::make_unique_for_overwrite<std::uint8_t[]>(kBlock);
  Measure(state, [&](const auto& path) {
    auto file = platform::ReadOnlyFile::Open(path);
    std::size_t total = 0;
    while (const std::size_t count = file.Read({block.get(), kBlock})) total += count;
    return total;
  });
}

void BM_ReadAndIsal(benchmark::State& state) {
  const auto block = std::make_unique_for_overwrite<std::uint8_t[]>(kBlock);
  Measure(state, [&](const auto& path) {
    auto file = platform::ReadOnlyFile::Open(path);
    std::uint32_t crc = 0;
    while (const std::size_t count = file.Read({block.get(), kBlock})) {
      crc = crc32_gzip_refl(crc, block.get(), count);
    }
    return crc;
  });
}

void BM_Threads(benchmark::State& state) {
  const auto threads = static_cast<unsigned>(state.range(2));
  Measure(state, [&](const auto& path) { return FoldWithThreads(path, threads); });
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  std::map<std::int64_t, bool> sizes;
  for (const std::int64_t size : kFileSizes) sizes[size] = true;
  for (const std::int64_t size : kThresholdSizes) sizes[size] = true;
  for (const auto& [size, unused] : sizes) CreateCachedFile(size);
  const bool can_drop = geteuid() == 0 && DropCaches();
  for (const auto& [size, unused] : sizes) CreateCachedFile(size);  // back into the cache
  const long peak_before = PeakResidentKiB();

  const std::pair<const char*, void (*)(benchmark::State&)> passes[] = {
      {"CalculateFile", BM_CalculateFile},
      {"CalculateFileOneThread", BM_CalculateFileOneThread},
      {"ReadLoop", BM_ReadLoop},
      {"ReadAndIsal", BM_ReadAndIsal},
  };
  for (const int cold : {0, 1}) {
    if (cold && !can_drop) break;
    for (const auto& [name, function] : passes) {
      for (const std::int64_t size : kFileSizes) {
        benchmark::RegisterBenchmark(cold ? (std::string("Cold") + name).c_str() : name, function)
            ->Args({size, cold})
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
      }
    }
  }
  for (const std::int64_t size : {4 * kMiB, 8 * kMiB, 16 * kMiB, 32 * kMiB, 1024 * kMiB}) {
    for (const std::int64_t threads : {1, 2, 3, 4}) {
      benchmark::RegisterBenchmark("Threads", BM_Threads)
          ->Args({size, 0, threads})
          ->UseRealTime()
          ->Unit(benchmark::kMillisecond);
    }
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  // Every pass streams through one block per thread; a design that held the
  // file in memory would show up as a peak near the file's size.
  std::fprintf(stderr, "peak resident memory: %ld KiB before the benchmarks, %ld KiB after\n",
               peak_before, PeakResidentKiB());
  for (const auto& [size, unused] : sizes) {
    std::error_code ignored;
    std::filesystem::remove(FilePath(size), ignored);
  }
  return 0;
}

// clsCRC32::CalculateFile end to end on files of 16 MiB, 256 MiB and 1 GiB,
// against what a single thread can do with the same file:
//   CalculateFile           the product (ranges on every hardware thread)
//   CalculateFileOneThread  the same fold with one thread: the earlier loop
//   RangedFold              the fold in ranges on every hardware thread from
//                           the start, whatever the data's rate
//   ReadLoop                only reading the file, one thread, 512 KiB blocks
//   ReadAndIsal             reading plus ISA-L's CRC, one thread
// and, to choose the threshold and the thread count, the fold with a given
// number of threads on more sizes (Threads/<size>/<threads>). The files sit in
// the page cache; run as root, every benchmark runs once more with the cache
// dropped before each pass ("Cold" variants).
//
// Then a spinning disk that the system cannot identify, modelled under the
// read seam (Disk*/<size>/<bytes cached>): one head, 150 MB/s and 8 ms for
// every read that does not start where the head is; the file's first bytes
// cached come from the page cache as they are. On a 128 MiB file, uncached,
// a quarter or half cached, and fully cached:
//   DiskPlainRead     a plain sequential read through the model
//   DiskOnePass       the fold in one pass
//   DiskRangesAtOnce  the fold in ranges from the start
//   DiskCalculateFile the product's plan, deciding from the rate
//
// Then a file that another program holds open for writing, which is read
// twice, against one read as every other file gets, on a cached 64 MiB file
// (HeldOpen/<size>/<reads>, with the product's plan and its checks).
//
// The files are created in the temporary folder and deleted at the end.
// Reproduce the published figures with scripts/benchmark.

#include <benchmark/benchmark.h>
#include <isa-l/crc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "crc/clsCRC32.h"
#include "crc/fold_file.h"
#include "crc/fold_unchanged.h"
#include "platform/read_only_file.h"

namespace {

constexpr std::int64_t kMiB = 1 << 20;
constexpr std::int64_t kFileSizes[] = {16 * kMiB, 256 * kMiB, 1024 * kMiB};
constexpr std::int64_t kThresholdSizes[] = {4 * kMiB, 8 * kMiB, 16 * kMiB, 32 * kMiB};
constexpr std::int64_t kDiskFileSize = 128 * kMiB;
constexpr std::int64_t kHeldOpenSize = 64 * kMiB;
constexpr std::size_t kBlock = std::size_t{512} << 10;

std::filesystem::path FilePath(std::int64_t size) {
  return std::filesystem::temp_directory_path() /
         ("quillomat-calculate-file-bench-" + std::to_string(size) + ".cnt");
}

// Reads the file through once, so that it sits in the page cache.
void ReadIntoCache(const std::filesystem::path& path) {
  auto file = platform::ReadOnlyFile::Open(path);
  std::vector<std::uint8_t> block(kBlock);
  while (file.Read(block) != 0) {
  }
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
  ReadIntoCache(FilePath(size));
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
  // With random interleaving a "Cold" run may just have emptied the cache.
  if (!cold) ReadIntoCache(path);
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

void BM_RangedFold(benchmark::State& state) {
  const unsigned threads = crc::DefaultReadPlan().threads;
  Measure(state, [&](const auto& path) { return FoldWithThreads(path, threads); });
}

void BM_HeldOpen(benchmark::State& state) {
  const crc::Reads reads = state.range(2) == 2 ? crc::Reads::kTwiceAgreeing : crc::Reads::kOnce;
  Measure(state, [&](const auto& path) {
    auto file = platform::ReadOnlyFile::Open(path);
    crc::FileProgress progress;
    return crc::FoldUnchanged(file, 0xFFFFFFFFu, crc::SelectedKernel().update,
                              crc::DefaultReadPlan(), reads, {}, progress)
        ->reg;
  });
}

// The modelled disk: one head, serving one read at a time.
constexpr double kDiskBytesPerSecond = 150e6;
constexpr auto kDiskSeek = std::chrono::milliseconds(8);
struct ModelledDisk {
  std::mutex head_mutex;
  std::uint64_t head = 0;
  std::uint64_t cached_to = 0;  // bytes before it are in the page cache
} disk;

std::size_t ReadFromModelledDisk(platform::ReadOnlyFile& file, std::uint64_t offset,
                                 std::span<std::uint8_t> buffer) {
  const std::size_t got = file.ReadAt(offset, buffer);
  const std::uint64_t from = std::max(offset, disk.cached_to);
  if (offset + got > from) {
    const std::lock_guard lock(disk.head_mutex);
    auto cost = std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::duration<double>(
        static_cast<double>(offset + got - from) / kDiskBytesPerSecond));
    if (from != disk.head) cost += kDiskSeek;
    std::this_thread::sleep_for(cost);
    disk.head = offset + got;
  }
  return got;
}

// Runs `pass` with the plan it is given over the file of range(0) bytes whose
// first range(1) bytes are cached, the head waiting where the disk's part
// starts.
template <typename Pass>
void MeasureDisk(benchmark::State& state, Pass pass) {
  const std::filesystem::path path = FilePath(state.range(0));
  crc::ReadPlan plan = crc::DefaultReadPlan();
  plan.read_at = &ReadFromModelledDisk;
  ReadIntoCache(path);
  for (auto _ : state) {
    disk.cached_to = static_cast<std::uint64_t>(state.range(1));
    disk.head = disk.cached_to;
    auto file = platform::ReadOnlyFile::Open(path);
    benchmark::DoNotOptimize(pass(file, plan));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

std::uint32_t FoldWithPlan(platform::ReadOnlyFile& file, const crc::ReadPlan& plan) {
  crc::FileProgress progress;
  return crc::FoldFile(file, 0xFFFFFFFFu, crc::SelectedKernel().update, plan, {}, progress)->reg;
}

void BM_DiskPlainRead(benchmark::State& state) {
  const auto block = std::make_unique_for_overwrite<std::uint8_t[]>(kBlock);
  MeasureDisk(state, [&](platform::ReadOnlyFile& file, const crc::ReadPlan&) {
    std::uint64_t total = 0;
    while (const std::size_t count = ReadFromModelledDisk(file, total, {block.get(), kBlock})) {
      total += count;
    }
    return total;
  });
}

void BM_DiskOnePass(benchmark::State& state) {
  MeasureDisk(state, [](platform::ReadOnlyFile& file, crc::ReadPlan plan) {
    plan.threads = 1;
    return FoldWithPlan(file, plan);
  });
}

void BM_DiskRangesAtOnce(benchmark::State& state) {
  MeasureDisk(state, [](platform::ReadOnlyFile& file, crc::ReadPlan plan) {
    plan.rate = {};
    return FoldWithPlan(file, plan);
  });
}

void BM_DiskCalculateFile(benchmark::State& state) { MeasureDisk(state, FoldWithPlan); }

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  std::map<std::int64_t, bool> sizes;
  for (const std::int64_t size : kFileSizes) sizes[size] = true;
  for (const std::int64_t size : kThresholdSizes) sizes[size] = true;
  sizes[kDiskFileSize] = true;
  sizes[kHeldOpenSize] = true;
  for (const auto& [size, unused] : sizes) CreateCachedFile(size);
  const bool can_drop = geteuid() == 0 && DropCaches();
  for (const auto& [size, unused] : sizes) CreateCachedFile(size);  // back into the cache
  const long peak_before = PeakResidentKiB();

  const std::pair<const char*, void (*)(benchmark::State&)> passes[] = {
      {"CalculateFile", BM_CalculateFile}, {"CalculateFileOneThread", BM_CalculateFileOneThread},
      {"RangedFold", BM_RangedFold},       {"ReadLoop", BM_ReadLoop},
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
  const std::pair<const char*, void (*)(benchmark::State&)> disk_passes[] = {
      {"DiskPlainRead", BM_DiskPlainRead},
      {"DiskOnePass", BM_DiskOnePass},
      {"DiskRangesAtOnce", BM_DiskRangesAtOnce},
      {"DiskCalculateFile", BM_DiskCalculateFile},
  };
  for (const auto& [name, function] : disk_passes) {
    for (const std::int64_t cached :
         {std::int64_t{0}, kDiskFileSize / 4, kDiskFileSize / 2, kDiskFileSize}) {
      benchmark::RegisterBenchmark(name, function)
          ->Args({kDiskFileSize, cached})
          ->Iterations(1)
          ->UseRealTime()
          ->Unit(benchmark::kMillisecond);
    }
  }
  for (const std::int64_t reads : {1, 2}) {
    benchmark::RegisterBenchmark("HeldOpen", BM_HeldOpen)
        ->Args({kHeldOpenSize, 0, reads})
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
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

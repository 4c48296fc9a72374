// clsCRC32::CalculateFile against a plain sequential read of one given file,
// for devices that cannot be made here in the temporary folder: a USB disk, a
// network share, or the modelled spinning disk of bench/spinning_disk.py.
//   QUILLOMAT_BENCH_FILE=PATH device_bench --benchmark_repetitions=5
// Each pass reads the whole file once; the file's device decides what is
// cached (the model caches nothing).

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "crc/clsCRC32.h"
#include "platform/read_only_file.h"

namespace {

const char* BenchFile() { return std::getenv("QUILLOMAT_BENCH_FILE"); }

void BM_PlainRead(benchmark::State& state) {
  const auto block = std::make_unique<std::uint8_t[]>(std::size_t{512} << 10);
  for (auto _ : state) {
    auto file = platform::ReadOnlyFile::Open(BenchFile());
    std::uint64_t total = 0;
    while (const std::size_t got = file.Read({block.get(), std::size_t{512} << 10})) total += got;
    benchmark::DoNotOptimize(total);
  }
}

void BM_CalculateFile(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(clsCRC32().CalculateFile(BenchFile()));
}

}  // namespace

BENCHMARK(BM_PlainRead)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CalculateFile)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  if (!BenchFile()) {
    std::fprintf(stderr, "device_bench: set QUILLOMAT_BENCH_FILE to the file to read\n");
    return 2;
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
}

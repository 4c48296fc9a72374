#!/usr/bin/python3
"""Tables and a throughput plot from the CRC benchmarks' JSON output.

  scripts/benchmark_report.py crc_bench.json calculate_file_bench.json out.png file.png

Prints Markdown tables (GB/s, 10^9 bytes per second, from the median of the
repetitions), the ratios the performance targets are stated in, and saves a
plot of throughput against buffer size and one of files end to end. Needs Debian's python3-matplotlib.
"""

import json
import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402

SIZES = [64, 4 << 10, 64 << 10, 1 << 20, 256 << 20]
LABELS = {
    "AddBytes": "clsCRC32::AddBytes (selected kernel)",
    "ByteAtATime": "byte-at-a-time table loop",
    "zlib": "zlib `crc32`",
    "libdeflate": "libdeflate `libdeflate_crc32`",
    "isal": "ISA-L `crc32_gzip_refl`",
    "ReadAvx512": "reading the buffer with AVX-512 loads",
    "MultipliesOnly": "the folding multiplies alone (VPCLMULQDQ)",
}


def size_name(size):
    if size >= 1 << 20:
        return f"{size >> 20} MiB"
    if size >= 1 << 10:
        return f"{size >> 10} KiB"
    return f"{size} B"


def medians(path):
    """{run_name: benchmark entry} for the median aggregates in `path`."""
    with open(path) as f:
        data = json.load(f)
    runs = {}
    for entry in data["benchmarks"]:
        if entry.get("aggregate_name") == "median":
            runs[entry["run_name"]] = entry
    return data["context"], runs


ORDER = ["AddBytes", "Kernel_", "ByteAtATime", "zlib", "libdeflate", "isal", "ReadAvx512",
         "MultipliesOnly"]


def rank(name):
    """Position in ORDER; kernels keep the order they were measured in."""
    for index, prefix in enumerate(ORDER):
        if name == prefix or (prefix.endswith("_") and name.startswith(prefix)):
            return index
    return len(ORDER)


def throughput_table(runs):
    names = []
    for run_name in runs:
        name = run_name.split("/")[0]
        if name not in names:
            names.append(name)
    kernels = ["vpclmul_avx512", "vpclmul_avx2", "pclmul", "portable"]
    names.sort(key=lambda n: (rank(n), kernels.index(n[7:]) if n[7:] in kernels else 0))
    gbps = {}
    for name in names:
        gbps[name] = {}
        for size in SIZES:
            entry = runs.get(f"{name}/{size}")
            if entry:
                gbps[name][size] = entry["bytes_per_second"] / 1e9
    return names, gbps


def label(name):
    if name.startswith("Kernel_"):
        return f"kernel `{name[len('Kernel_'):]}`"
    return LABELS.get(name, name)


def print_throughput(names, gbps):
    print("| implementation | " + " | ".join(size_name(s) for s in SIZES) + " |")
    print("|---|" + "---|" * len(SIZES))
    for name in names:
        cells = [f"{gbps[name][s]:.2f}" if s in gbps[name] else "" for s in SIZES]
        print(f"| {label(name)} | " + " | ".join(cells) + " |")


def print_targets(gbps):
    def ratio(a, b, size):
        if size not in gbps.get(a, {}) or size not in gbps.get(b, {}):
            return float("nan")
        return gbps[a][size] / gbps[b][size]

    rows = [
        ("AddBytes / ISA-L at 1 MiB", ratio("AddBytes", "isal", 1 << 20), ">= 1.2"),
        ("AddBytes / ISA-L at 4 KiB", ratio("AddBytes", "isal", 4 << 10), ">= 1.0"),
        ("AddBytes / AVX-512 reads at 256 MiB", ratio("AddBytes", "ReadAvx512", 256 << 20), ">= 0.95"),
        ("AddBytes / portable kernel at 64 B", ratio("AddBytes", "Kernel_portable", 64), ">= 2"),
    ]
    if "MultipliesOnly" in gbps:
        rows.append(("AddBytes / multiplies alone at 1 MiB",
                     ratio("AddBytes", "MultipliesOnly", 1 << 20), "(ceiling)"))
        rows.append(("ISA-L / multiplies alone at 1 MiB",
                     ratio("isal", "MultipliesOnly", 1 << 20), "(ceiling)"))
    print("| ratio (throughput) | measured | target |")
    print("|---|---|---|")
    for name, value, target in rows:
        print(f"| {name} | {value:.2f} | {target} |")


FILE_SIZES = [16 << 20, 256 << 20, 1 << 30]
FILE_PASSES = ["CalculateFile", "CalculateFileOneThread", "RangedFold", "ReadLoop", "ReadAndIsal"]
DISK_PASSES = ["DiskPlainRead", "DiskOnePass", "DiskRangesAtOnce", "DiskCalculateFile"]
DISK_SIZE = 128 << 20


def file_ms(runs, name, size, cold=False, threads=None):
    """Median real time in ms of one file benchmark, or None."""
    key = f"{name}/{size}/{int(cold)}" + (f"/{threads}" if threads else "") + "/real_time"
    entry = runs.get(key)
    if not entry:
        return None
    scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[entry["time_unit"]]
    return entry["real_time"] * scale


def print_file(runs):
    for cold in (False, True):
        if file_ms(runs, "ColdCalculateFile" if cold else "CalculateFile", FILE_SIZES[0], cold) is None:
            continue
        print(f"{'Page cache dropped before each pass' if cold else 'Files in the page cache'}: "
              "real ms (GB/s)")
        print()
        print("| benchmark | " + " | ".join(size_name(s) for s in FILE_SIZES) + " |")
        print("|---|" + "---|" * len(FILE_SIZES))
        for name in FILE_PASSES:
            cells = []
            for size in FILE_SIZES:
                ms = file_ms(runs, ("Cold" if cold else "") + name, size, cold)
                cells.append(f"{ms:.1f} ({size / ms / 1e6:.2f})" if ms else "")
            print(f"| {name} | " + " | ".join(cells) + " |")
        print()
    print("Threads: real ms of the fold with 1 to 4 threads")
    print()
    print("| file | 1 | 2 | 3 | 4 |")
    print("|---|---|---|---|---|")
    for size in [4 << 20, 8 << 20, 16 << 20, 32 << 20, 1 << 30]:
        cells = [file_ms(runs, "Threads", size, threads=t) for t in (1, 2, 3, 4)]
        print(f"| {size_name(size)} | " + " | ".join(f"{c:.2f}" if c else "" for c in cells) + " |")
    print()

    def ratio(a, b, size):
        ta, tb = file_ms(runs, a, size), file_ms(runs, b, size)
        return ta / tb if ta and tb else float("nan")

    print("| ratio (time) | measured | target |")
    print("|---|---|---|")
    print(f"| CalculateFile / read loop, 1 GiB | {ratio('CalculateFile', 'ReadLoop', 1 << 30):.2f} "
          "| <= 0.80 |")
    ranged = file_ms(runs, "Threads", 1 << 30, threads=2)
    read = file_ms(runs, "ReadLoop", 1 << 30)
    if ranged and read:
        print(f"| ranges on 2 threads / read loop, 1 GiB | {ranged / read:.2f} | <= 0.80 |")
    print(f"| CalculateFile / one-thread loop, 16 MiB | "
          f"{ratio('CalculateFile', 'CalculateFileOneThread', 16 << 20):.2f} | <= 1.05 |")
    print(f"| CalculateFile / read + ISA-L, 1 GiB | "
          f"{ratio('CalculateFile', 'ReadAndIsal', 1 << 30):.2f} | |")


def print_disk(runs):
    """The modelled spinning disk: ms by cached part, and the product against a plain read."""
    def ms(name, cached):
        entry = runs.get(f"{name}/{DISK_SIZE}/{cached}/iterations:1/real_time")
        if not entry:
            return None
        return entry["real_time"] * {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[entry["time_unit"]]

    cached_parts = [0, DISK_SIZE // 4, DISK_SIZE // 2, DISK_SIZE]
    if ms("DiskPlainRead", 0) is None:
        return
    print("Modelled spinning disk, 128 MiB: real ms by the part cached")
    print()
    print("| benchmark | none | a quarter | half | all |")
    print("|---|---|---|---|---|")
    for name in DISK_PASSES + ["DiskCalculateFile / DiskPlainRead"]:
        if "/" in name:
            cells = [f"{ms('DiskCalculateFile', c) / ms('DiskPlainRead', c):.2f}" for c in cached_parts]
        else:
            cells = [f"{ms(name, c):.1f}" for c in cached_parts]
        print(f"| {name} | " + " | ".join(cells) + " |")
    print()


def plot_file(runs, path):
    fig, ax = plt.subplots(figsize=(9, 4.5))
    colors = plt.get_cmap("tab10").colors
    for index, name in enumerate(FILE_PASSES):
        for cold in (False, True):
            points = [(s, file_ms(runs, ("Cold" if cold else "") + name, s, cold)) for s in FILE_SIZES]
            points = [(s, s / ms / 1e6) for s, ms in points if ms]
            if points:
                ax.plot([p[0] for p in points], [p[1] for p in points], "--" if cold else "-",
                        marker="o", color=colors[index],
                        label=name + (" (cache dropped)" if cold else ""))
    ax.set_xscale("log", base=2)
    ax.set_xticks(FILE_SIZES, [size_name(s) for s in FILE_SIZES])
    ax.set_xlabel("file size")
    ax.set_ylabel("GB/s (median, real time)")
    ax.set_title("A file end to end: CRC-32 against reading alone")
    ax.grid(True, alpha=0.3)
    ax.legend(fontsize=8, loc="center left", bbox_to_anchor=(1.01, 0.5))
    fig.tight_layout()
    fig.savefig(path, dpi=110)


def plot(names, gbps, path):
    fig, ax = plt.subplots(figsize=(11, 5.5))
    colors = list(plt.get_cmap("tab10").colors) + ["black", "dimgray", "peru"]
    for index, name in enumerate(names):
        sizes = [s for s in SIZES if s in gbps[name]]
        style = "--" if name in ("ReadAvx512", "MultipliesOnly") else "-"
        ax.plot(sizes, [gbps[name][s] for s in sizes], style, marker="o",
                color=colors[index % len(colors)], label=label(name).replace("`", ""))
    ax.set_xscale("log", base=2)
    ax.set_yscale("log")
    ax.set_xticks(SIZES, [size_name(s) for s in SIZES])
    ax.set_xlabel("buffer size")
    ax.set_ylabel("GB/s (median)")
    ax.set_title("CRC-32 throughput against buffer size")
    ax.grid(True, which="both", alpha=0.3)
    ax.legend(fontsize=8, loc="center left", bbox_to_anchor=(1.01, 0.5))
    fig.tight_layout()
    fig.savefig(path, dpi=110)


def main():
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    context, runs = medians(sys.argv[1])
    print(f"Machine: {context.get('num_cpus')} CPUs at {context.get('mhz_per_cpu')} MHz "
          f"(as reported), {context.get('date')}")
    print()
    names, gbps = throughput_table(runs)
    print_throughput(names, gbps)
    print()
    print_targets(gbps)
    print()
    _, file_runs = medians(sys.argv[2])
    print_file(file_runs)
    print_disk(file_runs)
    plot(names, gbps, sys.argv[3])
    plot_file(file_runs, sys.argv[4])


if __name__ == "__main__":
    main()

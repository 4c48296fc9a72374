#!/usr/bin/python3
"""Tables and a throughput plot from the CRC benchmarks' JSON output.

  scripts/benchmark_report.py crc_bench.json calculate_file_bench.json out.png

Prints Markdown tables (GB/s, 10^9 bytes per second, from the median of the
repetitions), the ratios the performance targets are stated in, and saves a
plot of throughput against buffer size. Needs Debian's python3-matplotlib.
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


def print_file(runs):
    print("| benchmark | block | real ms | CPU ms | GB/s (real) |")
    print("|---|---|---|---|---|")
    for run_name, entry in sorted(runs.items()):
        parts = run_name.split("/")
        block = size_name(int(parts[1])) if len(parts) > 2 else "512 KiB"
        scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0}[entry["time_unit"]]
        print(f"| {parts[0]} | {block} | {entry['real_time'] * scale:.1f} | "
              f"{entry['cpu_time'] * scale:.1f} | {entry['bytes_per_second'] / 1e9:.2f} |")
    calculate = runs.get("CalculateFile/real_time")
    read = runs.get("ReadLoop/524288/real_time")
    if calculate and read:
        print()
        print("| ratio (time) | measured | target |")
        print("|---|---|---|")
        print(f"| CalculateFile / read loop, real time | "
              f"{calculate['real_time'] / read['real_time']:.2f} | <= 1.15 |")
        print(f"| CalculateFile / read loop, CPU time | "
              f"{calculate['cpu_time'] / read['cpu_time']:.2f} | <= 1.15 |")


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
    if len(sys.argv) != 4:
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
    plot(names, gbps, sys.argv[3])


if __name__ == "__main__":
    main()

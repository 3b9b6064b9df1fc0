#!/usr/bin/env python3
"""Runs the scan benchmark a few times and prints, for every surface, how long
the scan takes against a plain read of the same pixels (scan / read), for
today's scan and for the per-pixel scan it replaced.

    cmake --preset bench && cmake --build --preset bench
    bench/host/scan_ratios.py [--runs 3] [--repetitions 5] [--markdown]

Each run is one process; within it every benchmark is repeated, the
repetitions interleaved at random, and the fastest repetition (by CPU time)
is kept: on a shared machine other work only ever adds time, to the scan and
to the read alike. The figures of the last run are then printed in full (as
Markdown tables with --markdown, the form BENCHMARKS.md keeps them in).
"""
import argparse
import json
import pathlib
import subprocess
import sys

ROOT = pathlib.Path(__file__).resolve().parents[2]
DEFAULT_BINARY = ROOT / "build" / "bench" / "bench" / "host" / "scan_benchmark"
CASES = ["artwork", "tiled_3840x2160", "alternating_3840x2160", "opaque_3840x2160", "see_through_3840x2160"]
SCANS = [("scan", "scan"), ("per_pixel_scan", "per-pixel scan (before)")]


def run_once(binary, repetitions):
    """The fastest repetitions of one benchmark process: {(kind, case): figures}."""
    output = subprocess.run(
        [str(binary), f"--benchmark_repetitions={repetitions}", "--benchmark_enable_random_interleaving=true",
         "--benchmark_format=json"],
        check=True, capture_output=True, text=True, timeout=1800).stdout
    figures = {}
    for bench in json.loads(output)["benchmarks"]:
        if bench.get("run_type") != "iteration":
            continue
        if "error_occurred" in bench:
            sys.exit(f"{bench['run_name']}: {bench.get('error_message')}")
        kind, case = bench["run_name"].split("/", 1)
        if (kind, case) not in figures or bench["cpu_time"] < figures[(kind, case)]["cpu_time"]:
            figures[(kind, case)] = bench
    return figures


def ratio(figures, kind, case):
    scan, read = figures.get((kind, case)), figures.get(("read", case))
    return scan["cpu_time"] / read["cpu_time"] if scan and read else None


def print_ratios(index, figures):
    parts = []
    for case in CASES:
        now, before = ratio(figures, "scan", case), ratio(figures, "per_pixel_scan", case)
        parts.append(f"{case} {now:.2f}" + (f" (before {before:.2f})" if before else ""))
    print(f"run {index}: scan/read  " + "  ".join(parts))


def print_tables(figures, markdown):
    for case in CASES:
        read = figures[("read", case)]
        rows = [("read", "plain read", read)]
        rows += [(kind, label, figures[(kind, case)]) for kind, label in SCANS if (kind, case) in figures]
        if markdown:
            print(f"\n**{case}**\n")
            print("| | time | pixels/s | rects/s | GB/s | / read |")
            print("|---|---:|---:|---:|---:|---:|")
        else:
            print(f"\n{case}")
        for kind, label, bench in rows:
            cells = [label, f"{bench['cpu_time'] / 1e3:,.1f} µs", f"{bench['pixels/s'] / 1e9:.2f} G",
                     f"{bench['rects/s'] / 1e6:.1f} M" if "rects/s" in bench else "",
                     f"{bench['bytes_per_second'] / 1e9:.2f}",
                     f"{bench['cpu_time'] / read['cpu_time']:.2f}"]
            if markdown:
                print("| " + " | ".join(cells) + " |")
            else:
                print("  " + "".join(f"{cell:>16}" for cell in cells))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--binary", default=DEFAULT_BINARY, type=pathlib.Path)
    parser.add_argument("--runs", default=3, type=int)
    parser.add_argument("--repetitions", default=5, type=int)
    parser.add_argument("--markdown", action="store_true")
    args = parser.parse_args()
    for index in range(1, args.runs + 1):
        figures = run_once(args.binary, args.repetitions)
        print_ratios(index, figures)
    print_tables(figures, args.markdown)


if __name__ == "__main__":
    main()

#!/usr/bin/env bash
# Builds the benchmarks in Release and runs them, five repetitions each,
# then prints the medians and each workload's ratio to its memcpy floor.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/packages.sh
ensure_packages cmake ninja-build g++ libbenchmark-dev python3
cmake --preset bench >/dev/null
cmake --build --preset bench -j "$(nproc)" >/dev/null
mkdir -p build/bench/results
for bench in build/bench/bench/*_bench; do
  name=$(basename "${bench}")
  "${bench}" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    --benchmark_out="build/bench/results/${name}.json" --benchmark_out_format=json "$@" >/dev/null
done
python3 tools/bench_report.py build/bench/results/*.json

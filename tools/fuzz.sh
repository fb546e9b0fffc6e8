#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, ASan, UBSan) and runs each for a
# bounded time over its seed corpus: MDXGEN_FUZZ_SECONDS per target (60 by
# default). A finding is written to build/fuzz/findings/<target>/ and fails
# the run; keep it under fuzz/regressions/<target>/ once fixed.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/packages.sh
ensure_packages clang libclang-rt-14-dev cmake ninja-build libcurl4-openssl-dev

seconds=${MDXGEN_FUZZ_SECONDS:-60}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)"
status=0
for target in api condition remove_order xmla_response; do
  work=build/fuzz/work/${target}
  findings=build/fuzz/findings/${target}
  rm -rf "${work}"
  mkdir -p "${work}" "${findings}"
  echo "== fuzzing ${target} for ${seconds}s"
  if ! ./build/fuzz/fuzz/${target}_fuzzer "${work}" fuzz/corpus/${target} \
      -max_total_time="${seconds}" -timeout=10 -rss_limit_mb=4096 -print_final_stats=1 \
      -artifact_prefix="${findings}/" 2>&1 | tail -n 12; then
    status=1
  fi
done
exit ${status}

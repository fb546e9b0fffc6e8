#!/usr/bin/env bash
# Builds and tests everything on a fresh machine: installs the Debian
# packages the build needs when they are missing, then configures, builds
# and runs the tests plainly, builds the API site with doxygen warnings as
# errors, runs the tests under AddressSanitizer with
# UndefinedBehaviorSanitizer and LeakSanitizer, and the concurrency tests
# under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

source tools/packages.sh
ensure_packages cmake ninja-build g++ libgtest-dev libgmock-dev libbenchmark-dev pkgconf \
  clang libclang-rt-14-dev doxygen $(grep -v '^#' tools/engine/packages.list)

jobs=$(nproc)
run_preset() {
  local preset=$1
  echo "== ${preset}: configure and build"
  cmake --preset "${preset}" >/dev/null
  cmake --build --preset "${preset}" -j "${jobs}"
  echo "== ${preset}: test"
  ctest --preset "${preset}" -j "${jobs}"
}

run_preset default

# The API site, with every doxygen warning an error: a public declaration
# without a doc comment, or an exported header without a file comment,
# fails the build.
echo "== default: API site"
cmake --preset default -DMDXGEN_DOCS_WARN_AS_ERROR=ON >/dev/null
cmake --build --preset default --target docs

run_preset asan
run_preset tsan

# The fuzz targets, each for a bounded time (MDXGEN_FUZZ_SECONDS, 60 by
# default; 0 skips them).
if [[ ${MDXGEN_FUZZ_SECONDS:-60} != 0 ]]; then
  ./tools/fuzz.sh
fi

#!/usr/bin/env bash
# The main job: builds the library and runs the example host on the
# built-in sample.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/packages.sh
ensure_packages cmake ninja-build g++ libgtest-dev libgmock-dev pkgconf
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" >/dev/null
exec ./build/default/examples/mdxgen_example "$@"

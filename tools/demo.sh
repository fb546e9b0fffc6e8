#!/usr/bin/env bash
# The main job: installs what is missing (the build tools, the JDK and
# Mondrian packages of the embedded MDX engine, pugixml for the host model),
# builds the browse demo and plays its session on the sample cube.
#   tools/demo.sh               the MDX of each step and the server's answer
#   tools/demo.sh --no-server   the MDX only
#   --dialect mondrian|msolap8  the generator's dialect (mondrian, the embedded
#                               engine's, by default)
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/packages.sh
# shellcheck disable=SC2046 # one package name per line of the list
ensure_packages cmake ninja-build g++ libgtest-dev libgmock-dev pkgconf \
  $(grep -v '^#' tools/engine/packages.list)
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" --target mdxgen_browse_demo >/dev/null
exec ./build/default/examples/mdxgen_browse_demo "$@"

#!/usr/bin/env bash
# The main job: installs what is missing (the build tools, the JDK, Mondrian
# and Jetty packages of the embedded XMLA server, libcurl for the XMLA
# client, pugixml for the schema model), builds the browse demo and plays
# its session over XMLA.
#   tools/demo.sh               on the embedded XMLA server, which it starts:
#                               the MDX of each step, the grid, the server's time
#   tools/demo.sh --url URL --catalog NAME --cube NAME [--user NAME --password-env VAR]
#                               on any XMLA server, the host model read from it
#   tools/demo.sh --no-server   the MDX only
#   --dialect mondrian|msolap8  the generator's dialect (by default mondrian on the
#                               embedded server and without one, msolap8 with --url)
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/packages.sh
# shellcheck disable=SC2046 # one package name per line of the list
ensure_packages cmake ninja-build g++ libgtest-dev libgmock-dev pkgconf \
  $(grep -v '^#' tools/engine/packages.list)
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" --target mdxgen_browse_demo >/dev/null
exec ./build/default/examples/mdxgen_browse_demo "$@"

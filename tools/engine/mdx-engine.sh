#!/bin/sh
# Runs the MDX engine runner (MdxEngine.java) straight from the source tree,
# without CMake: compiles it into a cache directory when the source is newer,
# then starts it with Debian's Mondrian/H2 jars on the classpath.
#
#   tools/engine/mdx-engine.sh [--schema FILE.xml --data FILE.sql] < records
#
# Without arguments it serves the sample cube in examples/sample. The record
# format is described at the top of MdxEngine.java.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
jar_dir=${MDX_ENGINE_JAR_DIR:-/usr/share/java}

cp=""
for jar in mondrian olap4j eigenbase-xom eigenbase-properties eigenbase-resgen \
           commons-collections3 commons-dbcp commons-pool commons-vfs2 \
           commons-io commons-math commons-logging log4j-over-slf4j \
           slf4j-api slf4j-nop h2; do
    if [ ! -r "$jar_dir/$jar.jar" ]; then
        echo "mdx-engine: missing $jar_dir/$jar.jar (see tools/engine/README.md)" >&2
        exit 2
    fi
    cp="$cp${cp:+:}$jar_dir/$jar.jar"
done

classes=${MDX_ENGINE_CLASSES:-${TMPDIR:-/tmp}/mdx-engine-classes-$(id -u)}
if [ ! -f "$classes/MdxEngine.class" ] || \
   [ "$here/MdxEngine.java" -nt "$classes/MdxEngine.class" ]; then
    mkdir -p "$classes"
    javac -encoding UTF-8 -Xlint:all,-path -Werror -d "$classes" -cp "$cp" \
        "$here/MdxEngine.java"
fi

if [ $# -eq 0 ]; then
    set -- --schema "$root/examples/sample/sales_schema.xml" \
           --data "$root/examples/sample/sales_data.sql"
fi
exec java -Dfile.encoding=UTF-8 -cp "$cp:$classes" MdxEngine "$@"

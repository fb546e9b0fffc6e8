#!/bin/sh
# Share of test code: non-blank lines of .h/.cpp/.java/.py/.sh files under tests/ or named
# *_test.*, against every other such file outside bench/ and fuzz/ (tracked files only).
cd "$(dirname "$0")/.." || exit 1
git ls-files '*.h' '*.cpp' '*.java' '*.py' '*.sh' | while IFS= read -r f; do
  case "$f" in bench/*|fuzz/*) continue ;; esac
  n=$(grep -c '[^[:space:]]' "$f")
  case "$f" in
    tests/*|*_test.*) echo "test $n" ;;
    *) echo "code $n" ;;
  esac
done | awk '{s[$1] += $2}
  END {printf "tests %d, code %d: %.1f%%\n", s["test"], s["code"], 100 * s["test"] / s["code"]}'

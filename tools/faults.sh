#!/bin/sh
# Applies each deliberate fault below to the tree, builds, runs the unit
# suite (everything but the server tests) and checks that it fails; then puts
# the file back. Prints one line per fault with the tests that caught it;
# exits non-zero when a fault went unnoticed or could not be applied.
#
#   tools/faults.sh            # every fault
#   tools/faults.sh 3 7        # faults 3 and 7
# Fields: family | fault | file | sed expression (applied to that file).
set -u
cd "$(dirname "$0")/.." || exit 1
FAULTS=$(cat <<'LIST'
field|blank dropped from the DrillUp wrapper|source/field.cpp|s/L" }.ITEM(0) "}/L" }.ITEM(0)"}/
field|PARENT written without its dot|source/field.cpp|s/append(text_.edit(), {L".PARENT"});/append(text_.edit(), {L"PARENT"});/
tuple|missed use() of a member added|source/tuple.cpp|s/^  field->use();$//
set algebra|unbalanced brace in a union with a member|source/set_algebra.cpp|s/L", { ", f, L" } )"/L", { ", f, L" )"/
fragment text|quoted copy kept when the text is edited in place|include/mdxgen/fragment_text.h|/VelaString\& edit() {/,/}/s/quotedValid_ = false;//
set navigation|blank dropped from DrillDownOnSet|source/set_navigation.cpp|s/{L", {", set, L"} ) "}/{L", {", set, L"} )"}/
set navigation|RECURSIVE dropped from ToggleDrillStateOnSet|source/set_navigation.cpp|s/recursive ? L", RECURSIVE )" : /recursive ? L" )" : /
set subsets|text changed before a throw|source/set_subsets.cpp|s|^  // SUM and PERCENT need the numeric expression.*|  setText(concat({text(), L" "}));|
set subsets|wrong insert in a range refusal|source/set_subsets.cpp|s/L"ExtremityType"/L"ExtremityKind"/
set subsets|DISTINCT of an inserted member loses a blank|source/set_subsets.cpp|s/{L",{", member, L"} )", L" )"}/{L",{", member, L"} )", L")"}/
set conditions|wrong VARIANT number format (15 digits)|source/set_conditions.cpp|s/convertRealToString(value, out, 10, 16, false)/convertRealToString(value, out, 10, 15, false)/
VARIANT|true converts to 1 instead of -1|support/source/oleauto.cpp|s/in->boolVal ? -1 : 0/in->boolVal ? 1 : 0/
value|wrong COUNT flag|source/value.cpp|s/IncludeEmpty/INCLUDEEMPTY/
member property|qualified name loses its bracket|source/member_property.cpp|s/concat({L"\[", property_, L"\]"})/concat({L"[", property_})/
formula specification|quote blank dropped in AS|source/formula_specification.cpp|s/Piece(L" AS ' ") : Piece(L" AS ")/Piece(L" AS '") : Piece(L" AS ")/
formula specification|property count check skipped|source/formula_specification.cpp|s/throw MDXError(MDXError::kPropertyCountMismatch);/{}/
select|swapped axis name|source/select_query.cpp|s/out << L"COLUMNS ";/out << L"ROWS ";/
drop|DROP keyword without its blank|source/drop_query.cpp|s/L"DROP "/L"DROP"/
update|UPDATE CUBE list closes without its blank|source/update_query.cpp|s/L") = "/L")= "/
alter|ALTER CUBE clause changed|source/alter_query.cpp|s/L" CREATE DIMENSION MEMBER "/L" CREATE MEMBER "/
generator|wrong server type|source/dialect/msolap8.cpp|/GetServerType() const {/,/^}/s/return MSOLAP8;/return MDXQueryGenerator::QueryGenerationType(2);/
query log|lost duration line|source/query_log.cpp|s/file_->writeLine(durationLine(owned->elapsedSeconds()));/(void)durationLine(owned->elapsedSeconds());/
query log|duration with two decimals|source/query_log.cpp|s/Query duration: /Query duration:/
quoting|wrong character doubled|source/quoting.cpp|s/doubleCharacter(out, in, L'\\'');/doubleCharacter(out, in, L'"');/
instance log|lost Destroyed log line|source/refcountimpl.cpp|s/L"Destroyed"/L"Gone"/
instance log|a verbosity change keeps the level each thread read before|support/source/core_log.cpp|/void CoreLog::setVerbosity/,/^}/s/  version_.fetch_add(1, std::memory_order_acq_rel);//
log service|a record from given texts leaves the place of the one before|support/source/core_log.cpp|s/^  filled.place = 0;$//
text layer|a statement past its inline buffer loses what was written before|source/text/writer.h|s/std::memcpy(bigger.get(), begin_, size \* sizeof(wchar_t));//
registry|value names compared with case|support/source/registry.cpp|s/if (inKey_ \&\& equalNoCase(name, valueName_))/if (inKey_ \&\& name == valueName_)/
file|line written without its line end|support/source/file.cpp|s/^  bytes += '\\n';$//
strings|ill-formed UTF-8 gives ? instead of U+FFFD|support/source/velastring.cpp|s/kReplacement = 0xFFFD;/kReplacement = 0x3F;/
xmla|< not escaped in a statement sent|xmla/request.cpp|s/case '<': out += "&lt;"; break;/case '<': out += "<"; break;/
xmla|an error cell read as a string|xmla/response.cpp|s/cell.type = ValueType::kError;/cell.type = ValueType::kString;/
Mondrian dialect|its sort drops the blank after DISTINCT|source/dialect/mondrian.cpp|s/L"ORDER( DISTINCT( "/L"ORDER( DISTINCT("/
LIST
)
BUILD=build/default
cmake --preset default -DCMAKE_LINK_DEPENDS_NO_SHARED=ON >/dev/null || exit 1
cmake --build --preset default -j2 >/dev/null || { echo "the tree does not build"; exit 1; }
n=0
printf '%s\n' "$FAULTS" | while IFS='|' read -r family fault file expr; do
  n=$((n + 1))
  if [ $# -gt 0 ]; then
    case " $* " in *" $n "*) ;; *) continue ;; esac
  fi
  cp -p "$file" "$file.fault-orig"
  trap 'mv "$file.fault-orig" "$file"; touch "$file"; exit 1' INT TERM
  sed -i "$expr" "$file"
  if cmp -s "$file" "$file.fault-orig"; then
    result="NOT APPLIED"
  elif ! cmake --build --preset default -j2 >/tmp/fault-build.log 2>&1; then
    result="NOT BUILT"
  else
    out=$(ctest --preset default -LE server -j2 --timeout 120 2>&1)
    failed=$(echo "$out" | sed -n 's/^[[:space:]]*[0-9][0-9]* - \([^ ]*\) .*/\1/p' | tr '\n' ' ')
    if [ -n "$failed" ]; then result="caught by: $failed"; else result="NOT CAUGHT"; fi
  fi
  mv "$file.fault-orig" "$file"
  touch "$file"
  trap - INT TERM
  printf '%2d | %s | %s | %s\n' "$n" "$family" "$fault" "$result"
  case "$result" in caught*) ;; *) echo "FAULT $n NOT CAUGHT" >&2 ;; esac
done 2>&1 | tee /tmp/faults.out
cmake --build --preset default -j2 >/dev/null
! grep -q "NOT" /tmp/faults.out

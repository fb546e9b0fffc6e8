#!/bin/bash
# Checks the embedded XMLA server from outside, with plain curl:
#   - MDSCHEMA_CUBES lists the cube Sales;
#   - a SELECT of Unit Sales by year answers 913 and 1189;
#   - a DRILLTHROUGH MAXROWS 10 answers 1 to 10 rows;
#   - an unknown measure answers a SOAP fault;
#   - the /sql side door answers the fact table's total.
#
#   tools/engine/check-xmla.sh                 start a server, check, stop it
#   tools/engine/check-xmla.sh --url URL       check a server already running
#   tools/engine/check-xmla.sh --server CMD    start CMD instead of xmla-server
#   tools/engine/check-xmla.sh --record DIR    also write the responses to DIR
#
# Exits 0 when every check passes, 1 otherwise (each failure is printed).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
url=""
record=""
server="$here/xmla-server"
while [ $# -gt 0 ]; do
    case $1 in
        --url) url=$2; shift 2 ;;
        --record) record=$2; shift 2 ;;
        --server) server=$2; shift 2 ;;
        *) echo "usage: $0 [--url URL | --server CMD] [--record DIR]" >&2
           exit 2 ;;
    esac
done

work=$(mktemp -d)
server_pid=""
cleanup() {
    # Closing the server's standard input stops it.
    exec 3>&- 2>/dev/null || true
    if [ -n "$server_pid" ]; then
        wait "$server_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

catalog=SalesSample
if [ -z "$url" ]; then
    mkfifo "$work/in"
    "$server" < "$work/in" > "$work/out" 2> "$work/err" &
    server_pid=$!
    exec 3> "$work/in"
    start=$(date +%s%N)
    for _ in $(seq 1 240); do
        [ -s "$work/out" ] && break
        kill -0 "$server_pid" 2>/dev/null || break
        sleep 0.25
    done
    read -r word url catalog < "$work/out" || true
    if [ "${word:-}" != XMLA ]; then
        echo "FAIL: the server did not start:" >&2
        cat "$work/out" "$work/err" >&2
        exit 1
    fi
    echo "started: $url $catalog in $(( ($(date +%s%N) - start) / 1000000 )) ms"
fi

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
pass() { echo "ok:   $*"; }

# post NAME BODY: sends an XMLA request, leaves the answer in $work/NAME.xml
# (and in the record directory when asked).
post() {
    curl -sS --max-time 60 -H 'Content-Type: text/xml; charset=UTF-8' \
        --data-binary "$2" -o "$work/$1.xml" "$url"
    if [ -n "$record" ]; then
        mkdir -p "$record"
        cp "$work/$1.xml" "$record/$1.xml"
    fi
}

envelope() {
    printf '%s' '<?xml version="1.0" encoding="UTF-8"?>
<SOAP-ENV:Envelope xmlns:SOAP-ENV="http://schemas.xmlsoap.org/soap/envelope/"><SOAP-ENV:Body>'"$1"'</SOAP-ENV:Body></SOAP-ENV:Envelope>'
}

execute() { # statement format
    envelope '<Execute xmlns="urn:schemas-microsoft-com:xml-analysis"><Command><Statement><![CDATA['"$1"']]></Statement></Command><Properties><PropertyList><Catalog>'"$catalog"'</Catalog><Format>'"$2"'</Format><AxisFormat>TupleFormat</AxisFormat></PropertyList></Properties></Execute>'
}

discover() { # request type, further restrictions
    envelope '<Discover xmlns="urn:schemas-microsoft-com:xml-analysis"><RequestType>'"$1"'</RequestType><Restrictions><RestrictionList><CATALOG_NAME>'"$catalog"'</CATALOG_NAME>'"${2:-}"'</RestrictionList></Restrictions><Properties><PropertyList><Catalog>'"$catalog"'</Catalog><Format>Tabular</Format></PropertyList></Properties></Discover>'
}

# 1. The cube is listed.
post discover_cubes "$(discover MDSCHEMA_CUBES)"
if grep -q '<CUBE_NAME>Sales</CUBE_NAME>' "$work/discover_cubes.xml"; then
    pass "MDSCHEMA_CUBES lists Sales"
else
    fail "MDSCHEMA_CUBES does not list Sales"
fi

# 2. Unit Sales by year.
post execute_by_year "$(execute 'SELECT {[Measures].[Unit Sales]} ON 0, [Time].[Year].Members ON 1 FROM [Sales]' Multidimensional)"
values=$(grep -o '<Value[^>]*>[^<]*</Value>' "$work/execute_by_year.xml" |
         sed 's/<[^>]*>//g' | tr '\n' ' ')
if [ "$values" = "913 1189 " ]; then
    pass "Unit Sales by year: $values"
else
    fail "Unit Sales by year answered '$values', expected '913 1189 '"
fi

# 3. DRILLTHROUGH MAXROWS 10.
post drillthrough "$(execute 'DRILLTHROUGH MAXROWS 10 SELECT {[Measures].[Unit Sales]} ON 0 FROM [Sales] WHERE ([Time].[2024])' Tabular)"
rows=$(grep -c '<row>' "$work/drillthrough.xml" || true)
if [ "$rows" -ge 1 ] && [ "$rows" -le 10 ] &&
   ! grep -q 'Fault>' "$work/drillthrough.xml"; then
    pass "DRILLTHROUGH MAXROWS 10: $rows rows"
else
    fail "DRILLTHROUGH MAXROWS 10 answered $rows rows"
    head -c 2000 "$work/drillthrough.xml" >&2
fi

# 4. An unknown measure is a SOAP fault.
post fault_unknown_measure "$(execute 'SELECT {[Measures].[No Such Measure]} ON 0 FROM [Sales]' Multidimensional)"
if grep -q '<SOAP-ENV:Fault>' "$work/fault_unknown_measure.xml" &&
   grep -q 'No Such Measure' "$work/fault_unknown_measure.xml"; then
    pass "unknown measure: SOAP fault"
else
    fail "unknown measure: no SOAP fault"
fi

# 5. The SQL side door.
sql=$(curl -sS --max-time 60 --data-binary \
      'SELECT SUM(unit_sales) FROM sales_fact' "${url%/xmla}/sql")
if [ "$sql" = "$(printf 'COLS\tSUM(unit_sales)\nROW\t2102')" ]; then
    pass "SQL side door: total 2102"
else
    fail "SQL side door answered: $sql"
fi

# Responses kept for the client's fuzzer seeds and benchmark: a cell set with
# DIMENSION PROPERTIES, CELL PROPERTIES, a slicer and names holding an
# apostrophe, a bracket and non-ASCII letters.
if [ -n "$record" ]; then
    post execute_cellset "$(execute 'SELECT {[Measures].[Unit Sales], [Measures].[Store Sales], [Measures].[Average Price]} DIMENSION PROPERTIES MEMBER_CAPTION ON 0, CROSSJOIN([Store].[Store City].Members, {[Product].[Drink], [Product].[Non-Consumable].[Electronics].[Gadgets [New]]], [Product].[Food].[Baked Goods].[Joe'"'"'s Cookies]}) DIMENSION PROPERTIES PARENT_UNIQUE_NAME, [Store].[Store City].[Manager], [Store].[Store City].[Store Size] ON 1 FROM [Sales] WHERE ([Time].[2024]) CELL PROPERTIES VALUE, FORMATTED_VALUE, FORMAT_STRING' Multidimensional)"
    post discover_datasources "$(envelope '<Discover xmlns="urn:schemas-microsoft-com:xml-analysis"><RequestType>DISCOVER_DATASOURCES</RequestType><Restrictions><RestrictionList/></Restrictions><Properties><PropertyList><Format>Tabular</Format></PropertyList></Properties></Discover>' | sed 's#<SOAP-ENV:Body>#<SOAP-ENV:Header><BeginSession xmlns="urn:schemas-microsoft-com:xml-analysis" mustUnderstand="1"/></SOAP-ENV:Header>&#')"
    post discover_members "$(discover MDSCHEMA_MEMBERS '<CUBE_NAME>Sales</CUBE_NAME><LEVEL_UNIQUE_NAME>[Store].[Store City]</LEVEL_UNIQUE_NAME>')"
    echo "recorded: $(cd "$record" && ls | tr '\n' ' ')"
fi

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "all checks passed"

#!/bin/sh
# Writes a large XMLA Execute response (multidimensional cell set) in the
# form the embedded XMLA server answers, for benchmarks of response readers:
#
#   tools/engine/make-large-cellset.sh OUT [CELLS]
#
# CELLS (default 1000000) is rounded down to a whole number of rows of 1000
# columns (or one row when smaller). Axis 0 holds measure-like members, axis 1
# two-member tuples (a store and a product), the slicer one year. Every cell
# has a Value, a FmtValue and a FormatString, except every 100th cell, which
# is empty and left out, as the server leaves out empty cells. The envelope,
# the schema block and the member form are taken from the server's recorded
# answer recorded/execute_by_year.xml. Needs only sh, sed and awk.
set -eu

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
    echo "usage: $0 OUT [CELLS]" >&2
    exit 2
fi
out=$1
cells=${2:-1000000}
here=$(cd "$(dirname "$0")" && pwd)
template="$here/recorded/execute_by_year.xml"

case $cells in
    ''|*[!0-9]*) echo "$0: CELLS must be a number" >&2; exit 2 ;;
esac
if [ "$cells" -lt 1 ]; then
    echo "$0: CELLS must be at least 1" >&2
    exit 2
fi
if [ "$cells" -ge 1000 ]; then
    cols=1000
else
    cols=$cells
fi
rows=$((cells / cols))

{
    # Envelope and schema, up to and including </xsd:schema>.
    sed -n '1,/<\/xsd:schema>/p' "$template"
    awk -v cols="$cols" -v rows="$rows" '
    function member(h, uname, caption, lname, lnum) {
        printf "              <Member Hierarchy=\"%s\">\n", h
        printf "                <UName>%s</UName>\n", uname
        printf "                <Caption>%s</Caption>\n", caption
        printf "                <LName>%s</LName>\n", lname
        printf "                <LNum>%d</LNum>\n", lnum
        printf "                <DisplayInfo>0</DisplayInfo>\n"
        printf "              </Member>\n"
    }
    function hinfo(h) {
        printf "            <HierarchyInfo name=\"%s\">\n", h
        printf "              <UName name=\"[%s].[MEMBER_UNIQUE_NAME]\"/>\n", h
        printf "              <Caption name=\"[%s].[MEMBER_CAPTION]\"/>\n", h
        printf "              <LName name=\"[%s].[LEVEL_UNIQUE_NAME]\"/>\n", h
        printf "              <LNum name=\"[%s].[LEVEL_NUMBER]\"/>\n", h
        printf "              <DisplayInfo name=\"[%s].[DISPLAY_INFO]\"/>\n", h
        printf "            </HierarchyInfo>\n"
    }
    function grouped(n,    s) {
        s = ""
        while (n >= 1000) {
            s = sprintf(",%03d", n % 1000) s
            n = int(n / 1000)
        }
        return n s
    }
    BEGIN {
        print "      <OlapInfo>"
        print "        <CubeInfo>"
        print "          <Cube>"
        print "            <CubeName>Sales</CubeName>"
        print "          </Cube>"
        print "        </CubeInfo>"
        print "        <AxesInfo>"
        print "          <AxisInfo name=\"Axis0\">"
        hinfo("Measures")
        print "          </AxisInfo>"
        print "          <AxisInfo name=\"Axis1\">"
        hinfo("Store"); hinfo("Product")
        print "          </AxisInfo>"
        print "          <AxisInfo name=\"SlicerAxis\">"
        hinfo("Time")
        print "          </AxisInfo>"
        print "        </AxesInfo>"
        print "        <CellInfo>"
        print "          <Value name=\"VALUE\"/>"
        print "          <FmtValue name=\"FORMATTED_VALUE\"/>"
        print "          <FormatString name=\"FORMAT_STRING\"/>"
        print "        </CellInfo>"
        print "      </OlapInfo>"
        print "      <Axes>"
        print "        <Axis name=\"Axis0\">"
        print "          <Tuples>"
        for (c = 0; c < cols; c++) {
            print "            <Tuple>"
            member("Measures", sprintf("[Measures].[Measure %04d]", c),
                   sprintf("Measure %04d", c), "[Measures].[MeasuresLevel]", 0)
            print "            </Tuple>"
        }
        print "          </Tuples>"
        print "        </Axis>"
        print "        <Axis name=\"Axis1\">"
        print "          <Tuples>"
        for (r = 0; r < rows; r++) {
            print "            <Tuple>"
            member("Store", sprintf("[Store].[USA].[CA].[City %04d]", r),
                   sprintf("City %04d", r), "[Store].[Store City]", 3)
            member("Product", sprintf("[Product].[Family %d]", r % 7),
                   sprintf("Family %d", r % 7), "[Product].[Product Family]", 1)
            print "            </Tuple>"
        }
        print "          </Tuples>"
        print "        </Axis>"
        print "        <Axis name=\"SlicerAxis\">"
        print "          <Tuples>"
        print "            <Tuple>"
        member("Time", "[Time].[2024]", "2024", "[Time].[Year]", 1)
        print "            </Tuple>"
        print "          </Tuples>"
        print "        </Axis>"
        print "      </Axes>"
        print "      <CellData>"
        n = cols * rows
        for (i = 0; i < n; i++) {
            if (i % 100 == 99) continue
            v = (i * 7919) % 1000003
            printf "        <Cell CellOrdinal=\"%d\">\n", i
            printf "          <Value xsi:type=\"xsd:double\">%d</Value>\n", v
            printf "          <FmtValue>%s</FmtValue>\n", grouped(v)
            printf "          <FormatString>#,##0</FormatString>\n"
            printf "        </Cell>\n"
        }
        print "      </CellData>"
        print "    </root>"
        print "  </cxmla:return>"
        print "</cxmla:ExecuteResponse>"
        print "</SOAP-ENV:Body>"
        print "</SOAP-ENV:Envelope>"
    }'
} > "$out"

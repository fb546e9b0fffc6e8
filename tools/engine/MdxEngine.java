/*
 * MdxEngine - runs MDX statements on an embedded Mondrian engine.
 *
 * The runner loads a Mondrian schema and an H2 SQL script into an in-memory
 * H2 database, then answers statements read from standard input, one record
 * at a time, on standard output. One JVM serves a whole batch of statements.
 *
 * Usage:
 *   java -cp CLASSPATH MdxEngine --schema FILE.xml --data FILE.sql [--db NAME]
 *
 * ---------------------------------------------------------------- input ---
 * A sequence of records. Each record starts with a header line ended by LF
 * (a CR before the LF is ignored); blank lines between records are skipped.
 *
 *   MDX <n>       followed by exactly <n> bytes of UTF-8: one MDX statement.
 *                 Statements may contain line breaks. A statement whose first
 *                 word is DRILLTHROUGH is run through Mondrian's own API and
 *                 answered with rows (the drill-through of cell 0); anything
 *                 else goes to the olap4j statement API.
 *   SQL <n>       followed by <n> bytes: one SQL statement run on the H2
 *                 database that holds the cube's data.
 *   MDX <<WORD    (also SQL <<WORD) the payload is the following lines, up to
 *                 a line that is exactly WORD; meant for hand-written batches.
 *   PING          no payload; answered with an empty OK.
 *   QUIT          no payload; the runner exits. End of input does the same.
 *
 * --------------------------------------------------------------- output ---
 * UTF-8 lines of TAB-separated fields. In every field a backslash is written
 * as \\, TAB as \t, LF as \n and CR as \r; a field that is exactly \N is a
 * null (an empty cell, an SQL NULL).
 *
 * Once, at start-up:
 *   READY  <engine version>  <start-up milliseconds>
 * or, if the schema or the data cannot be loaded (the runner then exits 2):
 *   FATAL  <message>
 *
 * Then for each record, numbered from 1 in input order, exactly one response:
 *   OK     <seq>  <kind>                    kind: MDX, DRILLTHROUGH, SQL, PING
 *   ...body lines...
 *   END    <seq>  <milliseconds>
 * or
 *   ERROR  <seq>  <kind>  <message>         kind: as above, or PROTOCOL for a
 *   END    <seq>  <milliseconds>            malformed record
 *
 * Body of an MDX result:
 *   AXIS   <axis>  <name>  <positions>  [<property>...]
 *          one per axis, <axis> 0 (COLUMNS), 1 (ROWS), ...; the slicer comes
 *          last as axis -1 named SLICER. The optional trailing fields name the
 *          DIMENSION PROPERTIES requested on that axis.
 *   POS    <axis>  <position>  <member unique name>...
 *   PROP   <axis>  <position>  <member index>  <value>...
 *          only on axes with properties: one value per property of the AXIS
 *          line, null where the property does not apply to that member.
 *   CELL   <ordinal>  <type>  <raw value>  <formatted value>
 *          every cell, in ordinal order (axis 0 varies fastest); type is
 *          empty, number, string, boolean or error (raw value = error text).
 * Body of a DRILLTHROUGH or SQL result:
 *   COLS   <column name>...
 *   ROW    <value>...
 *   COUNT  <update count>                   SQL statements without rows only
 *
 * Numbers are written in plain decimal notation with no trailing zeros
 * (1234.5, 42, 0.125); doubles that are not finite as NaN, Infinity,
 * -Infinity.
 */

import java.io.BufferedInputStream;
import java.io.ByteArrayOutputStream;
import java.io.FileDescriptor;
import java.io.FileOutputStream;
import java.io.IOException;
import java.io.InputStream;
import java.io.OutputStream;
import java.io.PrintStream;
import java.math.BigDecimal;
import java.math.BigInteger;
import java.nio.ByteBuffer;
import java.nio.charset.CharacterCodingException;
import java.nio.charset.CodingErrorAction;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.sql.Connection;
import java.sql.DriverManager;
import java.sql.ResultSet;
import java.sql.ResultSetMetaData;
import java.sql.SQLException;
import java.sql.Statement;
import java.util.ArrayList;
import java.util.Collections;
import java.util.List;
import java.util.Locale;

import org.olap4j.CellSet;
import org.olap4j.CellSetAxis;
import org.olap4j.OlapConnection;
import org.olap4j.OlapStatement;
import org.olap4j.Position;
import org.olap4j.metadata.Member;
import org.olap4j.metadata.Property;

public final class MdxEngine {
    /** Largest payload accepted; larger records are skipped and reported. */
    private static final long MAX_PAYLOAD = 64L << 20;

    private final Connection sql;        // holds the in-memory database
    private final OlapConnection olap;
    private final mondrian.olap.Connection mondrianConnection;
    private final PrintStream out;
    private final InputStream in;
    private int seq = 0;

    private MdxEngine(Connection sql, OlapConnection olap, PrintStream out,
                      InputStream in) throws SQLException {
        this.sql = sql;
        this.olap = olap;
        this.mondrianConnection = olap.unwrap(mondrian.olap.Connection.class);
        this.out = out;
        this.in = in;
    }

    public static void main(String[] args) throws IOException {
        // Responses go to the real stdout only; anything the libraries print
        // lands on stderr so it cannot corrupt the protocol.
        PrintStream out = new PrintStream(
            new FileOutputStream(FileDescriptor.out), false, "UTF-8");
        System.setOut(System.err);
        Locale.setDefault(Locale.US);

        String schema = null;
        String data = null;
        String db = "mdxengine";
        for (int i = 0; i < args.length; i++) {
            String a = args[i];
            if (i + 1 < args.length && a.equals("--schema")) {
                schema = args[++i];
            } else if (i + 1 < args.length && a.equals("--data")) {
                data = args[++i];
            } else if (i + 1 < args.length && a.equals("--db")) {
                db = args[++i];
            } else {
                fatal(out, "unknown argument: " + a
                    + " (usage: MdxEngine --schema FILE.xml --data FILE.sql"
                    + " [--db NAME])");
            }
        }
        if (schema == null || data == null) {
            fatal(out, "usage: MdxEngine --schema FILE.xml --data FILE.sql"
                + " [--db NAME]");
        }

        long t0 = System.nanoTime();
        MdxEngine engine = null;
        try {
            engine = open(schema, data, db, out,
                new BufferedInputStream(System.in, 1 << 16));
        } catch (Throwable e) {
            fatal(out, describe(e));
        }
        String version;
        try {
            version = engine.olap.getMetaData().getDatabaseProductName() + " "
                + engine.olap.getMetaData().getDatabaseProductVersion();
        } catch (SQLException e) {
            version = "unknown";
        }
        out.print(line("READY", version, Long.toString(ms(t0))));
        out.flush();
        engine.loop();
        engine.close();
    }

    private static void fatal(PrintStream out, String message) {
        out.print(line("FATAL", message));
        out.flush();
        System.exit(2);
    }

    private static MdxEngine open(String schema, String data, String db,
                                  PrintStream out, InputStream in)
        throws Exception {
        // Mondrian's native FILTER evaluation drops rows of
        // FILTER(level.Members, IsEmpty(measure)); evaluate FILTER in memory.
        mondrian.olap.MondrianProperties.instance().EnableNativeFilter.set(false);

        Path schemaPath = Paths.get(schema).toAbsolutePath();
        Path dataPath = Paths.get(data).toAbsolutePath();
        if (!Files.isReadable(schemaPath)) {
            throw new IOException("cannot read schema " + schemaPath);
        }
        if (!Files.isReadable(dataPath)) {
            throw new IOException("cannot read data " + dataPath);
        }
        if (!db.matches("[A-Za-z0-9_]+")) {
            throw new IllegalArgumentException("bad database name " + db);
        }

        // Unquoted SQL names fold to lower case, like the quoted lower-case
        // names Mondrian generates from the schema.
        String h2Url = "jdbc:h2:mem:" + db + ";DATABASE_TO_LOWER=TRUE";
        Class.forName("org.h2.Driver");
        Connection sql = DriverManager.getConnection(h2Url);
        try (Statement st = sql.createStatement()) {
            st.execute("RUNSCRIPT FROM '" + dataPath.toString().replace("'", "''")
                + "' CHARSET 'UTF-8'");
        }

        Class.forName("mondrian.olap4j.MondrianOlap4jDriver");
        String url = "jdbc:mondrian:Jdbc=" + quote(h2Url)
            + ";JdbcDrivers=org.h2.Driver"
            + ";Catalog=" + quote(schemaPath.toUri().toString())
            + ";Locale=en_US";
        Connection c = DriverManager.getConnection(url);
        OlapConnection olap = c.unwrap(OlapConnection.class);
        // Loads the schema now, so a broken schema fails start-up.
        olap.getOlapSchema().getCubes().size();
        return new MdxEngine(sql, olap, out, in);
    }

    /** Quotes a value for a Mondrian connect string. */
    private static String quote(String value) {
        return "'" + value.replace("'", "''") + "'";
    }

    private void close() {
        try {
            olap.close();
        } catch (SQLException ignored) {
            // shutting down anyway
        }
        try {
            sql.close();
        } catch (SQLException ignored) {
            // shutting down anyway
        }
    }

    // ------------------------------------------------------------- input ---

    private void loop() throws IOException {
        while (true) {
            byte[] headerBytes = readLine();
            if (headerBytes == null) {
                return;
            }
            String header = new String(headerBytes, StandardCharsets.UTF_8).trim();
            if (header.isEmpty()) {
                continue;
            }
            ++seq;
            long t0 = System.nanoTime();
            String[] parts = header.split("\\s+");
            String type = parts[0].toUpperCase(Locale.ROOT);
            if (parts.length == 1 && type.equals("QUIT")) {
                return;
            }
            if (parts.length == 1 && type.equals("PING")) {
                out.print(line("OK", Integer.toString(seq), "PING"));
                end(t0);
                continue;
            }
            if (parts.length != 2) {
                protocolError(t0, "malformed record header: " + header);
                continue;
            }
            boolean known = type.equals("MDX") || type.equals("SQL");
            byte[] payload;
            if (parts[1].startsWith("<<")) {
                String word = parts[1].substring(2);
                if (word.isEmpty()) {
                    protocolError(t0, "missing terminator word: " + header);
                    continue;
                }
                payload = readUntil(word);
                if (payload == null) {
                    protocolError(t0, "input ended before terminator " + word);
                    return;
                }
            } else {
                long n;
                try {
                    n = Long.parseLong(parts[1]);
                } catch (NumberFormatException e) {
                    n = -1;
                }
                if (n < 0) {
                    protocolError(t0, "bad payload length in header: " + header);
                    continue;
                }
                if (n > MAX_PAYLOAD || !known) {
                    long skipped = skip(n);
                    if (skipped < n) {
                        protocolError(t0, "input ended inside a record");
                        return;
                    }
                    protocolError(t0, known
                        ? "payload of " + n + " bytes exceeds the limit"
                        : "unknown record type: " + parts[0]);
                    continue;
                }
                payload = in.readNBytes((int) n);
                if (payload.length < n) {
                    protocolError(t0, "input ended inside a record: expected "
                        + n + " bytes, got " + payload.length);
                    return;
                }
            }
            if (!known) {
                protocolError(t0, "unknown record type: " + parts[0]);
                continue;
            }
            String text;
            try {
                text = StandardCharsets.UTF_8.newDecoder()
                    .onMalformedInput(CodingErrorAction.REPORT)
                    .onUnmappableCharacter(CodingErrorAction.REPORT)
                    .decode(ByteBuffer.wrap(payload)).toString();
            } catch (CharacterCodingException e) {
                protocolError(t0, "payload is not valid UTF-8");
                continue;
            }
            if (type.equals("SQL")) {
                respond(t0, "SQL", b -> runSql(text, b));
            } else if (isDrillThrough(text)) {
                respond(t0, "DRILLTHROUGH", b -> runDrillThrough(text, b));
            } else {
                respond(t0, "MDX", b -> runMdx(text, b));
            }
        }
    }

    /** Reads one line without its LF (and a CR before it); null at EOF. */
    private byte[] readLine() throws IOException {
        ByteArrayOutputStream b = new ByteArrayOutputStream();
        int c;
        boolean any = false;
        while ((c = in.read()) != -1) {
            any = true;
            if (c == '\n') {
                break;
            }
            b.write(c);
        }
        if (!any) {
            return null;
        }
        byte[] bytes = b.toByteArray();
        if (bytes.length > 0 && bytes[bytes.length - 1] == '\r') {
            return java.util.Arrays.copyOf(bytes, bytes.length - 1);
        }
        return bytes;
    }

    /** Reads lines up to one that is exactly {@code word}; null at EOF. */
    private byte[] readUntil(String word) throws IOException {
        ByteArrayOutputStream b = new ByteArrayOutputStream();
        byte[] end = word.getBytes(StandardCharsets.UTF_8);
        boolean first = true;
        while (true) {
            byte[] l = readLine();
            if (l == null) {
                return null;
            }
            if (java.util.Arrays.equals(l, end)) {
                return b.toByteArray();
            }
            if (!first) {
                b.write('\n');
            }
            b.write(l);
            first = false;
        }
    }

    private long skip(long n) throws IOException {
        long done = 0;
        while (done < n) {
            long k = in.skip(n - done);
            if (k <= 0) {
                if (in.read() == -1) {
                    break;
                }
                k = 1;
            }
            done += k;
        }
        return done;
    }

    /** True if the first word of the statement, after comments, is DRILLTHROUGH. */
    static boolean isDrillThrough(String text) {
        int i = 0;
        int n = text.length();
        while (i < n) {
            char c = text.charAt(i);
            if (Character.isWhitespace(c)) {
                i++;
            } else if (text.startsWith("--", i) || text.startsWith("//", i)) {
                int e = text.indexOf('\n', i);
                i = e < 0 ? n : e + 1;
            } else if (text.startsWith("/*", i)) {
                int e = text.indexOf("*/", i + 2);
                i = e < 0 ? n : e + 2;
            } else {
                break;
            }
        }
        int j = i;
        while (j < n && Character.isLetter(text.charAt(j))) {
            j++;
        }
        return text.substring(i, j).equalsIgnoreCase("DRILLTHROUGH");
    }

    // ---------------------------------------------------------- responses ---

    private interface Body {
        void write(StringBuilder b) throws Exception;
    }

    /**
     * Runs one statement and prints its response. The body is built in memory
     * first, so a failure half way never leaves a partial result behind.
     */
    private void respond(long t0, String kind, Body body) {
        StringBuilder b = new StringBuilder();
        b.append(line("OK", Integer.toString(seq), kind));
        try {
            body.write(b);
        } catch (Throwable e) {
            b.setLength(0);
            b.append(line("ERROR", Integer.toString(seq), kind, describe(e)));
        }
        out.print(b);
        end(t0);
    }

    private void protocolError(long t0, String message) {
        out.print(line("ERROR", Integer.toString(seq), "PROTOCOL", message));
        end(t0);
    }

    private void end(long t0) {
        out.print(line("END", Integer.toString(seq), Long.toString(ms(t0))));
        out.flush();
    }

    private static long ms(long t0) {
        return (System.nanoTime() - t0) / 1_000_000;
    }

    /**
     * The messages of an exception and its causes, outermost first, without
     * repeats (Mondrian often wraps a cause and repeats its text).
     */
    static String describe(Throwable e) {
        List<String> parts = new ArrayList<>();
        for (Throwable t = e; t != null && parts.size() < 10; t = t.getCause()) {
            String m = t.getMessage();
            if (m == null || m.isEmpty()) {
                m = t.getClass().getName();
            }
            m = m.trim();
            boolean seen = false;
            for (String p : parts) {
                if (p.contains(m)) {
                    seen = true;
                    break;
                }
            }
            if (!seen) {
                parts.add(m);
            }
            if (t.getCause() == t) {
                break;
            }
        }
        return String.join(": ", parts);
    }

    // ---------------------------------------------------------------- MDX ---

    private void runMdx(String text, StringBuilder b) throws Exception {
        try (OlapStatement st = olap.createStatement()) {
            CellSet cs = st.executeOlapQuery(text);
            List<CellSetAxis> axes = new ArrayList<>(cs.getAxes());
            int cellCount = 1;
            for (CellSetAxis axis : axes) {
                cellCount *= axis.getPositionCount();
            }
            axes.add(cs.getFilterAxis());
            for (CellSetAxis axis : axes) {
                int index = axis.getAxisOrdinal().isFilter()
                    ? -1 : axis.getAxisOrdinal().axisOrdinal();
                String name = index < 0 ? "SLICER" : axis.getAxisOrdinal().name();
                List<Property> props = axis.getAxisMetaData().getProperties();
                List<String> head = new ArrayList<>();
                head.add("AXIS");
                head.add(Integer.toString(index));
                head.add(name);
                head.add(Integer.toString(axis.getPositionCount()));
                for (Property p : props) {
                    head.add(p.getName());
                }
                b.append(line(head));
                for (Position pos : axis.getPositions()) {
                    List<String> f = new ArrayList<>();
                    f.add("POS");
                    f.add(Integer.toString(index));
                    f.add(Integer.toString(pos.getOrdinal()));
                    for (Member m : pos.getMembers()) {
                        f.add(m.getUniqueName());
                    }
                    b.append(line(f));
                    if (props.isEmpty()) {
                        continue;
                    }
                    List<Member> members = pos.getMembers();
                    for (int mi = 0; mi < members.size(); mi++) {
                        Member m = members.get(mi);
                        List<String> pf = new ArrayList<>();
                        pf.add("PROP");
                        pf.add(Integer.toString(index));
                        pf.add(Integer.toString(pos.getOrdinal()));
                        pf.add(Integer.toString(mi));
                        for (Property p : props) {
                            pf.add(propertyValue(m, p));
                        }
                        b.append(line(pf));
                    }
                }
            }
            for (int i = 0; i < cellCount; i++) {
                org.olap4j.Cell cell = cs.getCell(i);
                String type;
                String raw;
                String formatted = cell.getFormattedValue();
                if (cell.isError()) {
                    type = "error";
                    raw = cell.getErrorText();
                    if (raw == null) {
                        raw = String.valueOf(cell.getValue());
                    }
                } else if (cell.isNull() || cell.getValue() == null) {
                    type = "empty";
                    raw = null;
                } else {
                    Object v = cell.getValue();
                    type = v instanceof Number ? "number"
                        : v instanceof Boolean ? "boolean" : "string";
                    raw = value(v);
                }
                b.append(line("CELL", Integer.toString(i), type, raw,
                    formatted == null ? "" : formatted));
            }
        }
    }

    /** A member's value for a requested property; null if it has none. */
    private static String propertyValue(Member m, Property p) throws Exception {
        // A property of another hierarchy's level does not apply here.
        Property own = m.getProperties().get(p.getName());
        if (own == null) {
            return null;
        }
        Object v = m.getPropertyValue(own);
        return v == null ? null : value(v);
    }

    // ------------------------------------------------------- DRILLTHROUGH ---

    // Connection.execute(Query) is deprecated in favour of internal Execution
    // plumbing; it is the public way to run a parsed query.
    @SuppressWarnings("deprecation")
    private void runDrillThrough(String text, StringBuilder b) throws Exception {
        mondrian.olap.QueryPart part = mondrianConnection.parseStatement(text);
        if (!(part instanceof mondrian.olap.DrillThrough)) {
            throw new IllegalArgumentException("not a DRILLTHROUGH statement");
        }
        mondrian.olap.DrillThrough dt = (mondrian.olap.DrillThrough) part;
        mondrian.olap.Result result = mondrianConnection.execute(dt.getQuery());
        int axisCount = result.getAxes().length;
        for (mondrian.olap.Axis axis : result.getAxes()) {
            if (axis.getPositions().isEmpty()) {
                throw new IllegalStateException(
                    "DRILLTHROUGH: the query has no cell (an axis is empty)");
            }
        }
        mondrian.olap.Cell cell = result.getCell(new int[axisCount]);
        if (!cell.canDrillThrough()) {
            throw new IllegalStateException(
                "DRILLTHROUGH: cell 0 cannot be drilled through");
        }
        List<mondrian.olap.OlapElement> fields = dt.getReturnList();
        if (fields == null) {
            fields = Collections.emptyList();
        }
        // Extended context, as Mondrian's own olap4j driver asks for: every
        // level of the cube's dimensions without a RETURN clause, exactly the
        // RETURN columns with one (the narrow context fills RETURN columns
        // with NULL). The olap4j driver itself cannot be used: it wraps the
        // rows in a proxy that Java 17 rejects.
        mondrian.rolap.SqlStatement stmt = ((mondrian.rolap.RolapCell) cell)
            .drillThroughInternal(dt.getMaxRowCount(), dt.getFirstRowOrdinal(),
                fields, true,
                org.apache.log4j.Logger.getLogger(MdxEngine.class));
        try {
            writeRows(stmt.getResultSet(), b);
        } finally {
            stmt.close();
        }
    }

    // ---------------------------------------------------------------- SQL ---

    private void runSql(String text, StringBuilder b) throws Exception {
        try (Statement st = sql.createStatement()) {
            if (st.execute(text)) {
                try (ResultSet rs = st.getResultSet()) {
                    writeRows(rs, b);
                }
            } else {
                b.append(line("COUNT", Integer.toString(st.getUpdateCount())));
            }
        }
    }

    private static void writeRows(ResultSet rs, StringBuilder b)
        throws SQLException {
        ResultSetMetaData md = rs.getMetaData();
        int n = md.getColumnCount();
        List<String> cols = new ArrayList<>();
        cols.add("COLS");
        for (int i = 1; i <= n; i++) {
            cols.add(md.getColumnLabel(i));
        }
        b.append(line(cols));
        while (rs.next()) {
            List<String> row = new ArrayList<>();
            row.add("ROW");
            for (int i = 1; i <= n; i++) {
                Object v = rs.getObject(i);
                row.add(v == null ? null : value(v));
            }
            b.append(line(row));
        }
    }

    // ------------------------------------------------------------ values ---

    /** Canonical text of a value: plain decimal notation for numbers. */
    static String value(Object v) {
        if (v instanceof Double || v instanceof Float) {
            double d = ((Number) v).doubleValue();
            if (Double.isNaN(d)) {
                return "NaN";
            }
            if (Double.isInfinite(d)) {
                return d > 0 ? "Infinity" : "-Infinity";
            }
            return plain(new BigDecimal(Double.toString(d)));
        }
        if (v instanceof BigDecimal) {
            return plain((BigDecimal) v);
        }
        if (v instanceof Byte || v instanceof Short || v instanceof Integer
            || v instanceof Long || v instanceof BigInteger) {
            return v.toString();
        }
        if (v instanceof Number) {
            return plain(new BigDecimal(v.toString()));
        }
        return v.toString();
    }

    private static String plain(BigDecimal d) {
        if (d.signum() == 0) {
            return "0";
        }
        return d.stripTrailingZeros().toPlainString();
    }

    // ------------------------------------------------------------- output ---

    private static String line(String... fields) {
        List<String> l = new ArrayList<>(fields.length);
        Collections.addAll(l, fields);
        return line(l);
    }

    private static String line(List<String> fields) {
        StringBuilder b = new StringBuilder();
        for (int i = 0; i < fields.size(); i++) {
            if (i > 0) {
                b.append('\t');
            }
            escape(fields.get(i), b);
        }
        return b.append('\n').toString();
    }

    private static void escape(String s, StringBuilder b) {
        if (s == null) {
            b.append("\\N");
            return;
        }
        for (int i = 0; i < s.length(); i++) {
            char c = s.charAt(i);
            switch (c) {
                case '\\': b.append("\\\\"); break;
                case '\t': b.append("\\t"); break;
                case '\n': b.append("\\n"); break;
                case '\r': b.append("\\r"); break;
                default: b.append(c);
            }
        }
    }
}

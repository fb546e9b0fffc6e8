/*
 * SqlServlet - a test-only side door of the XMLA server: runs one SQL
 * statement on the H2 database that holds the cube's data, so that tests can
 * compare what the engine answers with what the rows say.
 *
 * Request:  POST /sql, the body is one SQL statement in UTF-8.
 * Answer:   HTTP 200, text/plain; charset=UTF-8, lines of TAB-separated
 *           fields, each line ended by LF:
 *             COLS   <column label>...
 *             ROW    <value>...             one per row
 *           or, for a statement without rows,
 *             COUNT  <update count>
 *           In every field a backslash is written as \\, TAB as \t, LF as \n
 *           and CR as \r; a field that is exactly \N is SQL NULL. Numbers are
 *           in plain decimal notation without trailing zeros.
 *           HTTP 400 with the error text as body when the statement fails;
 *           HTTP 405 for anything but POST.
 */

import java.io.IOException;
import java.math.BigDecimal;
import java.math.BigInteger;
import java.nio.charset.StandardCharsets;
import java.sql.ResultSet;
import java.sql.ResultSetMetaData;
import java.sql.SQLException;
import java.sql.Statement;

import javax.servlet.http.HttpServlet;
import javax.servlet.http.HttpServletRequest;
import javax.servlet.http.HttpServletResponse;

final class SqlServlet extends HttpServlet {
    private static final long serialVersionUID = 1L;
    private static final int MAX_STATEMENT = 1 << 20;

    private final transient XmlaServer.Engine engine;

    SqlServlet(XmlaServer.Engine engine) {
        this.engine = engine;
    }

    @Override
    protected void doPost(HttpServletRequest request,
                          HttpServletResponse response) throws IOException {
        byte[] body = request.getInputStream().readNBytes(MAX_STATEMENT + 1);
        if (body.length > MAX_STATEMENT) {
            send(response, 413, "statement too long\n");
            return;
        }
        String text = new String(body, StandardCharsets.UTF_8);
        StringBuilder b = new StringBuilder();
        try {
            // One JDBC connection serves every request, one at a time.
            synchronized (engine.sql) {
                try (Statement st = engine.sql.createStatement()) {
                    if (st.execute(text)) {
                        try (ResultSet rs = st.getResultSet()) {
                            writeRows(rs, b);
                        }
                    } else {
                        line(b, "COUNT", Integer.toString(st.getUpdateCount()));
                    }
                }
            }
        } catch (SQLException e) {
            send(response, 400, XmlaServer.describe(e) + "\n");
            return;
        }
        send(response, 200, b.toString());
    }

    private static void send(HttpServletResponse response, int status,
                             String text) throws IOException {
        byte[] bytes = text.getBytes(StandardCharsets.UTF_8);
        response.setStatus(status);
        response.setContentType("text/plain; charset=UTF-8");
        response.setContentLength(bytes.length);
        response.getOutputStream().write(bytes);
    }

    private static void writeRows(ResultSet rs, StringBuilder b)
        throws SQLException {
        ResultSetMetaData md = rs.getMetaData();
        int n = md.getColumnCount();
        String[] fields = new String[n + 1];
        fields[0] = "COLS";
        for (int i = 1; i <= n; i++) {
            fields[i] = md.getColumnLabel(i);
        }
        line(b, fields);
        fields[0] = "ROW";
        while (rs.next()) {
            for (int i = 1; i <= n; i++) {
                Object v = rs.getObject(i);
                fields[i] = v == null ? null : value(v);
            }
            line(b, fields);
        }
    }

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
        return d.signum() == 0 ? "0" : d.stripTrailingZeros().toPlainString();
    }

    private static void line(StringBuilder b, String... fields) {
        for (int i = 0; i < fields.length; i++) {
            if (i > 0) {
                b.append('\t');
            }
            String s = fields[i];
            if (s == null) {
                b.append("\\N");
                continue;
            }
            for (int k = 0; k < s.length(); k++) {
                char c = s.charAt(k);
                switch (c) {
                    case '\\': b.append("\\\\"); break;
                    case '\t': b.append("\\t"); break;
                    case '\n': b.append("\\n"); break;
                    case '\r': b.append("\\r"); break;
                    default: b.append(c);
                }
            }
        }
        b.append('\n');
    }
}

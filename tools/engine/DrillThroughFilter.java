/*
 * DrillThroughFilter - answers XMLA Execute requests whose statement is a
 * DRILLTHROUGH, in front of Mondrian's XMLA servlet.
 *
 * On Java 17 Mondrian's servlet cannot answer DRILLTHROUGH: its olap4j layer
 * wraps the drill-through rows in a java.lang.reflect.Proxy made with the
 * bootstrap class loader, which no longer sees java.sql.ResultSet ("is not
 * visible from class loader: null"). This filter reads each request body;
 * when the SOAP body is an Execute whose Command/Statement starts with the
 * word DRILLTHROUGH, it parses the statement with Mondrian, executes its
 * SELECT, drills through cell 0 with the extended context (as Mondrian's own
 * olap4j driver does: every level of the cube's dimensions, or exactly the
 * RETURN columns) and answers the rows itself as an XMLA tabular rowset, in
 * the envelope Mondrian's servlet uses. Every other request goes on to the
 * servlet unchanged, except requests carrying a document type declaration,
 * which are refused with a SOAP fault (no DTD or entity is ever read).
 */

import java.io.ByteArrayInputStream;
import java.io.BufferedReader;
import java.io.IOException;
import java.io.InputStreamReader;
import java.nio.charset.StandardCharsets;
import java.sql.ResultSet;
import java.sql.ResultSetMetaData;
import java.sql.SQLException;
import java.sql.Types;
import java.util.ArrayList;
import java.util.Collections;
import java.util.List;
import java.util.Locale;

import javax.servlet.Filter;
import javax.servlet.FilterChain;
import javax.servlet.FilterConfig;
import javax.servlet.ReadListener;
import javax.servlet.ServletException;
import javax.servlet.ServletInputStream;
import javax.servlet.ServletRequest;
import javax.servlet.ServletResponse;
import javax.servlet.http.HttpServletRequest;
import javax.servlet.http.HttpServletRequestWrapper;
import javax.servlet.http.HttpServletResponse;

import org.w3c.dom.Document;
import org.w3c.dom.Element;
import org.w3c.dom.Node;

final class DrillThroughFilter implements Filter {
    static final String NS_SOAP = "http://schemas.xmlsoap.org/soap/envelope/";
    static final String NS_XMLA = "urn:schemas-microsoft-com:xml-analysis";
    /** Largest request body read; larger requests are refused. */
    private static final int MAX_REQUEST = 16 << 20;

    private final XmlaServer.Engine engine;

    DrillThroughFilter(XmlaServer.Engine engine) {
        this.engine = engine;
    }

    @Override
    public void init(FilterConfig config) {
        // nothing to configure
    }

    @Override
    public void destroy() {
        // nothing held
    }

    @Override
    public void doFilter(ServletRequest request, ServletResponse response,
                         FilterChain chain)
        throws IOException, ServletException {
        if (!(request instanceof HttpServletRequest)
            || !"POST".equals(((HttpServletRequest) request).getMethod())) {
            chain.doFilter(request, response);
            return;
        }
        HttpServletRequest http = (HttpServletRequest) request;
        HttpServletResponse out = (HttpServletResponse) response;
        byte[] body = http.getInputStream().readNBytes(MAX_REQUEST + 1);
        if (body.length > MAX_REQUEST) {
            writeEnvelope(out, "", fault("Client.00HSBA01",
                "XMLA SOAP message too large",
                "request body exceeds " + MAX_REQUEST + " bytes"));
            return;
        }
        String text = new String(body, StandardCharsets.UTF_8);
        if (text.contains("<!DOCTYPE")) {
            // Mondrian's own parser would read a DTD and its entities.
            writeEnvelope(out, "", fault("Client.00HSBA02",
                "XMLA SOAP message refused",
                "a document type declaration is not allowed"));
            return;
        }
        Request dt = body.length == 0 ? null : drillThroughRequest(body, text);
        if (dt == null) {
            chain.doFilter(new Replay(http, body), response);
            return;
        }
        String header = dt.sessionId == null ? ""
            : "<Session SessionId=\"" + Xml.escape(dt.sessionId)
              + "\" xmlns=\"" + NS_XMLA + "\" />";
        String answer;
        if (dt.dataSource != null && !dt.dataSource.isEmpty()
            && !dt.dataSource.equals(engine.dataSourceName())) {
            answer = fault("Server.00HSBB01", "XMLA SOAP Body processing error",
                "The Mondrian XML: Mondrian Error:Internal error:"
                + " Unknown database '" + dt.dataSource + "'");
        } else if (dt.catalog != null && !dt.catalog.isEmpty()
            && !dt.catalog.equals(engine.catalog)) {
            answer = fault("Server.00HSBB01", "XMLA SOAP Body processing error",
                "The Mondrian XML: Mondrian Error:Internal error:"
                + " Unknown catalog '" + dt.catalog + "'");
        } else {
            answer = answer(dt.statement);
        }
        writeEnvelope(out, header, answer);
    }

    /** What a DRILLTHROUGH Execute asks for. */
    private static final class Request {
        String statement;
        String catalog;
        String dataSource;
        String sessionId;
    }

    /**
     * The DRILLTHROUGH Execute in a SOAP request, or null when the request
     * is anything else (or not XML at all: the servlet then answers it).
     */
    private static Request drillThroughRequest(byte[] body, String text) {
        // Cheap test first: most requests never mention the word.
        if (!text.toUpperCase(Locale.ROOT).contains("DRILLTHROUGH")) {
            return null;
        }
        Document doc;
        try {
            doc = Xml.safeFactory().newDocumentBuilder()
                .parse(new ByteArrayInputStream(body));
        } catch (Exception e) {
            return null;
        }
        Element envelope = doc.getDocumentElement();
        if (!is(envelope, NS_SOAP, "Envelope")) {
            return null;
        }
        Element soapBody = child(envelope, NS_SOAP, "Body");
        Element execute = child(soapBody, NS_XMLA, "Execute");
        Element statement = child(child(execute, NS_XMLA, "Command"),
            NS_XMLA, "Statement");
        if (statement == null
            || !isDrillThrough(statement.getTextContent())) {
            return null;
        }
        Request r = new Request();
        r.statement = statement.getTextContent();
        Element properties = child(child(execute, NS_XMLA, "Properties"),
            NS_XMLA, "PropertyList");
        Element catalog = child(properties, NS_XMLA, "Catalog");
        r.catalog = catalog == null ? null : catalog.getTextContent().trim();
        Element dataSource = child(properties, NS_XMLA, "DataSourceInfo");
        r.dataSource =
            dataSource == null ? null : dataSource.getTextContent().trim();
        Element session = child(child(envelope, NS_SOAP, "Header"),
            NS_XMLA, "Session");
        if (session != null && session.hasAttribute("SessionId")) {
            r.sessionId = session.getAttribute("SessionId");
        }
        return r;
    }

    private static boolean is(Node n, String ns, String name) {
        return n instanceof Element && ns.equals(n.getNamespaceURI())
            && name.equals(n.getLocalName());
    }

    private static Element child(Element parent, String ns, String name) {
        if (parent == null) {
            return null;
        }
        for (Node n = parent.getFirstChild(); n != null; n = n.getNextSibling()) {
            if (is(n, ns, name)) {
                return (Element) n;
            }
        }
        return null;
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

    // ----------------------------------------------------------- answer ---

    /** One drill-through column: its label, element name and XSD type. */
    private static final class Column {
        final String label;
        final String element;
        final String xsdType;

        Column(String label, int sqlType, int scale) {
            this.label = label;
            this.element =
                mondrian.xmla.XmlaUtil.ElementNameEncoder.INSTANCE.encode(label);
            this.xsdType = xsdType(sqlType, scale);
        }

        private static String xsdType(int sqlType, int scale) {
            switch (sqlType) {
                case Types.INTEGER:
                case Types.SMALLINT:
                case Types.TINYINT:
                    return "xsd:int";
                case Types.NUMERIC:
                case Types.DECIMAL:
                    return scale == 0 ? "xsd:int" : "xsd:decimal";
                case Types.BIGINT:
                    return "xsd:integer";
                case Types.DOUBLE:
                case Types.FLOAT:
                case Types.REAL:
                    return "xsd:double";
                case Types.BOOLEAN:
                case Types.BIT:
                    return "xsd:boolean";
                default:
                    return "xsd:string";
            }
        }
    }

    /** The ExecuteResponse for the statement, or a SOAP fault. */
    private String answer(String statement) {
        List<Column> columns = new ArrayList<>();
        List<Object[]> rows = new ArrayList<>();
        try {
            synchronized (engine.olap) {
                drillThrough(statement, columns, rows);
            }
        } catch (mondrian.olap.MondrianException e) {
            return fault("Client.00HSBD01", "XMLA MDX parse failed",
                rootMessage(e));
        } catch (Throwable e) {
            return fault("Server.00HSBF02", "XMLA Drill Through SQL error",
                rootMessage(e));
        }
        return rowset(columns, rows);
    }

    private static String rootMessage(Throwable e) {
        Throwable root = mondrian.xmla.XmlaUtil.rootThrowable(e);
        String m = root.getMessage();
        return "The Mondrian XML: "
            + (m == null || m.isEmpty() ? root.getClass().getName() : m);
    }

    // Connection.execute(Query) is deprecated in favour of internal Execution
    // plumbing; it is the public way to run a parsed query.
    @SuppressWarnings("deprecation")
    private void drillThrough(String text, List<Column> columns,
                              List<Object[]> rows) throws Exception {
        mondrian.olap.Connection connection =
            engine.olap.unwrap(mondrian.olap.Connection.class);
        mondrian.olap.QueryPart part;
        try {
            part = connection.parseStatement(text);
        } catch (RuntimeException e) {
            throw new mondrian.olap.MondrianException(
                XmlaServer.describe(e), e);
        }
        if (!(part instanceof mondrian.olap.DrillThrough)) {
            throw new mondrian.olap.MondrianException(
                "not a DRILLTHROUGH statement");
        }
        mondrian.olap.DrillThrough dt = (mondrian.olap.DrillThrough) part;
        mondrian.olap.Result result = connection.execute(dt.getQuery());
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
        mondrian.rolap.SqlStatement stmt = ((mondrian.rolap.RolapCell) cell)
            .drillThroughInternal(dt.getMaxRowCount(), dt.getFirstRowOrdinal(),
                fields, true,
                org.apache.log4j.Logger.getLogger(DrillThroughFilter.class));
        try {
            ResultSet rs = stmt.getResultSet();
            ResultSetMetaData md = rs.getMetaData();
            int n = md.getColumnCount();
            for (int i = 1; i <= n; i++) {
                columns.add(new Column(md.getColumnLabel(i),
                    md.getColumnType(i), md.getScale(i)));
            }
            while (rs.next()) {
                Object[] row = new Object[n];
                for (int i = 0; i < n; i++) {
                    row[i] = rs.getObject(i + 1);
                }
                rows.add(row);
            }
        } catch (SQLException e) {
            throw new IllegalStateException(XmlaServer.describe(e), e);
        } finally {
            stmt.close();
        }
    }

    /** An ExecuteResponse holding a tabular rowset. */
    private static String rowset(List<Column> columns, List<Object[]> rows) {
        StringBuilder b = new StringBuilder(4096 + rows.size() * 256);
        b.append("<cxmla:ExecuteResponse xmlns:cxmla=\"").append(NS_XMLA)
            .append("\">\n  <cxmla:return>\n")
            .append("    <root xmlns=\"urn:schemas-microsoft-com:xml-analysis:rowset\""
                + " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
                + " xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\""
                + " xmlns:EX=\"urn:schemas-microsoft-com:xml-analysis:exception\">\n")
            .append("      <xsd:schema xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\""
                + " targetNamespace=\"urn:schemas-microsoft-com:xml-analysis:rowset\""
                + " xmlns=\"urn:schemas-microsoft-com:xml-analysis:rowset\""
                + " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
                + " xmlns:sql=\"urn:schemas-microsoft-com:xml-sql\""
                + " elementFormDefault=\"qualified\">\n")
            .append("        <xsd:element name=\"root\">\n"
                + "          <xsd:complexType>\n"
                + "            <xsd:sequence>\n"
                + "              <xsd:element maxOccurs=\"unbounded\" minOccurs=\"0\""
                + " name=\"row\" type=\"row\"/>\n"
                + "            </xsd:sequence>\n"
                + "          </xsd:complexType>\n"
                + "        </xsd:element>\n"
                + "        <xsd:complexType name=\"row\">\n"
                + "          <xsd:sequence>\n");
        for (Column c : columns) {
            b.append("            <xsd:element minOccurs=\"0\" name=\"")
                .append(Xml.escape(c.element)).append("\" sql:field=\"")
                .append(Xml.escape(c.label)).append("\" type=\"")
                .append(c.xsdType).append("\"/>\n");
        }
        b.append("          </xsd:sequence>\n"
            + "        </xsd:complexType>\n"
            + "      </xsd:schema>\n");
        for (Object[] row : rows) {
            b.append("      <row>\n");
            for (int i = 0; i < row.length; i++) {
                if (row[i] == null) {
                    continue;      // a missing element is a null
                }
                Column c = columns.get(i);
                String v = row[i].toString();
                if (row[i] instanceof Number) {
                    v = mondrian.xmla.XmlaUtil.normalizeNumericString(v);
                }
                b.append("        <").append(c.element).append(" xsi:type=\"")
                    .append(c.xsdType).append("\">");
                Xml.escape(v, b);
                b.append("</").append(c.element).append(">\n");
            }
            b.append("      </row>\n");
        }
        b.append("    </root>\n  </cxmla:return>\n</cxmla:ExecuteResponse>\n");
        return b.toString();
    }

    /** A SOAP fault in the form Mondrian's servlet writes. */
    static String fault(String code, String text, String description) {
        String plain = code.substring(code.indexOf('.') + 1);
        return "<SOAP-ENV:Fault>\n"
            + "  <faultcode>SOAP-ENV:" + code + "</faultcode>\n"
            + "  <faultstring>" + Xml.escape(text) + "</faultstring>\n"
            + "  <faultactor>Mondrian</faultactor>\n"
            + "  <detail>\n"
            + "    <XA:error xmlns:XA=\"http://mondrian.sourceforge.net\">\n"
            + "      <code>" + plain + "</code>\n"
            + "      <desc>" + Xml.escape(description) + "</desc>\n"
            + "    </XA:error>\n"
            + "  </detail>\n"
            + "</SOAP-ENV:Fault>\n";
    }

    private static void writeEnvelope(HttpServletResponse out, String header,
                                      String body) throws IOException {
        String text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            + "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"" + NS_SOAP + "\""
            + " SOAP-ENV:encodingStyle="
            + "\"http://schemas.xmlsoap.org/soap/encoding/\" >\n"
            + "<SOAP-ENV:Header>\n" + header + "</SOAP-ENV:Header>\n"
            + "<SOAP-ENV:Body>\n" + body + "</SOAP-ENV:Body>\n"
            + "</SOAP-ENV:Envelope>\n";
        byte[] bytes = text.getBytes(StandardCharsets.UTF_8);
        out.setStatus(HttpServletResponse.SC_OK);
        out.setContentType("text/xml;charset=utf-8");
        out.setContentLength(bytes.length);
        out.getOutputStream().write(bytes);
    }

    /** The request again, with its body replayed from memory. */
    private static final class Replay extends HttpServletRequestWrapper {
        private final byte[] body;

        Replay(HttpServletRequest request, byte[] body) {
            super(request);
            this.body = body;
        }

        @Override
        public ServletInputStream getInputStream() {
            final ByteArrayInputStream in = new ByteArrayInputStream(body);
            return new ServletInputStream() {
                @Override
                public int read() {
                    return in.read();
                }

                @Override
                public int read(byte[] b, int off, int len) {
                    return in.read(b, off, len);
                }

                @Override
                public boolean isFinished() {
                    return in.available() == 0;
                }

                @Override
                public boolean isReady() {
                    return true;
                }

                @Override
                public void setReadListener(ReadListener listener) {
                    throw new IllegalStateException("not asynchronous");
                }
            };
        }

        @Override
        public BufferedReader getReader() {
            String enc = getCharacterEncoding();
            return new BufferedReader(new InputStreamReader(
                new ByteArrayInputStream(body),
                enc == null ? StandardCharsets.UTF_8
                    : java.nio.charset.Charset.forName(enc)));
        }

        @Override
        public int getContentLength() {
            return body.length;
        }

        @Override
        public long getContentLengthLong() {
            return body.length;
        }
    }
}

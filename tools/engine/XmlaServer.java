/*
 * XmlaServer - the embedded MDX engine behind the XMLA 1.1 protocol.
 *
 * One JVM holds an in-memory H2 database loaded from an SQL script, Mondrian
 * serving a schema over that database, and Mondrian's own XMLA servlet inside
 * an embedded Jetty bound to 127.0.0.1 on a free port.
 *
 * Usage:
 *   java -cp CLASSPATH XmlaServer --schema FILE.xml --data FILE.sql [--db NAME]
 *
 * Once the server answers, one line goes to standard output:
 *   XMLA <url> <catalog>
 * for example "XMLA http://127.0.0.1:41234/xmla SalesSample"; the catalog is
 * the schema's name. If start-up fails, one line "FATAL <message>" is printed
 * instead and the process exits with status 2. The server stops when standard
 * input reaches its end, or on SIGTERM.
 *
 * Paths served:
 *   /xmla  XMLA Discover and Execute (SOAP over HTTP POST). DRILLTHROUGH
 *          statements are answered by DrillThroughFilter (see there).
 *   /sql   test-only: POST one SQL statement (UTF-8) as the body; answered
 *          with text/plain lines as described in SqlServlet.
 * Responses over 1 KiB are gzip-compressed when the request accepts gzip.
 */

import java.io.BufferedInputStream;
import java.io.FileDescriptor;
import java.io.FileOutputStream;
import java.io.IOException;
import java.io.InputStream;
import java.io.OutputStream;
import java.io.PrintStream;
import java.net.HttpURLConnection;
import java.net.URL;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.sql.Connection;
import java.sql.DriverManager;
import java.sql.Statement;
import java.util.EnumSet;
import java.util.Locale;

import javax.servlet.DispatcherType;
import javax.xml.parsers.DocumentBuilderFactory;

import org.eclipse.jetty.server.Server;
import org.eclipse.jetty.server.ServerConnector;
import org.eclipse.jetty.server.handler.gzip.GzipHandler;
import org.eclipse.jetty.servlet.FilterHolder;
import org.eclipse.jetty.servlet.ServletContextHandler;
import org.eclipse.jetty.servlet.ServletHolder;
import org.eclipse.jetty.util.thread.QueuedThreadPool;

public final class XmlaServer {
    private XmlaServer() {
    }

    public static void main(String[] args) throws IOException {
        // The announcement line goes to the real stdout only; anything the
        // libraries print lands on stderr.
        PrintStream out = new PrintStream(
            new FileOutputStream(FileDescriptor.out), false, "UTF-8");
        System.setOut(System.err);
        Locale.setDefault(Locale.US);

        String schema = null;
        String data = null;
        String db = "xmlaserver";
        for (int i = 0; i < args.length; i++) {
            String a = args[i];
            if (i + 1 < args.length && a.equals("--schema")) {
                schema = args[++i];
            } else if (i + 1 < args.length && a.equals("--data")) {
                data = args[++i];
            } else if (i + 1 < args.length && a.equals("--db")) {
                db = args[++i];
            } else {
                fatal(out, "unknown argument: " + a);
            }
        }
        if (schema == null || data == null) {
            fatal(out, "usage: XmlaServer --schema FILE.xml --data FILE.sql"
                + " [--db NAME]");
        }

        Server server = null;
        String announce = null;
        try {
            Engine engine = Engine.open(schema, data, db);
            // The servlet starts on the first request, once its data sources
            // can name the address the system picked.
            ServletHolder xmla = new ServletHolder("xmla",
                mondrian.xmla.impl.MondrianXmlaServlet.class);
            server = start(engine, xmla);
            ServerConnector c = (ServerConnector) server.getConnectors()[0];
            String url = "http://127.0.0.1:" + c.getLocalPort() + "/xmla";
            xmla.setInitParameter("DataSourcesConfig",
                "inline:" + engine.dataSourcesXml(url));
            warmUp(url, engine.catalog);
            announce = "XMLA " + url + " " + engine.catalog;
        } catch (Throwable e) {
            if (server != null) {
                try {
                    server.stop();
                } catch (Exception ignored) {
                    // exiting anyway
                }
            }
            fatal(out, describe(e));
        }

        final Server running = server;
        Runtime.getRuntime().addShutdownHook(new Thread(() -> {
            try {
                running.stop();
            } catch (Exception ignored) {
                // the JVM is going away
            }
        }, "xmla-server-stop"));

        out.print(announce + "\n");
        out.flush();

        // Standard input closing (the parent going away) stops the server.
        try {
            InputStream in = new BufferedInputStream(System.in);
            byte[] buf = new byte[4096];
            while (in.read(buf) >= 0) {
                // contents are ignored
            }
        } catch (IOException ignored) {
            // treated as end of input
        }
        System.exit(0);
    }

    private static void fatal(PrintStream out, String message) {
        out.print("FATAL " + message.replace('\n', ' ') + "\n");
        out.flush();
        System.exit(2);
    }

    private static Server start(Engine engine, ServletHolder xmla)
        throws Exception {
        QueuedThreadPool pool = new QueuedThreadPool(16, 2);
        pool.setName("xmla");
        pool.setDaemon(true);
        Server server = new Server(pool);
        ServerConnector connector = new ServerConnector(server, 1, 1);
        connector.setHost("127.0.0.1");
        connector.setPort(0);
        server.addConnector(connector);

        ServletContextHandler context =
            new ServletContextHandler(ServletContextHandler.NO_SESSIONS);
        context.setContextPath("/");

        xmla.setInitParameter("CharacterEncoding", "UTF-8");
        context.addServlet(xmla, "/xmla");
        context.addFilter(new FilterHolder(new DrillThroughFilter(engine)),
            "/xmla", EnumSet.of(DispatcherType.REQUEST));
        context.addServlet(new ServletHolder("sql", new SqlServlet(engine)),
            "/sql");

        // Responses are gzip-compressed for clients that accept it.
        GzipHandler gzip = new GzipHandler();
        gzip.setIncludedMethods("GET", "POST");
        gzip.setMinGzipSize(1024);
        gzip.setHandler(context);
        server.setHandler(gzip);
        server.setStopAtShutdown(false);
        server.start();
        return server;
    }

    /**
     * Sends one Discover to the server, so that the catalog is loaded and the
     * servlet proven to answer before the address is announced.
     */
    private static void warmUp(String url, String catalog) throws IOException {
        String body = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            + "<SOAP-ENV:Envelope xmlns:SOAP-ENV="
            + "\"http://schemas.xmlsoap.org/soap/envelope/\"><SOAP-ENV:Body>"
            + "<Discover xmlns=\"urn:schemas-microsoft-com:xml-analysis\">"
            + "<RequestType>MDSCHEMA_CUBES</RequestType><Restrictions>"
            + "<RestrictionList/></Restrictions><Properties><PropertyList>"
            + "<Catalog>" + Xml.escape(catalog) + "</Catalog>"
            + "</PropertyList></Properties></Discover>"
            + "</SOAP-ENV:Body></SOAP-ENV:Envelope>";
        HttpURLConnection c = (HttpURLConnection) new URL(url).openConnection();
        try {
            c.setDoOutput(true);
            c.setRequestMethod("POST");
            c.setRequestProperty("Content-Type", "text/xml; charset=UTF-8");
            c.setRequestProperty("SOAPAction",
                "\"urn:schemas-microsoft-com:xml-analysis:Discover\"");
            try (OutputStream os = c.getOutputStream()) {
                os.write(body.getBytes(StandardCharsets.UTF_8));
            }
            int status = c.getResponseCode();
            byte[] answer;
            try (InputStream is = status < 400
                     ? c.getInputStream() : c.getErrorStream()) {
                answer = is == null ? new byte[0] : is.readAllBytes();
            }
            String text = new String(answer, StandardCharsets.UTF_8);
            if (status != 200 || text.contains("Fault>")) {
                throw new IOException("the XMLA servlet does not answer"
                    + " (HTTP " + status + "): " + text);
            }
        } finally {
            c.disconnect();
        }
    }

    /**
     * The messages of an exception and its causes, outermost first, without
     * repeats (Mondrian often wraps a cause and repeats its text).
     */
    static String describe(Throwable e) {
        StringBuilder b = new StringBuilder();
        int depth = 0;
        for (Throwable t = e; t != null && depth < 10; t = t.getCause(), depth++) {
            String m = t.getMessage();
            if (m == null || m.isEmpty()) {
                m = t.getClass().getName();
            }
            m = m.trim();
            if (b.indexOf(m) < 0) {
                if (b.length() > 0) {
                    b.append(": ");
                }
                b.append(m);
            }
            if (t.getCause() == t) {
                break;
            }
        }
        return b.toString();
    }

    /** The database, the schema and the connections the server shares. */
    static final class Engine {
        final String catalog;
        final String schemaUrl;
        final String h2Url;
        /** Keeps the in-memory database alive; also serves /sql. */
        final Connection sql;
        /** Mondrian connection used for DRILLTHROUGH. */
        final org.olap4j.OlapConnection olap;

        private Engine(String catalog, String schemaUrl, String h2Url,
                       Connection sql, org.olap4j.OlapConnection olap) {
            this.catalog = catalog;
            this.schemaUrl = schemaUrl;
            this.h2Url = h2Url;
            this.sql = sql;
            this.olap = olap;
        }

        static Engine open(String schema, String data, String db)
            throws Exception {
            // Mondrian's native FILTER evaluation drops rows of
            // FILTER(level.Members, IsEmpty(measure)); evaluate in memory.
            mondrian.olap.MondrianProperties.instance().EnableNativeFilter
                .set(false);

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
            String catalog = schemaName(schemaPath);

            // Unquoted SQL names fold to lower case, like the quoted
            // lower-case names Mondrian generates from the schema.
            String h2Url = "jdbc:h2:mem:" + db + ";DATABASE_TO_LOWER=TRUE";
            Class.forName("org.h2.Driver");
            Connection sql = DriverManager.getConnection(h2Url);
            try (Statement st = sql.createStatement()) {
                st.execute("RUNSCRIPT FROM '"
                    + dataPath.toString().replace("'", "''")
                    + "' CHARSET 'UTF-8'");
            }

            String schemaUrl = schemaPath.toUri().toString();
            Class.forName("mondrian.olap4j.MondrianOlap4jDriver");
            Connection c = DriverManager.getConnection("jdbc:mondrian:"
                + connectString(h2Url, schemaUrl));
            org.olap4j.OlapConnection olap =
                c.unwrap(org.olap4j.OlapConnection.class);
            // Loads the schema now, so a broken schema fails start-up.
            olap.getOlapSchema().getCubes().size();
            return new Engine(catalog, schemaUrl, h2Url, sql, olap);
        }

        static String connectString(String h2Url, String schemaUrl) {
            return "Jdbc=" + quote(h2Url)
                + ";JdbcDrivers=org.h2.Driver"
                + ";Catalog=" + quote(schemaUrl)
                + ";Locale=en_US";
        }

        /** Mondrian's data sources file, naming one catalog: the schema. */
        String dataSourcesXml(String url) {
            return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                + "<DataSources><DataSource>"
                + "<DataSourceName>" + Xml.escape(dataSourceName())
                + "</DataSourceName>"
                + "<DataSourceDescription>mdxgen embedded engine"
                + "</DataSourceDescription>"
                + "<URL>" + Xml.escape(url) + "</URL>"
                + "<DataSourceInfo>" + Xml.escape("Provider=mondrian;Jdbc="
                    + quote(h2Url) + ";JdbcDrivers=org.h2.Driver;Locale=en_US")
                + "</DataSourceInfo>"
                + "<ProviderName>Mondrian</ProviderName>"
                + "<ProviderType>MDP</ProviderType>"
                + "<AuthenticationMode>Unauthenticated</AuthenticationMode>"
                + "<Catalogs><Catalog name=\"" + Xml.escape(catalog) + "\">"
                + "<Definition>" + Xml.escape(schemaUrl) + "</Definition>"
                + "</Catalog></Catalogs>"
                + "</DataSource></DataSources>";
        }

        String dataSourceName() {
            return "Provider=Mondrian;DataSource=mdxgen";
        }

        /** Quotes a value for a Mondrian connect string. */
        private static String quote(String value) {
            return "'" + value.replace("'", "''") + "'";
        }

        /** The name attribute of the schema's root element. */
        private static String schemaName(Path schemaPath) throws Exception {
            DocumentBuilderFactory f = Xml.safeFactory();
            org.w3c.dom.Element root =
                f.newDocumentBuilder().parse(schemaPath.toFile())
                    .getDocumentElement();
            String name = root.getAttribute("name");
            if (name.isEmpty()) {
                throw new IOException("schema " + schemaPath + " has no name");
            }
            return name;
        }
    }
}

/*
 * Small XML helpers shared by the XMLA server's classes.
 */

import javax.xml.XMLConstants;
import javax.xml.parsers.DocumentBuilderFactory;
import javax.xml.parsers.ParserConfigurationException;

final class Xml {
    private Xml() {
    }

    /** Escapes text for element content and double-quoted attributes. */
    static String escape(String s) {
        StringBuilder b = new StringBuilder(s.length() + 16);
        escape(s, b);
        return b.toString();
    }

    static void escape(String s, StringBuilder b) {
        for (int i = 0; i < s.length(); i++) {
            char c = s.charAt(i);
            switch (c) {
                case '&': b.append("&amp;"); break;
                case '<': b.append("&lt;"); break;
                case '>': b.append("&gt;"); break;
                case '"': b.append("&quot;"); break;
                case '\r': b.append("&#13;"); break;
                default:
                    // Characters XML 1.0 cannot carry are dropped.
                    if (c < 0x20 && c != '\t' && c != '\n') {
                        break;
                    }
                    if (c == 0xFFFE || c == 0xFFFF) {
                        break;
                    }
                    b.append(c);
            }
        }
    }

    /** A namespace-aware parser factory that refuses DTDs and entities. */
    static DocumentBuilderFactory safeFactory()
        throws ParserConfigurationException {
        DocumentBuilderFactory f = DocumentBuilderFactory.newInstance();
        f.setNamespaceAware(true);
        f.setFeature("http://apache.org/xml/features/disallow-doctype-decl",
            true);
        f.setFeature(XMLConstants.FEATURE_SECURE_PROCESSING, true);
        f.setXIncludeAware(false);
        f.setExpandEntityReferences(false);
        return f;
    }
}

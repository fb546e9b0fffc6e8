// The answer readers over an open pull reader, shared by the client and the
// public readCellSet and readRowset.
#pragma once

#include <string>

#include "mdxgen/xmla.h"
#include "xmla/xml_reader.h"

namespace mdxgen {
namespace xmla {

struct Envelope {
  std::string session_id;  // from a Session header, if any
};

// Reads up to the start of the body's first element, noting the headers.
Envelope openEnvelope(XmlReader& reader);
// From the body's first element: throws a fault as Error(kServer); moves to
// the start of return/root and says whether there is one.
bool enterRoot(XmlReader& reader);
CellSet readCellSet(XmlReader& reader);
Rowset readRowset(XmlReader& reader);

}  // namespace xmla
}  // namespace mdxgen

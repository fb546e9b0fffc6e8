// The SOAP envelopes of the requests the client sends.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "mdxgen/xmla.h"

namespace mdxgen {
namespace xmla {

// Which session header a request carries.
enum class SessionHeader { kNone, kBegin, kSession, kEnd };

// An Execute of a statement. format is "Multidimensional" or "Tabular".
std::string executeEnvelope(std::string_view statement, const Properties& properties,
                            std::string_view format, SessionHeader header,
                            std::string_view session_id);

// A Discover of a schema rowset with restrictions by column name.
std::string discoverEnvelope(std::string_view request_type,
                             const std::vector<std::pair<std::string, std::string>>& restrictions,
                             const Properties& properties, SessionHeader header,
                             std::string_view session_id);

}  // namespace xmla
}  // namespace mdxgen

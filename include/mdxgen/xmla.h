/// \file
/// mdxgen::xmla: a client of the XML for Analysis 1.1 protocol (SOAP over
/// HTTP), sending statement texts to an OLAP server and reading its answers.
///
/// Example:
///
///     mdxgen::xmla::ClientOptions options;
///     options.url = "http://127.0.0.1:8080/xmla";
///     mdxgen::xmla::Client client(options);
///     mdxgen::xmla::Properties properties;
///     properties.catalog = "Sample";
///     mdxgen::xmla::CellSet result = client.execute(
///         "SELECT {[Measures].[Unit Sales]} ON COLUMNS FROM [Sales]", properties);
///     for (const mdxgen::xmla::Cell& cell : result.cells)
///       std::cout << cell.ordinal << ": " << cell.formatted_value << "\n";
///
/// The library knows HTTP and XML only: it takes a statement's text as the
/// caller wrote it and returns a cell set or a rowset. All texts are UTF-8.
/// A Client serves one thread at a time; several clients may run on several
/// threads at once. Every failure is thrown as mdxgen::xmla::Error.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "mdxgen/export.h"

namespace mdxgen {
namespace xmla {

/// What went wrong, one value per way a request can fail.
enum class ErrorKind {
  /// The server answered with a SOAP fault or an XMLA Exception/Error element;
  /// Error::code() and Error::description() carry the server's own words.
  kServer,
  /// The server answered with an HTTP status other than 200 and no fault in
  /// the body (a redirect that was not allowed lands here too).
  kHttpStatus,
  /// The connection was refused, reset or closed before a whole answer came.
  kConnection,
  /// The connect timeout or the total timeout passed.
  kTimeout,
  /// The TLS handshake failed: certificate or host name not verified.
  kTls,
  /// The answer grew past ClientOptions::max_response_bytes.
  kTooLarge,
  /// The answer is not well-formed XML, carries a DOCTYPE, or has not the
  /// shape the request expects.
  kBadResponse,
  /// The caller's arguments were refused before anything was sent.
  kInvalidArgument,
};

/// The name of a kind, such as "server" or "timeout".
MDXGEN_API const char* errorKindName(ErrorKind kind);

/// The one exception type of the client. what() is a complete sentence for
/// people; kind() is for programs. Passwords never appear in it.
class MDXGEN_API Error : public std::runtime_error {
 public:
  /// message becomes what(); code, description and http_status as below.
  Error(ErrorKind kind, const std::string& message, std::string code = {},
        std::string description = {}, long http_status = 0);

  /// Which kind of failure this is.
  ErrorKind kind() const noexcept { return kind_; }
  /// The server's error or fault code, for kServer; empty otherwise.
  const std::string& code() const noexcept { return code_; }
  /// The server's description of the error, for kServer; empty otherwise.
  const std::string& description() const noexcept { return description_; }
  /// The HTTP status of the answer, where one came; 0 otherwise.
  long httpStatus() const noexcept { return http_status_; }

 private:
  ErrorKind kind_;
  std::string code_;
  std::string description_;
  long http_status_;
};

/// How a Client reaches its server. Only url is required.
struct ClientOptions {
  /// The XMLA endpoint, http:// or https://. Other schemes are refused.
  std::string url;
  /// HTTP basic authentication, sent only when user is not empty. The
  /// password is handed to the transport and never logged or put in an error.
  std::string user;
  /// The password for user; handed to the transport only.
  std::string password;
  /// A PEM file of certificate authorities to trust for https://, instead of
  /// the system's store.
  std::string ca_file;
  /// Certificate and host-name verification for https://. Setting this to
  /// true turns both off and lets anyone in the middle read and change the
  /// traffic: meant only for a test server one controls.
  bool insecure_skip_verify = false;
  /// Whether HTTP redirects are followed (at most 5, http and https only).
  /// When false, a redirect fails with ErrorKind::kHttpStatus.
  bool follow_redirects = false;
  /// The largest answer read, after decompression; a larger one fails with
  /// ErrorKind::kTooLarge. 256 MiB unless changed (for example to 1 GiB).
  std::size_t max_response_bytes = std::size_t{256} << 20;
  /// The longest wait for the connection to open.
  std::chrono::milliseconds connect_timeout{10000};
  /// The longest wait for a whole request, answer included.
  std::chrono::milliseconds timeout{300000};
};

/// The XMLA properties sent with each request. Empty members are left out.
struct Properties {
  std::string data_source_info;   ///< DataSourceInfo
  std::string catalog;            ///< Catalog
  std::string locale_identifier;  ///< LocaleIdentifier, for example "1033"
  /// Further properties by their XMLA names, sent as given (values escaped).
  std::vector<std::pair<std::string, std::string>> extra;
};

/// A named value: a member's DIMENSION PROPERTY or a cell's CELL PROPERTY.
/// name is the property's full name where the server gave one (for example
/// "[Store].[Store Name].[Store Sqft]"), its element name otherwise.
struct Property {
  std::string name;   ///< the full name, or the element name
  std::string value;  ///< the text the server wrote
};

/// One member of a tuple on an axis.
struct Member {
  std::string hierarchy;          ///< the Hierarchy attribute, for example "Time"
  std::string unique_name;        ///< UName
  std::string caption;            ///< Caption
  std::string level_unique_name;  ///< LName
  int level_number = 0;           ///< LNum
  /// The DIMENSION PROPERTIES the axis asked for, in the server's order.
  std::vector<Property> properties;
};

/// One position (tuple) of an axis.
struct Position {
  std::vector<Member> members;  ///< one per hierarchy of the axis
};

/// An axis of a cell set: "Axis0", "Axis1", ... or "SlicerAxis".
struct Axis {
  std::string name;                ///< "Axis0", "Axis1", ... or "SlicerAxis"
  std::vector<Position> positions;  ///< in the server's order
};

/// The XML Schema type of a cell's value, from its xsi:type.
/// kError: the server put an Error element in the value; Cell::value then
/// holds the error's description.
enum class ValueType { kEmpty, kString, kDouble, kFloat, kDecimal, kInteger, kBoolean, kOther, kError };

/// One cell. Cells the server leaves out are empty and have no Cell.
struct Cell {
  std::uint64_t ordinal = 0;  ///< CellOrdinal: axis 0 varies fastest
  ValueType type = ValueType::kEmpty;  ///< from the Value's xsi:type
  std::string value;            ///< Value, as the server wrote it
  std::string formatted_value;  ///< FmtValue
  /// The other CELL PROPERTIES the statement asked for (FORMAT_STRING, ...).
  std::vector<Property> properties;
};

/// The answer to a multidimensional Execute.
struct MDXGEN_API CellSet {
  std::string cube;  ///< CubeName, as the server named the cube
  std::vector<Axis> axes;  ///< Axis0, Axis1, ... in order
  Axis slicer;             ///< SlicerAxis; no positions when the server sent none
  std::vector<Cell> cells;  ///< by increasing ordinal

  /// The cell at an ordinal, or nullptr when the server left it out (empty).
  /// Logarithmic in the number of cells.
  const Cell* cell(std::uint64_t ordinal) const;
};

/// A column of a rowset: name as in the rows' elements, field as the server
/// named it (the XML-decoded name when the server gave no sql:field).
struct Column {
  std::string name;   ///< the rows' element name, for example "Unit_x0020_Sales"
  std::string field;  ///< the column's own name, for example "Unit Sales"
};

/// The answer to a Discover or a tabular Execute (DRILLTHROUGH).
struct MDXGEN_API Rowset {
  std::vector<Column> columns;  ///< from the inline schema, then any others the rows use
  /// One entry per column in each row; nullopt where the row has no element.
  std::vector<std::vector<std::optional<std::string>>> rows;

  /// The index of the column with this name or field, or -1.
  int column(std::string_view name) const;
  /// The value at a row and a named column; empty when missing or null.
  std::string value(std::size_t row, std::string_view name) const;
};

/// Reads a multidimensional Execute answer (a whole SOAP envelope).
/// Throws Error: kServer for a fault or an Exception/Error element,
/// kBadResponse for anything not well-formed or not a cell set.
MDXGEN_API CellSet readCellSet(std::string_view response);

/// Reads a Discover or tabular Execute answer (a whole SOAP envelope). Throws
/// as readCellSet does.
MDXGEN_API Rowset readRowset(std::string_view response);

/// A connection to one XMLA server, reused from request to request. Not
/// copyable; movable (a moved-from client may only be destroyed or assigned
/// to). One thread at a time may use a client; distinct clients are
/// independent. Each request either returns a whole answer or throws Error;
/// a failed request leaves the client usable for the next one.
class MDXGEN_API Client {
 public:
  /// Checks the options (kInvalidArgument for a url that is not http:// or
  /// https://). Nothing is sent until the first request.
  explicit Client(ClientOptions options);
  ~Client();
  Client(Client&&) noexcept;             ///< Takes over the other's connection.
  Client& operator=(Client&&) noexcept;  ///< Takes over the other's connection.
  Client(const Client&) = delete;
  Client& operator=(const Client&) = delete;

  /// Executes a statement, Format=Multidimensional and AxisFormat=TupleFormat
  /// added to properties, and reads the answer's axes, slicer and cells.
  CellSet execute(std::string_view statement, const Properties& properties = {});

  /// Executes a statement, Format=Tabular added, and reads the answer's rows;
  /// for DRILLTHROUGH.
  Rowset executeTabular(std::string_view statement, const Properties& properties = {});

  /// Sends a Discover of a schema rowset (DISCOVER_DATASOURCES,
  /// DBSCHEMA_CATALOGS, MDSCHEMA_CUBES, MDSCHEMA_DIMENSIONS,
  /// MDSCHEMA_HIERARCHIES, MDSCHEMA_LEVELS, MDSCHEMA_MEMBERS,
  /// MDSCHEMA_MEASURES, ...) with restrictions by column name, and reads the
  /// rows. Refuses (kInvalidArgument) a request type or restriction name that
  /// is not an XML name.
  Rowset discover(std::string_view request_type,
                  const std::vector<std::pair<std::string, std::string>>& restrictions = {},
                  const Properties& properties = {});

  /// Opens an XMLA session: sends a DISCOVER_DATASOURCES with the
  /// BeginSession header, and every later request carries the Session header
  /// with the id the server answered. A server that answers without a Session
  /// header keeps no sessions: sessionId() stays empty and requests go
  /// without one.
  void beginSession(const Properties& properties = {});
  /// Closes the session with an EndSession header; a no-op without one.
  void endSession(const Properties& properties = {});
  /// The current session's id; empty outside a session.
  const std::string& sessionId() const;

  /// The seconds the last request took, from sending to the answer read.
  double lastSeconds() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  ///< namespace xmla
}  ///< namespace mdxgen

// The transport: one libcurl easy handle per client, one POST per request,
// the answer held in one buffer under the caller's cap and read in place.
#include <curl/curl.h>

#include <chrono>
#include <mutex>
#include <new>
#include <string>

#include "mdxgen/xmla.h"
#include "xmla/request.h"
#include "xmla/response.h"
#include "xmla/xml_reader.h"

namespace mdxgen {
namespace xmla {
namespace {

constexpr std::string_view kAction = "SOAPAction: \"urn:schemas-microsoft-com:xml-analysis:";

void initCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::string lowerScheme(const std::string& url) {
  std::size_t colon = url.find("://");
  std::string scheme = url.substr(0, colon == std::string::npos ? 0 : colon);
  for (char& c : scheme) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return scheme;
}

}  // namespace

const char* errorKindName(ErrorKind kind) {
  switch (kind) {
    case ErrorKind::kServer: return "server";
    case ErrorKind::kHttpStatus: return "http status";
    case ErrorKind::kConnection: return "connection";
    case ErrorKind::kTimeout: return "timeout";
    case ErrorKind::kTls: return "tls";
    case ErrorKind::kTooLarge: return "too large";
    case ErrorKind::kBadResponse: return "bad response";
    case ErrorKind::kInvalidArgument: return "invalid argument";
  }
  return "unknown";
}

Error::Error(ErrorKind kind, const std::string& message, std::string code,
             std::string description, long http_status)
    : std::runtime_error(message),
      kind_(kind),
      code_(std::move(code)),
      description_(std::move(description)),
      http_status_(http_status) {}

struct Client::Impl {
  ClientOptions options;
  CURL* curl = nullptr;
  std::string body;
  bool too_large = false;
  bool out_of_memory = false;
  bool reserved = false;
  std::string session_id;
  double last_seconds = 0;
  char error_text[CURL_ERROR_SIZE] = {};

  ~Impl() {
    if (curl) curl_easy_cleanup(curl);
  }

  static std::size_t onData(char* data, std::size_t size, std::size_t count, void* user) {
    auto* impl = static_cast<Impl*>(user);
    std::size_t bytes = size * count;
    if (bytes > impl->options.max_response_bytes - impl->body.size()) {
      impl->too_large = true;
      return 0;
    }
    try {
      // The announced length sizes the buffer once, so a large answer is
      // not copied while it grows.
      if (!impl->reserved) {
        impl->reserved = true;
        curl_off_t length = -1;
        if (curl_easy_getinfo(impl->curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK &&
            length > 0 && static_cast<std::uint64_t>(length) <= impl->options.max_response_bytes)
          impl->body.reserve(static_cast<std::size_t>(length));
      }
      impl->body.append(data, bytes);
    } catch (const std::bad_alloc&) {
      impl->out_of_memory = true;
      return 0;
    }
    return bytes;
  }

  void configure() {
    curl = curl_easy_init();
    if (!curl) throw Error(ErrorKind::kConnection, "The HTTP transport could not be set up.");
    curl_easy_setopt(curl, CURLOPT_URL, options.url.c_str());
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, error_text);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Impl::onData);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, this);
#if LIBCURL_VERSION_NUM >= 0x075500
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
#else
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS, CURLPROTO_HTTP | CURLPROTO_HTTPS);
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS, CURLPROTO_HTTP | CURLPROTO_HTTPS);
#endif
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, options.follow_redirects ? 1L : 0L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(curl, CURLOPT_POSTREDIR, static_cast<long>(CURL_REDIR_POST_ALL));
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(options.connect_timeout.count()));
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(options.timeout.count()));
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE,
                     static_cast<curl_off_t>(options.max_response_bytes));
    curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, options.insecure_skip_verify ? 0L : 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, options.insecure_skip_verify ? 0L : 2L);
    if (!options.ca_file.empty()) curl_easy_setopt(curl, CURLOPT_CAINFO, options.ca_file.c_str());
    if (!options.user.empty()) {
      curl_easy_setopt(curl, CURLOPT_HTTPAUTH, CURLAUTH_BASIC);
      curl_easy_setopt(curl, CURLOPT_USERNAME, options.user.c_str());
      curl_easy_setopt(curl, CURLOPT_PASSWORD, options.password.c_str());
    }
  }

  [[noreturn]] void throwTransport(CURLcode code) {
    std::string detail = error_text[0] ? error_text : curl_easy_strerror(code);
    if (too_large || code == CURLE_FILESIZE_EXCEEDED)
      throw Error(ErrorKind::kTooLarge, "The server's answer is larger than the limit of " +
                                            std::to_string(options.max_response_bytes) + " bytes.");
    if (out_of_memory) throw std::bad_alloc();
    switch (code) {
      case CURLE_OPERATION_TIMEDOUT:
        throw Error(ErrorKind::kTimeout, "The XMLA server did not answer in time: " + detail + ".");
      case CURLE_PEER_FAILED_VERIFICATION:
      case CURLE_SSL_CONNECT_ERROR:
      case CURLE_SSL_CERTPROBLEM:
      case CURLE_SSL_CIPHER:
      case CURLE_SSL_CACERT_BADFILE:
      case CURLE_SSL_ISSUER_ERROR:
      case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
      case CURLE_SSL_INVALIDCERTSTATUS:
        throw Error(ErrorKind::kTls, "The XMLA server's certificate was refused: " + detail + ".");
      case CURLE_BAD_CONTENT_ENCODING:
        throw Error(ErrorKind::kBadResponse, "The server's answer could not be decompressed: " +
                                                 detail + ".");
      default:
        throw Error(ErrorKind::kConnection, "The XMLA server could not be reached: " + detail + ".");
    }
  }

  // Sends one envelope and returns a reader over the answer, past its
  // headers; a fault in a non-200 answer is the server's error.
  template <class Read>
  auto post(std::string_view action, const std::string& envelope, bool begin, Read&& read) {
    auto started = std::chrono::steady_clock::now();
    std::string head = std::string(kAction) + std::string(action) + "\"";
    curl_slist* headers = nullptr;
    for (const char* line : {"Content-Type: text/xml; charset=utf-8", "Accept: text/xml",
                             "Expect:", head.c_str()}) {
      curl_slist* grown = curl_slist_append(headers, line);
      if (!grown) {
        curl_slist_free_all(headers);
        throw std::bad_alloc();
      }
      headers = grown;
    }
    std::string().swap(body);
    too_large = out_of_memory = reserved = false;
    error_text[0] = '\0';
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, envelope.data());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(envelope.size()));
    CURLcode code = curl_easy_perform(curl);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, nullptr);
    curl_slist_free_all(headers);
    // The answer's buffer is released whatever happens next.
    struct Release {
      std::string& body;
      ~Release() { std::string().swap(body); }
    } release{body};
    if (code != CURLE_OK) throwTransport(code);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    if (status >= 300 && status < 400)
      throw Error(ErrorKind::kHttpStatus,
                  "The XMLA server answered with a redirect (HTTP " + std::to_string(status) +
                      "), which is not followed unless allowed.", {}, {}, status);
    if (status != 200) {
      // Servers send faults with status 500; anything else is the status.
      try {
        XmlReader reader(body);
        openEnvelope(reader);
        enterRoot(reader);
      } catch (const Error& error) {
        if (error.kind() == ErrorKind::kServer)
          throw Error(ErrorKind::kServer, error.what(), error.code(), error.description(), status);
      }
      throw Error(ErrorKind::kHttpStatus,
                  "The XMLA server answered HTTP " + std::to_string(status) + ".", {}, {}, status);
    }
    XmlReader reader(body);
    Envelope answer = openEnvelope(reader);
    if (begin) session_id = answer.session_id;
    auto result = read(reader);
    last_seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return result;
  }

  SessionHeader header() const {
    return session_id.empty() ? SessionHeader::kNone : SessionHeader::kSession;
  }
};

Client::Client(ClientOptions options) : impl_(std::make_unique<Impl>()) {
  std::string scheme = lowerScheme(options.url);
  if (scheme != "http" && scheme != "https")
    throw Error(ErrorKind::kInvalidArgument, "The XMLA server's URL must start with http:// or https://.");
  std::size_t authority = options.url.find("://") + 3;
  std::size_t path = options.url.find_first_of("/?#", authority);
  if (options.url.substr(authority, path - authority).find('@') != std::string::npos)
    throw Error(ErrorKind::kInvalidArgument,
                "The XMLA server's URL must not carry credentials; set user and password instead.");
  if (options.max_response_bytes == 0)
    throw Error(ErrorKind::kInvalidArgument, "The response size limit must be above zero.");
  initCurlOnce();
  impl_->options = std::move(options);
  impl_->configure();
}

Client::~Client() = default;
Client::Client(Client&&) noexcept = default;
Client& Client::operator=(Client&&) noexcept = default;

CellSet Client::execute(std::string_view statement, const Properties& properties) {
  std::string envelope = executeEnvelope(statement, properties, "Multidimensional",
                                         impl_->header(), impl_->session_id);
  return impl_->post("Execute", envelope, false,
                     [](XmlReader& reader) { return readCellSet(reader); });
}

Rowset Client::executeTabular(std::string_view statement, const Properties& properties) {
  std::string envelope =
      executeEnvelope(statement, properties, "Tabular", impl_->header(), impl_->session_id);
  return impl_->post("Execute", envelope, false, [](XmlReader& reader) { return readRowset(reader); });
}

Rowset Client::discover(std::string_view request_type,
                        const std::vector<std::pair<std::string, std::string>>& restrictions,
                        const Properties& properties) {
  std::string envelope = discoverEnvelope(request_type, restrictions, properties, impl_->header(),
                                          impl_->session_id);
  return impl_->post("Discover", envelope, false, [](XmlReader& reader) { return readRowset(reader); });
}

void Client::beginSession(const Properties& properties) {
  std::string envelope =
      discoverEnvelope("DISCOVER_DATASOURCES", {}, properties, SessionHeader::kBegin, {});
  impl_->post("Discover", envelope, true, [](XmlReader& reader) { return readRowset(reader); });
}

void Client::endSession(const Properties& properties) {
  if (impl_->session_id.empty()) return;
  std::string envelope = discoverEnvelope("DISCOVER_DATASOURCES", {}, properties,
                                          SessionHeader::kEnd, impl_->session_id);
  // The session is over on this side whatever the server answers.
  std::string().swap(impl_->session_id);
  impl_->post("Discover", envelope, false, [](XmlReader& reader) { return readRowset(reader); });
}

const std::string& Client::sessionId() const { return impl_->session_id; }

double Client::lastSeconds() const { return impl_->last_seconds; }

}  // namespace xmla
}  // namespace mdxgen

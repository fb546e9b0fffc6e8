#include "mdxgen/support/registry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "mdxgen/support/core_log.h"

namespace {

const char kFileVariable[] = "ORVO_REGISTRY";

struct RootName {
  int root;
  const wchar_t* name;
};

const RootName kRootNames[] = {
    {RegistryWrapper::kClassesRoot, L"HKEY_CLASSES_ROOT"},
    {RegistryWrapper::kCurrentUser, L"HKEY_CURRENT_USER"},
    {RegistryWrapper::kLocalMachine, L"HKEY_LOCAL_MACHINE"},
    {RegistryWrapper::kUsers, L"HKEY_USERS"},
    {RegistryWrapper::kCurrentConfig, L"HKEY_CURRENT_CONFIG"},
};

const wchar_t* rootName(int root) {
  for (const auto& r : kRootNames) {
    if (r.root == root) return r.name;
  }
  return nullptr;
}

// The case rule of VelaString::toUpper, independent of the process locale:
// ASCII and the Latin-1 letters.
wchar_t upperChar(wchar_t c) {
  const bool lower = (c >= L'a' && c <= L'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7);
  return lower ? static_cast<wchar_t>(c - 0x20) : c;
}

bool equalNoCase(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (upperChar(a[i]) != upperChar(b[i])) return false;
  }
  return true;
}

bool isBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

std::wstring_view trimLeft(std::wstring_view s) {
  std::size_t i = 0;
  while (i < s.size() && isBlank(s[i])) ++i;
  return s.substr(i);
}

std::wstring_view trimRight(std::wstring_view s) {
  std::size_t n = s.size();
  while (n > 0 && (isBlank(s[n - 1]) || s[n - 1] == L'\r')) --n;
  return s.substr(0, n);
}

bool startsWithNoCase(std::wstring_view s, std::wstring_view prefix) {
  return equalNoCase(s.substr(0, std::min(s.size(), prefix.size())), prefix);
}

int hexDigit(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

// What a file holds for the value asked for.
struct Value {
  enum Kind { kAbsent, kString, kDword } kind = kAbsent;
  std::wstring text;
  std::uint32_t dword = 0;
};

// Why a file cannot be used, and where (line 0: the file as a whole).
struct Problem {
  std::size_t line = 0;
  std::string what;
};

// Splits decoded text into lines at LF; a CR before the LF is dropped by
// the trimming of each line.
std::vector<std::wstring_view> splitLines(std::wstring_view text) {
  std::vector<std::wstring_view> lines;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find(L'\n', start);
    if (end == std::wstring_view::npos) {
      lines.push_back(text.substr(start));
      return lines;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
}

// UTF-16LE after its byte-order mark; surrogate pairs become one character,
// a lone surrogate stands for itself.
bool decodeUtf16(std::string_view bytes, std::wstring& out) {
  if (bytes.size() % 2 != 0) return false;
  out.reserve(bytes.size() / 2);
  auto unit = [&](std::size_t i) {
    return static_cast<char32_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                 static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
  };
  const std::size_t count = bytes.size() / 2;
  for (std::size_t i = 0; i < count; ++i) {
    char32_t c = unit(i);
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < count) {
      const char32_t low = unit(i + 1);
      if (low >= 0xDC00 && low < 0xE000) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    out += static_cast<wchar_t>(c);
  }
  return true;
}

// Reads the file whole. False with a problem when it exists but cannot be
// used; false without one when it does not exist.
bool readFile(const char* path, std::string& bytes, Problem& problem) {
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno != ENOENT && errno != ENOTDIR) {
      problem.what = "cannot be opened: " + std::generic_category().message(errno);
    }
    return false;
  }
  struct stat st {};
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  if (!ok) {
    problem.what = "is not a regular file";
  } else if (static_cast<unsigned long long>(st.st_size) > RegistryWrapper::kMaxFileSize) {
    problem.what = "is larger than 16 MiB";
    ok = false;
  } else {
    // The size is a hint: the file may change while it is read, and the
    // limit holds whatever it grows to.
    bytes.resize(static_cast<std::size_t>(st.st_size) + 1);
    std::size_t size = 0;
    for (;;) {
      if (size == bytes.size()) {
        if (size > RegistryWrapper::kMaxFileSize) break;
        bytes.resize(size * 2);
      }
      const ssize_t n = ::read(fd, &bytes[size], bytes.size() - size);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        problem.what = "cannot be read: " + std::generic_category().message(errno);
        ok = false;
        break;
      }
      if (n == 0) break;
      size += static_cast<std::size_t>(n);
    }
    bytes.resize(size);
    if (ok && size > RegistryWrapper::kMaxFileSize) {
      problem.what = "is larger than 16 MiB";
      ok = false;
    }
  }
  ::close(fd);
  return ok;
}

// Walks a registry export and keeps the last setting of one value of one
// key. Every line is checked, so a file is used only when all of it is
// well formed.
class ExportReader {
 public:
  ExportReader(std::wstring_view rootName, const VelaString& keyPath, const VelaString& valueName)
      : key_(std::wstring(rootName) + L'\\' + keyPath.wstr()), valueName_(valueName.wstr()) {}

  // False with the problem when the text is not a well-formed export.
  bool read(std::wstring_view text, Value& found, Problem& problem) {
    const std::vector<std::wstring_view> lines = splitLines(text);
    const std::wstring_view header = trimRight(lines[0]);
    if (header != L"Windows Registry Editor Version 5.00" && header != L"REGEDIT4") {
      return fail(problem, 1, "does not start with a registry editor header");
    }
    for (std::size_t i = 1; i < lines.size(); ++i) {
      const std::wstring_view line = trimRight(trimLeft(lines[i]));
      if (line.empty() || line[0] == L';') continue;
      const std::size_t number = i + 1;
      bool ok = false;
      if (line[0] == L'[') {
        ok = keyLine(line, problem, number);
      } else if (line[0] == L'"') {
        ok = valueLine(line, found, problem, number);
      } else {
        ok = fail(problem, number, "is neither a key nor a value");
      }
      if (!ok) return false;
    }
    return true;
  }

 private:
  static bool fail(Problem& problem, std::size_t line, const char* what) {
    problem.line = line;
    problem.what = what;
    return false;
  }

  bool keyLine(std::wstring_view line, Problem& problem, std::size_t number) {
    if (line.size() < 2 || line.back() != L']') {
      return fail(problem, number, "key line without a closing bracket");
    }
    const std::wstring_view path = line.substr(1, line.size() - 2);
    const std::wstring_view root = path.substr(0, path.find(L'\\'));
    bool known = false;
    for (const auto& r : kRootNames) known = known || equalNoCase(root, r.name);
    if (!known) return fail(problem, number, "key line without a known root");
    haveKey_ = true;
    inKey_ = equalNoCase(path, key_);
    return true;
  }

  // Reads a quoted string starting at s[pos] == '"'; pos ends after the
  // closing quote.
  static bool quoted(std::wstring_view s, std::size_t& pos, std::wstring& out, Problem& problem,
                     std::size_t number) {
    out.clear();
    for (++pos; pos < s.size(); ++pos) {
      const wchar_t c = s[pos];
      if (c == L'"') {
        ++pos;
        return true;
      }
      if (c == L'\\') {
        if (pos + 1 >= s.size() || (s[pos + 1] != L'\\' && s[pos + 1] != L'"')) {
          return fail(problem, number, "unknown escape in a string");
        }
        ++pos;
      }
      out += s[pos];
    }
    return fail(problem, number, "unterminated string");
  }

  // A value line: a quoted name, "=", and a string or a dword.
  bool valueLine(std::wstring_view line, Value& found, Problem& problem, std::size_t number) {
    if (!haveKey_) return fail(problem, number, "value before any key line");
    std::wstring name;
    std::size_t pos = 0;
    if (!quoted(line, pos, name, problem, number)) return false;
    std::wstring_view rest = trimLeft(line.substr(pos));
    if (rest.empty() || rest[0] != L'=') return fail(problem, number, "value without '='");
    rest = trimLeft(rest.substr(1));

    Value value;
    if (!rest.empty() && rest[0] == L'"') {
      pos = 0;
      if (!quoted(rest, pos, value.text, problem, number)) return false;
      if (pos != rest.size()) return fail(problem, number, "text after a string value");
      value.kind = Value::kString;
    } else if (startsWithNoCase(rest, L"dword:")) {
      const std::wstring_view digits = rest.substr(6);
      if (digits.empty() || digits.size() > 8) return fail(problem, number, "malformed dword");
      for (const wchar_t c : digits) {
        const int d = hexDigit(c);
        if (d < 0) return fail(problem, number, "malformed dword");
        value.dword = value.dword << 4 | static_cast<std::uint32_t>(d);
      }
      value.kind = Value::kDword;
    } else {
      return fail(problem, number, "unknown value type");
    }
    if (inKey_ && equalNoCase(name, valueName_)) found = std::move(value);
    return true;
  }

  std::wstring key_;
  std::wstring valueName_;
  bool haveKey_ = false;
  bool inKey_ = false;
};

void warn(const char* path, const Problem& problem) {
  static const std::string unit = support_dll::CoreLog::getUnitString(L"SUPPORT", L"Registry");
  const VelaString file = VelaString::fromUtf8(path);
  const VelaString line(std::to_wstring(problem.line));
  const VelaString what = VelaString::fromUtf8(problem.what);
  const wchar_t* inserts[] = {file.c_str(), line.c_str(), what.c_str()};
  support_dll::getLogObject()->log(RegistryWrapper::kMalformedFileWarning, 2, unit, __FILE__,
                                   __LINE__, "RegistryWrapper::readRegKeyValue", 3, inserts);
}

// The value as the file named by the variable holds it now; kAbsent when
// there is none or the file cannot be used.
Value lookUp(int root, const VelaString& keyPath, const VelaString& valueName) {
  const char* path = std::getenv(kFileVariable);
  const wchar_t* name = rootName(root);
  if (path == nullptr || *path == '\0' || name == nullptr) return Value();

  std::string bytes;
  Problem problem;
  if (!readFile(path, bytes, problem)) {
    if (!problem.what.empty()) warn(path, problem);
    return Value();
  }
  std::wstring text;
  const std::string_view view(bytes);
  if (view.substr(0, 2) == "\xFF\xFE") {
    if (!decodeUtf16(view.substr(2), text)) {
      warn(path, Problem{0, "UTF-16 text with an odd number of bytes"});
      return Value();
    }
  } else {
    VelaString decoded =
        VelaString::fromUtf8(view.substr(0, 3) == "\xEF\xBB\xBF" ? view.substr(3) : view);
    text = std::move(decoded.wstr());
  }

  Value found;
  if (!ExportReader(name, keyPath, valueName).read(text, found, problem)) {
    warn(path, problem);
    return Value();
  }
  return found;
}

}  // namespace

bool RegistryWrapper::readRegKeyValue(int root, const VelaString& keyPath,
                                      const VelaString& valueName, VelaString& out) {
  Value value = lookUp(root, keyPath, valueName);
  if (value.kind != Value::kString) return false;
  out = std::move(value.text);
  return true;
}

bool RegistryWrapper::readRegKeyValue(int root, const VelaString& keyPath,
                                      const VelaString& valueName, bool& out) {
  const Value value = lookUp(root, keyPath, valueName);
  switch (value.kind) {
    case Value::kDword: out = value.dword != 0; return true;
    case Value::kString: out = value.text == L"1" || equalNoCase(value.text, L"true"); return true;
    default: return false;
  }
}

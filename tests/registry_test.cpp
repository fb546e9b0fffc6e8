// The registry stand-in: registry export files in every encoding and line
// end, value types, case, removals, and files that cannot be used.
#include <gtest/gtest.h>

#include <unistd.h>

#include <optional>
#include <string>

#include "mdxgen/mdxgen.h"
#include "tests/log_capture.h"
#include "tests/temp_files.h"

namespace {

const wchar_t kKey[] = L"Software\\Quillon\\Ardent Suite 2\\ORVO\\Log\\Modules\\ODBOMODULE";
const std::string kKeyLine =
    "[HKEY_LOCAL_MACHINE\\Software\\Quillon\\Ardent Suite 2\\ORVO\\Log\\Modules\\ODBOMODULE]\n";
const std::string kV5 = "Windows Registry Editor Version 5.00\n\n";

// UTF-8 text as UTF-16LE with its byte-order mark.
std::string utf16le(const std::string& utf8) {
  std::string out = "\xFF\xFE";
  auto unit = [&out](unsigned u) {
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>(u >> 8);
  };
  const VelaString text = VelaString::fromUtf8(utf8);
  for (const wchar_t c : text.wstr()) {
    const auto code = static_cast<unsigned>(c);
    if (code >= 0x10000) {
      unit(0xD800 + ((code - 0x10000) >> 10));
      unit(0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
      unit(code);
    }
  }
  return out;
}

std::string crlf(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

class RegistryTest : public ::testing::Test {
 protected:
  // Writes the file and reads a string value from it.
  std::optional<std::string> readString(const std::string& bytes,
                                        const wchar_t* value = L"MDX Query Log",
                                        int root = RegistryWrapper::kLocalMachine) {
    writeFile(file, bytes);
    VelaString out(L"untouched");
    if (!RegistryWrapper::readRegKeyValue(root, kKey, value, out)) {
      EXPECT_TRUE(out == "untouched");
      return std::nullopt;
    }
    return out.toUtf8();
  }

  std::optional<bool> readBool(const std::string& bytes) {
    writeFile(file, bytes);
    bool out = false;
    if (!RegistryWrapper::readRegKeyValue(RegistryWrapper::kLocalMachine, kKey, L"MDX Query Clock",
                                          out)) {
      return std::nullopt;
    }
    return out;
  }

  // The records of the registry's unit among those captured.
  std::vector<support_dll::LogRecord> warnings() const {
    std::vector<support_dll::LogRecord> out;
    for (const auto& r : capture.records) {
      if (r.unit == "SUPPORT.Registry") out.push_back(r);
    }
    return out;
  }

  TempDir dir;
  std::string file = dir.path("settings.reg");
  ScopedEnv registry{"ORVO_REGISTRY", file.c_str()};
  LogCapture capture{0};
};

}  // namespace

TEST_F(RegistryTest, StringValues) {
  const std::string valueLine = "\"MDX Query Log\"=\"q.log\"\n";
  const struct {
    int line;
    std::string bytes;
    std::optional<std::string> value;
  } cases[] = {
      {__LINE__, kV5 + kKeyLine + valueLine, "q.log"},
      {__LINE__, "REGEDIT4\n\n" + kKeyLine + valueLine, "q.log"},
      {__LINE__, crlf(kV5 + kKeyLine + valueLine), "q.log"},
      {__LINE__, "\xEF\xBB\xBF" + crlf(kV5 + kKeyLine + valueLine), "q.log"},
      {__LINE__, "\xEF\xBB\xBF" + kV5 + kKeyLine + valueLine, "q.log"},
      {__LINE__, utf16le(crlf(kV5 + kKeyLine + "\"MDX Query Log\"=\"Zürich 😀.log\"\n")),
       "Zürich 😀.log"},
      {__LINE__, utf16le(kV5 + kKeyLine + valueLine), "q.log"},
      {__LINE__, kV5 + kKeyLine + "\"MDX Query Log\"=\"Zürich.log\"\n", "Zürich.log"},
      {__LINE__, kV5 + kKeyLine + R"("MDX Query Log"="C:\\logs\\a \"b\".log")" + "\n",
       R"(C:\logs\a "b".log)"},
      {__LINE__, kV5 + kKeyLine + "\"MDX Query Log\"=\"\"\n", ""},
      // Key paths and value names without regard to case.
      {__LINE__,
       kV5 + "[hkey_local_machine\\SOFTWARE\\quillon\\ARDENT suite 2\\orvo\\log\\MODULES\\OdboModule]\n"
             "\"mdx QUERY log\"=\"q.log\"\n",
       "q.log"},
      // Comments, blanks, hex data over several lines, the default value.
      {__LINE__,
       kV5 + "; the query log\n" + kKeyLine +
           "@=\"default\"\n"
           "\"Bin\"=hex:01,02,\\\n  03,ff\n"
           "  \"MDX Query Log\" = \"q.log\"  \r\n"
           "\"Multi\"=hex(7):41,00,00,00,\\\n"
           "  00,00\n",
       "q.log"},
      // The last setting holds; a removal removes.
      {__LINE__, kV5 + kKeyLine + valueLine + kKeyLine + "\"MDX Query Log\"=\"second.log\"\n",
       "second.log"},
      {__LINE__, kV5 + kKeyLine + valueLine + "\"MDX Query Log\"=-\n", std::nullopt},
      {__LINE__, kV5 + kKeyLine + valueLine + "[-HKEY_LOCAL_MACHINE\\Software\\Quillon]\n",
       std::nullopt},
      {__LINE__, kV5 + kKeyLine + valueLine + "[-HKEY_LOCAL_MACHINE\\Software\\Quill]\n", "q.log"},
      {__LINE__, kV5 + "[-HKEY_LOCAL_MACHINE\\Software\\Quillon]\n" + kKeyLine + valueLine, "q.log"},
      // Another root, a key below, a key above, another value, another type.
      {__LINE__,
       kV5 + "[HKEY_CURRENT_USER\\Software\\Quillon\\Ardent Suite 2\\ORVO\\Log\\Modules\\ODBOMODULE]\n" +
           valueLine,
       std::nullopt},
      {__LINE__,
       kV5 + "[HKEY_LOCAL_MACHINE\\Software\\Quillon\\Ardent Suite 2\\ORVO\\Log\\Modules\\ODBOMODULE\\Sub]\n" +
           valueLine,
       std::nullopt},
      {__LINE__,
       kV5 + "[HKEY_LOCAL_MACHINE\\Software\\Quillon\\Ardent Suite 2\\ORVO\\Log\\Modules]\n" + valueLine,
       std::nullopt},
      {__LINE__, kV5 + kKeyLine + "\"MDX Query Logs\"=\"q.log\"\n", std::nullopt},
      {__LINE__, kV5 + kKeyLine + "\"MDX Query Log\"=dword:00000001\n", std::nullopt},
      {__LINE__, kV5 + kKeyLine + "\"MDX Query Log\"=hex(2):41,00,00,00\n", std::nullopt},
      {__LINE__, kV5 + kKeyLine, std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(readString(c.bytes), c.value) << "case at line " << c.line;
  }
  EXPECT_EQ(readString(kV5 + kKeyLine + "@=\"default\"\n", L""), "default");
  EXPECT_EQ(readString(kV5 + kKeyLine + valueLine, L"MDX Query Log", RegistryWrapper::kCurrentUser),
            std::nullopt);
  EXPECT_EQ(readString(kV5 + kKeyLine + valueLine, L"MDX Query Log", 0), std::nullopt);
  EXPECT_TRUE(warnings().empty());
}

TEST_F(RegistryTest, BooleanValues) {
  const struct {
    int line;
    std::string data;
    std::optional<bool> value;
  } cases[] = {
      {__LINE__, "dword:00000001", true},  {__LINE__, "dword:00000000", false},
      {__LINE__, "dword:0000000A", true},  {__LINE__, "DWORD:ffffffff", true},
      {__LINE__, "dword:1", true},         {__LINE__, "\"1\"", true},
      {__LINE__, "\"true\"", true},        {__LINE__, "\"True\"", true},
      {__LINE__, "\"0\"", false},          {__LINE__, "\"yes\"", false},
      {__LINE__, "\"\"", false},           {__LINE__, "\" 1\"", false},
      {__LINE__, "hex:01", std::nullopt},  {__LINE__, "-", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(readBool(kV5 + kKeyLine + "\"MDX Query Clock\"=" + c.data + "\n"), c.value)
        << "case at line " << c.line;
  }
  EXPECT_EQ(readBool(kV5 + kKeyLine), std::nullopt);
  EXPECT_TRUE(warnings().empty());
}

// A file that is not a well-formed export fails every read, even of a value
// it holds, and each read gives exactly one warning saying where.
TEST_F(RegistryTest, MalformedFiles) {
  const std::string good = kKeyLine + "\"MDX Query Log\"=\"q.log\"\n";
  const struct {
    int line;
    std::string bytes;
    const char* where;
  } cases[] = {
      {__LINE__, "", "1"},
      {__LINE__, good, "1"},
      {__LINE__, "Windows Registry Editor Version 4.00\n" + good, "1"},
      {__LINE__, utf16le(kV5 + good).substr(2), "1"},
      {__LINE__, utf16le(kV5 + good) + "x", "0"},
      {__LINE__, "\xFE\xFF" + utf16le(kV5 + good).substr(2), "1"},
      {__LINE__, kV5 + "\"MDX Query Log\"=\"q.log\"\n" + good, "3"},
      {__LINE__, kV5 + good + "\"Other\"=\"open\n", "5"},
      {__LINE__, kV5 + good + "\"Other\"=\"C:\\logs\"\n", "5"},
      {__LINE__, kV5 + good + "\"Other\"=\"a\"b\n", "5"},
      {__LINE__, kV5 + good + "\"Other\"\n", "5"},
      {__LINE__, kV5 + good + "\"Other=\"a\"\n", "5"},
      {__LINE__, kV5 + good + "\"Other\"=dword:000000001\n", "5"},
      {__LINE__, kV5 + good + "\"Other\"=dword:0000000g\n", "5"},
      {__LINE__, kV5 + good + "\"Other\"=dword:\n", "5"},
      {__LINE__, kV5 + good + "\"Other\"=qword:1\n", "5"},
      {__LINE__, kV5 + good + "\"Other\"=5\n", "5"},
      {__LINE__, kV5 + good + "\"Other\"=hex:1g\n", "5"},
      {__LINE__, kV5 + good + "\"Other\"=hex:01,,02\n", "5"},
      {__LINE__, kV5 + good + "\"Other\"=hex(2x):01\n", "5"},
      {__LINE__, kV5 + good + "\"Other\"=hex:01,\\\n  02,\\", "6"},
      {__LINE__, kV5 + good + "[HKEY_LOCAL_MACHINE\\Software\n", "5"},
      {__LINE__, kV5 + good + "[HKLM\\Software]\n", "5"},
      {__LINE__, kV5 + good + "[]\n", "5"},
      {__LINE__, kV5 + good + "MDX Query Log=q.log\n", "5"},
  };
  for (const auto& c : cases) {
    capture.records.clear();
    EXPECT_EQ(readString(c.bytes), std::nullopt) << "case at line " << c.line;
    const auto w = warnings();
    ASSERT_EQ(w.size(), 1u) << "case at line " << c.line;
    EXPECT_EQ(w[0].messageCode, RegistryWrapper::kMalformedFileWarning);
    ASSERT_EQ(w[0].inserts.size(), 3u);
    EXPECT_EQ(w[0].inserts[0].toUtf8(), file);
    EXPECT_EQ(w[0].inserts[1].toUtf8(), c.where) << "case at line " << c.line;
  }
}

TEST_F(RegistryTest, FilesThatCannotBeRead) {
  // A folder where the file should be.
  ScopedEnv folder("ORVO_REGISTRY", dir.path().c_str());
  VelaString out;
  EXPECT_FALSE(RegistryWrapper::readRegKeyValue(3, kKey, L"MDX Query Log", out));
  ASSERT_EQ(warnings().size(), 1u);
  EXPECT_EQ(warnings()[0].inserts[2].toUtf8(), "is not a regular file");

  // Larger than the limit (a sparse file: nothing is written to disk).
  capture.records.clear();
  writeFile(file, kV5 + kKeyLine + "\"MDX Query Log\"=\"q.log\"\n");
  ASSERT_EQ(::truncate(file.c_str(), RegistryWrapper::kMaxFileSize + 1), 0);
  folder.set(file);
  EXPECT_FALSE(RegistryWrapper::readRegKeyValue(3, kKey, L"MDX Query Log", out));
  ASSERT_EQ(warnings().size(), 1u);
  EXPECT_EQ(warnings()[0].inserts[2].toUtf8(), "is larger than 16 MiB");
}

// Without the variable or the file a read fails quietly; the variable is
// read at every read.
TEST_F(RegistryTest, TheVariable) {
  const std::string other = dir.path("other.reg");
  writeFile(file, kV5 + kKeyLine + "\"MDX Query Log\"=\"first.log\"\n");
  writeFile(other, kV5 + kKeyLine + "\"MDX Query Log\"=\"second.log\"\n");
  VelaString out;
  ASSERT_TRUE(RegistryWrapper::readRegKeyValue(3, kKey, L"MDX Query Log", out));
  EXPECT_TRUE(out == "first.log");
  registry.set(other);
  ASSERT_TRUE(RegistryWrapper::readRegKeyValue(3, kKey, L"MDX Query Log", out));
  EXPECT_TRUE(out == "second.log");
  writeFile(other, kV5 + kKeyLine + "\"MDX Query Log\"=\"changed.log\"\n");
  ASSERT_TRUE(RegistryWrapper::readRegKeyValue(3, kKey, L"MDX Query Log", out));
  EXPECT_TRUE(out == "changed.log");

  for (const char* value : {static_cast<const char*>(nullptr), "", "/nonexistent/settings.reg"}) {
    registry.set(value);
    EXPECT_FALSE(RegistryWrapper::readRegKeyValue(3, kKey, L"MDX Query Log", out));
  }
  registry.set(dir.path("missing.reg"));
  EXPECT_FALSE(RegistryWrapper::readRegKeyValue(3, kKey, L"MDX Query Log", out));
  EXPECT_TRUE(out == "changed.log");
  EXPECT_TRUE(warnings().empty());
}

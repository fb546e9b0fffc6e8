// The registry stand-in: export files in each encoding and line end, value
// types, case, and files that cannot be used.
#include <unistd.h>

#include <optional>

#include "tests/log_capture.h"
#include "tests/temp_files.h"
#include "tests/text_cases.h"

namespace {

const wchar_t kKey[] = L"Software\\Quillon\\Ardent Suite 2\\ORVO\\Log\\Modules\\ODBOMODULE";
const std::string kPath = VelaString(kKey).toUtf8();
const std::string kV5 = "Windows Registry Editor Version 5.00\n\n";
const std::string kKeyLine = "[HKEY_LOCAL_MACHINE\\" + kPath + "]\n";
const std::string kLog = "\"MDX Query Log\"=\"q.log\"\n";

// A version 5 file holding the key with these lines.
std::string reg(const std::string& lines) { return kV5 + kKeyLine + lines; }

// The text as UTF-16LE with its byte-order mark.
std::string utf16le(std::u16string_view text) {
  std::string out = "\xFF\xFE";
  for (const char16_t c : text) out += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  return out;
}

class RegistryTest : public ::testing::Test {
 protected:
  // Writes the file and reads a string value from it; a failed read leaves
  // the output as it was.
  std::optional<std::string> readString(const std::string& bytes,
                                        const wchar_t* value = L"MDX Query Log", int root = 3) {
    writeFile(file, bytes);
    VelaString out(L"untouched");
    if (RegistryWrapper::readRegKeyValue(root, kKey, value, out)) return out.toUtf8();
    EXPECT_TRUE(out == "untouched");
    return std::nullopt;
  }

  TempDir dir;
  std::string file = dir.path("settings.reg");
  ScopedEnv registry{"ORVO_REGISTRY", file.c_str()};
  LogCapture capture{0};
};

}  // namespace

TEST_F(RegistryTest, StringValues) {
  const std::pair<std::string, std::optional<std::string>> cases[] = {
      {reg(kLog), "q.log"},
      {"REGEDIT4\n" + kKeyLine + kLog, "q.log"},
      {"\xEF\xBB\xBFREGEDIT4\r\n" + kKeyLine + kLog, "q.log"},
      {utf16le(u"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\Software\\Quillon\\Ardent Suite 2\\ORVO\\Log\\"
               u"Modules\\ODBOMODULE]\r\n\"MDX Query Log\"=\"Zürich 😀\"\r\n"),
       "Zürich 😀"},
      {reg(R"("MDX Query Log"="C:\\logs\\a \"b\".log")"), R"(C:\logs\a "b".log)"},
      {kV5 + "[hkey_local_machine\\SOFTWARE\\quillon\\ARDENT suite 2\\orvo\\log\\modules\\"
             "OdboModule]\n\"mdx QUERY log\"=\"q.log\"\n",
       "q.log"},
      // Comments, blanks; the last setting holds.
      {reg("; comment\n\n  \"MDX Query Log\" = \"q.log\"  \r\n"), "q.log"},
      {reg(kLog) + kKeyLine + "\"MDX Query Log\"=\"second.log\"\n", "second.log"},
      // Another root, a key below, a key above, another name, another type.
      {kV5 + "[HKEY_CURRENT_USER\\" + kPath + "]\n" + kLog, std::nullopt},
      {kV5 + "[HKEY_LOCAL_MACHINE\\" + kPath + "\\Sub]\n" + kLog, std::nullopt},
      {kV5 + "[HKEY_LOCAL_MACHINE\\Software\\Quillon]\n" + kLog, std::nullopt},
      {reg("\"MDX Query Logs\"=\"q.log\"\n"), std::nullopt},
      {reg("\"MDX Query Log\"=dword:00000001\n"), std::nullopt},
  };
  for (const auto& [bytes, value] : cases) EXPECT_EQ(readString(bytes), value) << bytes;
  EXPECT_EQ(readString(reg(kLog), L"MDX Query Log", RegistryWrapper::kCurrentUser), std::nullopt);
  EXPECT_EQ(readString(reg(kLog), L"MDX Query Log", 0), std::nullopt);
  EXPECT_TRUE(capture.records.empty());
}

TEST_F(RegistryTest, BooleanValues) {
  const std::pair<const char*, std::optional<bool>> cases[] = {
      {"dword:00000001", true}, {"dword:00000000", false}, {"DWORD:0000000A", true},
      {"dword:1", true},        {"\"1\"", true},           {"\"True\"", true},
      {"\"0\"", false},         {"\"yes\"", false},        {"\" 1\"", false},
  };
  for (const auto& [data, value] : cases) {
    writeFile(file, reg(std::string("\"MDX Query Clock\"=") + data + "\n"));
    bool out = !value.value_or(true);
    const bool read = RegistryWrapper::readRegKeyValue(3, kKey, L"MDX Query Clock", out);
    EXPECT_EQ(read ? std::optional<bool>(out) : std::nullopt, value) << data;
  }
  EXPECT_TRUE(capture.records.empty());
}

// A file that is not a well-formed export fails every read, even of a value
// it holds, and each read gives exactly one warning saying where.
TEST_F(RegistryTest, MalformedFiles) {
  const std::pair<std::string, const char*> cases[] = {
      {"", "1"},
      {"Windows Registry Editor Version 4.00\n" + kKeyLine + kLog, "1"},
      {utf16le(u"REGEDIT4") + "x", "0"},
      {kV5 + kLog + kKeyLine, "3"},
      {reg(kLog + "\"Other\"=\"open\n"), "5"},
      {reg(kLog + "\"Other\"=\"C:\\logs\"\n"), "5"},
      {reg(kLog + "\"Other\"=\"a\"b\n"), "5"},
      {reg(kLog + "\"Other=\"a\"\n"), "5"},
      {reg(kLog + "\"Other\"=dword:000000001\n"), "5"},
      {reg(kLog + "\"Other\"=dword:0000000g\n"), "5"},
      {reg(kLog + "\"Other\"=qword:1\n"), "5"},
      {reg(kLog + "\"Other\"=hex:01,02\n"), "5"},
      {reg(kLog) + "[-HKEY_LOCAL_MACHINE\\Software]\n", "5"},
      {reg(kLog + "[HKEY_LOCAL_MACHINE\\Software\n"), "5"},
      {reg(kLog + "[HKLM\\Software]\n"), "5"},
      {reg(kLog + "MDX Query Log=q.log\n"), "5"},
  };
  for (const auto& [bytes, where] : cases) {
    capture.records.clear();
    EXPECT_EQ(readString(bytes), std::nullopt) << bytes;
    ASSERT_EQ(capture.records.size(), 1u) << bytes;
    const auto& warning = capture.records[0];
    EXPECT_EQ(warning.unit, "SUPPORT.Registry");
    EXPECT_EQ(warning.messageCode, RegistryWrapper::kMalformedFileWarning);
    ASSERT_EQ(warning.inserts.size(), 3u);
    EXPECT_EQ(warning.inserts[0].toUtf8(), file);
    EXPECT_EQ(warning.inserts[1].toUtf8(), where) << bytes;
  }
}

// A file too large or not a file at all is refused with a warning; without
// the variable or the file a read fails quietly; the variable and the file
// are read afresh at every read.
TEST_F(RegistryTest, TheVariableAndTheFile) {
  VelaString out;
  writeFile(file, reg(kLog));
  // Larger than the limit: a sparse file, nothing is written to disk.
  ASSERT_EQ(::truncate(file.c_str(), RegistryWrapper::kMaxFileSize + 1), 0);
  EXPECT_FALSE(RegistryWrapper::readRegKeyValue(3, kKey, L"MDX Query Log", out));
  registry.set(dir.path());
  EXPECT_FALSE(RegistryWrapper::readRegKeyValue(3, kKey, L"MDX Query Log", out));
  ASSERT_EQ(capture.records.size(), 2u);
  EXPECT_EQ(capture.records[0].inserts[2].toUtf8(), "is larger than 16 MiB");
  EXPECT_EQ(capture.records[1].inserts[2].toUtf8(), "is not a regular file");
  capture.records.clear();
  const std::string other = dir.path("other.reg");
  writeFile(other, reg("\"MDX Query Log\"=\"second.log\"\n"));
  registry.set(file);
  EXPECT_EQ(readString(reg(kLog)), "q.log");
  registry.set(other);
  ASSERT_TRUE(RegistryWrapper::readRegKeyValue(3, kKey, L"MDX Query Log", out));
  EXPECT_TRUE(out == "second.log");
  for (const char* value : {static_cast<const char*>(nullptr), "", "/nonexistent/settings.reg"}) {
    registry.set(value);
    EXPECT_FALSE(RegistryWrapper::readRegKeyValue(3, kKey, L"MDX Query Log", out));
  }
  EXPECT_TRUE(capture.records.empty());
}

// File locations and files: where a name goes, what each mode does to an
// existing file, and the bytes of a line.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "mdxgen/mdxgen.h"
#include "tests/temp_files.h"

TEST(FileLocator, WhereANameGoes) {
  const struct {
    const char* name;
    const char* tmpdir;  // nullptr: unset
    const char* path;    // "" when the name has a location of its own
  } cases[] = {
      {"/var/log/q.log", "/x", ""},      {"logs/q.log", "/x", ""},
      {"q.log", nullptr, "/tmp/q.log"},  {"q.log", "", "/tmp/q.log"},
      {"q.log", "/x/t", "/x/t/q.log"},   {"q.log", "/x/t/", "/x/t/q.log"},
  };
  for (const auto& c : cases) {
    support_dll::FileLocator locator{VelaString(c.name)};
    const bool located = *c.path == '\0';
    EXPECT_EQ(locator.isLocationSet(), located) << c.name;
    EXPECT_EQ(locator.getPath().toUtf8(), located ? c.name : "") << c.name;
    // The variable is read when the location is set, not before.
    ScopedEnv tmpdir("TMPDIR", c.tmpdir);
    if (!located) locator.setLocationToTemp();
    EXPECT_EQ(locator.getPath().toUtf8(), located ? c.name : c.path) << c.name;
  }
}

// Each mode on a file holding a line longer than the one written; the file
// afterwards, nullopt when it does not open.
TEST(File, ModesAndLines) {
  TempDir dir;
  const std::string path = dir.path("q.log"), old = "an older, longer line\n";
  const std::pair<const char*, std::optional<std::string>> cases[] = {
      {"a+", old + "Zürich 😀\n"}, {"ab", old + "Zürich 😀\n"}, {"w", "Zürich 😀\n"},
      {"r+", "Zürich 😀\nger line\n"}, {"r", old},             {"", std::nullopt},
      {"a++", std::nullopt},            {"rw", std::nullopt},     {nullptr, std::nullopt},
  };
  for (const auto& [mode, content] : cases) {
    SCOPED_TRACE(mode ? mode : "null");
    writeFile(path, old);
    File file(support_dll::FileLocator{VelaString(path.c_str())});
    EXPECT_EQ(file.open(mode), content.has_value());
    EXPECT_EQ(file.isOpen(), content.has_value());
    file.writeLine(L"Zürich 😀");
    file.close();
    EXPECT_EQ(readFile(path), content.value_or(old));
  }
  // A name without a location does not open.
  EXPECT_FALSE(File(support_dll::FileLocator{VelaString("q.log")}).open("a+"));
  // A file that is missing is created; opening again keeps appending; the
  // destructor closes.
  const auto descriptors = [] {
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                         std::filesystem::directory_iterator());
  };
  const auto before = descriptors();
  auto* file = new File(support_dll::FileLocator{VelaString(dir.path("new.log").c_str())});
  ASSERT_TRUE(file->open("a+"));
  file->writeLine(L"two\nlines");
  ASSERT_TRUE(file->open("a+"));
  file->writeLine(L"");
  EXPECT_EQ(descriptors(), before + 1);
  delete file;
  EXPECT_EQ(descriptors(), before);
  EXPECT_EQ(readFile(dir.path("new.log")), "two\nlines\n\n");
}

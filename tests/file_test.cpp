// File locations and files: where a name goes, what each mode does to an
// existing file, and the bytes of a line.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "mdxgen/mdxgen.h"
#include "tests/temp_files.h"

TEST(FileLocator, WhereANameGoes) {
  const struct {
    const char* name;
    const char* tmpdir;  // nullptr: unset
    bool locatedAsGiven;
    const char* path;    // after setLocationToTemp when not located as given
  } cases[] = {
      {"/var/log/q.log", "/x", true, "/var/log/q.log"},
      {"logs/q.log", "/x", true, "logs/q.log"},
      {"q.log", nullptr, false, "/tmp/q.log"},
      {"q.log", "", false, "/tmp/q.log"},
      {"q.log", "/x/tmp", false, "/x/tmp/q.log"},
      {"q.log", "/x/tmp/", false, "/x/tmp/q.log"},
      {"C:\\logs\\Zürich.log", "/x", false, "/x/C:\\logs\\Zürich.log"},
  };
  for (const auto& c : cases) {
    support_dll::FileLocator locator{VelaString(c.name)};
    EXPECT_EQ(locator.isLocationSet(), c.locatedAsGiven) << c.name;
    EXPECT_EQ(locator.getPath().toUtf8(), c.locatedAsGiven ? c.name : "") << c.name;
    // The variable is read when the location is set, not before.
    ScopedEnv tmpdir("TMPDIR", c.tmpdir);
    if (!locator.isLocationSet()) locator.setLocationToTemp();
    EXPECT_EQ(locator.getPath().toUtf8(), c.path) << c.name;
  }
}

// Each mode on a file holding "old\n", writing one line; the file afterwards.
TEST(File, ModesAndLines) {
  TempDir dir;
  const std::string path = dir.path("q.log");
  const struct {
    int line;
    std::string name;
    const char* mode;
    bool opens;
    const char* content;
  } cases[] = {
      {__LINE__, path, "a+", true, "old\nZürich 😀\n"},
      {__LINE__, path, "ab", true, "old\nZürich 😀\n"},
      {__LINE__, path, "w", true, "Zürich 😀\n"},
      {__LINE__, path, "r+", true, "Zürich 😀\n"},
      {__LINE__, path, "r", true, "old\n"},
      {__LINE__, path, "", false, "old\n"},
      {__LINE__, path, "a++", false, "old\n"},
      {__LINE__, path, "rw", false, "old\n"},
      {__LINE__, path, nullptr, false, "old\n"},
      {__LINE__, "q.log", "a+", false, "old\n"},  // no location
      {__LINE__, dir.path("missing/q.log"), "a+", false, "old\n"},
      {__LINE__, dir.path(), "a+", false, "old\n"},
  };
  for (const auto& c : cases) {
    writeFile(path, "old\n");
    File file(support_dll::FileLocator{VelaString(c.name.c_str())});
    EXPECT_EQ(file.open(c.mode), c.opens) << "line " << c.line;
    EXPECT_EQ(file.isOpen(), c.opens);
    file.writeLine(L"Zürich 😀");
    file.close();
    EXPECT_EQ(readFile(path), c.content) << "line " << c.line;
  }
  // A file that is missing is created; opening again keeps appending.
  File file(support_dll::FileLocator{VelaString(dir.path("new.log").c_str())});
  ASSERT_TRUE(file.open("a+"));
  file.writeLine(L"two\nlines");
  ASSERT_TRUE(file.open("a+"));
  file.writeLine(L"");
  EXPECT_EQ(readFile(dir.path("new.log")), "two\nlines\n\n");
}

TEST(File, TheDestructorCloses) {
  TempDir dir;
  auto openDescriptors = [] {
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                         std::filesystem::directory_iterator());
  };
  const auto before = openDescriptors();
  File* file = new File(support_dll::FileLocator{VelaString(dir.path("q.log").c_str())});
  ASSERT_TRUE(file->open("a+"));
  EXPECT_EQ(openDescriptors(), before + 1);
  delete file;
  EXPECT_EQ(openDescriptors(), before);
}

// File locations and files: where a name goes, what each mode does to an
// existing file, and the bytes of a line.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "mdxgen/mdxgen.h"
#include "tests/temp_files.h"

TEST(FileLocator, WhereANameGoes) {
  const struct {
    int line;
    const char* name;
    const char* tmpdir;  // nullptr: unset
    bool locatedAsGiven;
    const char* path;    // after setLocationToTemp when not located as given
  } cases[] = {
      {__LINE__, "/var/log/q.log", "/x", true, "/var/log/q.log"},
      {__LINE__, "logs/q.log", "/x", true, "logs/q.log"},
      {__LINE__, "./q.log", "/x", true, "./q.log"},
      {__LINE__, "q.log", nullptr, false, "/tmp/q.log"},
      {__LINE__, "q.log", "", false, "/tmp/q.log"},
      {__LINE__, "q.log", "/x/tmp", false, "/x/tmp/q.log"},
      {__LINE__, "q.log", "/x/tmp/", false, "/x/tmp/q.log"},
      {__LINE__, "Zürich.log", "/x", false, "/x/Zürich.log"},
      {__LINE__, "C:\\logs\\q.log", "/x", false, "/x/C:\\logs\\q.log"},
  };
  for (const auto& c : cases) {
    support_dll::FileLocator locator{VelaString(c.name)};
    EXPECT_EQ(locator.isLocationSet(), c.locatedAsGiven) << "case at line " << c.line;
    EXPECT_EQ(locator.getPath().toUtf8(), c.locatedAsGiven ? c.name : "")
        << "case at line " << c.line;
    // The variable is read when the location is set, not before.
    ScopedEnv tmpdir("TMPDIR", c.tmpdir);
    if (!locator.isLocationSet()) locator.setLocationToTemp();
    EXPECT_TRUE(locator.isLocationSet());
    EXPECT_EQ(locator.getPath().toUtf8(), c.path) << "case at line " << c.line;
    EXPECT_EQ(locator.getName().toUtf8(), c.name);
  }
}

// Each mode on an existing file holding "old\n", and the file afterwards.
TEST(File, Modes) {
  TempDir dir;
  const std::string path = dir.path("q.log");
  const struct {
    int line;
    const char* mode;
    bool opens;
    const char* content;
  } cases[] = {
      {__LINE__, "a+", true, "old\nnew\n"}, {__LINE__, "a", true, "old\nnew\n"},
      {__LINE__, "ab+", true, "old\nnew\n"}, {__LINE__, "w", true, "new\n"},
      {__LINE__, "w+b", true, "new\n"},     {__LINE__, "r+", true, "new\n"},
      {__LINE__, "r", true, "old\n"},       {__LINE__, "", false, "old\n"},
      {__LINE__, "x", false, "old\n"},      {__LINE__, "a++", false, "old\n"},
      {__LINE__, "rw", false, "old\n"},     {__LINE__, nullptr, false, "old\n"},
  };
  for (const auto& c : cases) {
    writeFile(path, "old\n");
    File file(support_dll::FileLocator{VelaString(path.c_str())});
    EXPECT_EQ(file.open(c.mode), c.opens) << "case at line " << c.line;
    EXPECT_EQ(file.isOpen(), c.opens);
    file.writeLine(L"new");
    file.close();
    EXPECT_EQ(readFile(path), c.content) << "case at line " << c.line;
  }
}

TEST(File, CreatesAppendsAndRefuses) {
  TempDir dir;
  ScopedEnv tmpdir("TMPDIR", dir.path().c_str());
  support_dll::FileLocator bare(L"q.log");
  File unplaced(bare);
  EXPECT_FALSE(unplaced.open("a+"));
  bare.setLocationToTemp();
  {
    File file(bare);
    ASSERT_TRUE(file.open("a+"));
    file.writeLine(L"Zürich 😀");
    file.writeLine(L"");
    file.writeLine(L"two\nlines");
    // Opening again starts over on the same file, still appending.
    ASSERT_TRUE(file.open("a+"));
    file.writeLine(L"end");
  }
  EXPECT_EQ(readFile(dir.path("q.log")), "Zürich 😀\n\ntwo\nlines\nend\n");

  const char* refused[] = {"/nonexistent/q.log", "missing/q.log"};
  for (const char* name : refused) {
    File file(support_dll::FileLocator{VelaString(name)});
    EXPECT_FALSE(file.open("a+")) << name;
    file.writeLine(L"lost");
  }
  File folder(support_dll::FileLocator{VelaString(dir.path().c_str())});
  EXPECT_FALSE(folder.open("a+"));
  EXPECT_FALSE(std::filesystem::exists("missing"));
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

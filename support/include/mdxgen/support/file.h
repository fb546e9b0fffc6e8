/// \file
/// Files and their locations: what the query log writes through.
#pragma once

#include "mdxgen/support/export.h"
#include "mdxgen/support/velastring.h"

namespace support_dll {

/// Where a file is. A name with a directory part (it holds a "/") is used as
/// it stands, relative names from the current directory; a bare file name
/// has no location until setLocationToTemp puts it in the temporary folder.
///
///     support_dll::FileLocator locator(L"mdx_queries.log");
///     if (!locator.isLocationSet()) locator.setLocationToTemp();
///     locator.getPath();   // "/tmp/mdx_queries.log" when TMPDIR is not set
class ORVO_API FileLocator {
 public:
  /// The location of `name`: set at once when the name holds a "/".
  explicit FileLocator(const VelaString& name);
  virtual ~FileLocator();

  /// True when the file has a path.
  bool isLocationSet() const { return located_; }
  /// Places the file in $TMPDIR, read now, or in /tmp when the variable is
  /// unset or empty.
  void setLocationToTemp();

  /// The name as given.
  const VelaString& getName() const { return name_; }
  /// The path the file is opened at; empty while no location is set.
  const VelaString& getPath() const { return path_; }

 private:
  VelaString name_;
  VelaString path_;
  bool located_ = false;
};

}  // namespace support_dll

/// A file opened with an fopen-style mode and written line by line.
///
///     File log(locator);
///     if (log.open("a+")) log.writeLine(L"SELECT ...");
///
/// Every writeLine is one write on the descriptor; in the append modes the
/// descriptor is opened O_APPEND, so lines written by several processes to
/// the same local file never interleave inside a line. Nothing throws for a
/// file that cannot be opened or written; a write that fails is lost.
class ORVO_API File {
 public:
  /// A closed file at the locator's path.
  explicit File(const support_dll::FileLocator& locator);
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  /// Closes the file.
  virtual ~File();

  /// Opens the file: "r" reads, "w" creates or truncates, "a" appends and
  /// creates the file if it is missing, never truncating; "+" adds the other
  /// direction and "b" is accepted and ignored. An open file is closed
  /// first. False, and the file closed, when the mode is not one of these,
  /// the locator has no location, or the system refuses.
  bool open(const char* mode);
  /// Closes the file; a closed file stays closed.
  void close();
  /// True while the file is open.
  bool isOpen() const { return fd_ >= 0; }

  /// Writes the text in UTF-8 followed by "\n".
  void writeLine(const VelaString& line);

  /// The path the file is opened at.
  const VelaString& getPath() const { return path_; }

 private:
  VelaString path_;
  bool located_;
  int fd_ = -1;
};

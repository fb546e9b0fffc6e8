/// \file
/// Registry access over a registry export file: the switch of the query log.
#pragma once

#include "mdxgen/support/export.h"
#include "mdxgen/support/velastring.h"

/// Reads values from the file named by the environment variable
/// ORVO_REGISTRY, a registry export in the text format of the Windows
/// registry editor:
///
///     Windows Registry Editor Version 5.00
///
///     [HKEY_LOCAL_MACHINE\Software\Quillon\Ardent Suite 2\ORVO\Log\Modules\ODBOMODULE]
///     "MDX Query Log"="mdx_queries.log"
///     "MDX Query Clock"=dword:00000001
///
///     VelaString name;
///     if (RegistryWrapper::readRegKeyValue(RegistryWrapper::kLocalMachine,
///                                          L"Software\\Quillon\\...\\ODBOMODULE",
///                                          L"MDX Query Log", name)) { ... }
///
/// The first line is "Windows Registry Editor Version 5.00" or "REGEDIT4";
/// the file is UTF-8 (with or without a byte-order mark) or UTF-16LE with a
/// byte-order mark, with CRLF or LF line ends. Key lines name a root and a
/// path. Values are "Name"="text" (escapes \\ and \") and
/// "Name"=dword:0000000a; any other value type makes the file malformed.
/// Lines starting with ";" are comments.
///
/// The variable and the file are read afresh at every read: nothing is
/// cached. Key paths and value names compare without regard to case (ASCII
/// and Latin-1 letters); when a value is given more than once, the last one
/// holds.
///
/// A read fails, and leaves `out` as it was, without the variable, without
/// the file, key or value, or when the value is of another type. A file that
/// exists but cannot be read, is larger than 16 MiB, or is not well formed
/// fails every read, and each such read hands one warning to the log
/// service (unit "SUPPORT.Registry", message code kMalformedFileWarning,
/// verbosity 2; inserts: the file name, the line number, 0 for the file as a
/// whole, and what is wrong). The warning goes to the sink whatever the
/// verbosity settings, as soon as one is set: a misconfigured switch should
/// not go unnoticed.
class ORVO_API RegistryWrapper {
 public:
  /// The roots, by the number a caller passes.
  enum Root : int {
    kClassesRoot = 1,    // HKEY_CLASSES_ROOT
    kCurrentUser = 2,    // HKEY_CURRENT_USER
    kLocalMachine = 3,   // HKEY_LOCAL_MACHINE
    kUsers = 4,          // HKEY_USERS
    kCurrentConfig = 5,  // HKEY_CURRENT_CONFIG
  };

  /// The code of the warning about a registry file that cannot be used.
  static constexpr unsigned long kMalformedFileWarning = 0xC2010002UL;
  /// Files larger than this are refused rather than read.
  static constexpr unsigned long kMaxFileSize = 16UL << 20;

  /// A string value ("Name"="text").
  static bool readRegKeyValue(int root, const VelaString& keyPath, const VelaString& valueName,
                              VelaString& out);
  /// A boolean: true for a non-zero dword or the strings "1" and "true" (in
  /// any case), false for any other dword or string.
  static bool readRegKeyValue(int root, const VelaString& keyPath, const VelaString& valueName,
                              bool& out);
};

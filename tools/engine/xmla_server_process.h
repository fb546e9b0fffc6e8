// The embedded XMLA server (tools/engine/xmla-server) in a child process:
// started with the process object, stopped with it.
#pragma once

#include <cstdio>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "child_process.h"

namespace mdxgen::engine {

class XmlaServerProcess {
 public:
  // Starts the launcher and waits for its line "XMLA <url> <catalog>"; the
  // lines before it (a "FATAL <why>" among them) go to `echo`, if given.
  // url() is empty when the server did not start.
  explicit XmlaServerProcess(const std::string& launcher,
                             const std::vector<std::string>& args = {},
                             std::ostream* echo = nullptr)
      : process_(words(launcher, args)) {
    process_.readLines([&](const char* line) {
      char url[2048], catalog[1024];
      if (std::sscanf(line, "XMLA %2047s %1023s", url, catalog) == 2) {
        url_ = url;
        catalog_ = catalog;
        return true;
      }
      if (echo) *echo << line;
      return std::strncmp(line, "FATAL", 5) == 0;
    });
  }

  const std::string& url() const { return url_; }
  const std::string& catalog() const { return catalog_; }

 private:
  static std::vector<std::string> words(const std::string& launcher,
                                        const std::vector<std::string>& args) {
    std::vector<std::string> all = {launcher};
    all.insert(all.end(), args.begin(), args.end());
    return all;
  }

  ChildProcess process_;
  std::string url_, catalog_;
};

}  // namespace mdxgen::engine

// The embedded XMLA server (tools/engine/xmla-server) in a child process for
// the tests of one executable: started on first use, stopped at exit by
// closing its standard input.
#pragma once

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "mdxgen/xmla.h"

extern char** environ;

namespace server_test {

class XmlaServer {
 public:
  explicit XmlaServer(const std::string& launcher, const std::vector<std::string>& args = {}) {
    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, in[1]);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::vector<std::string> words = {launcher};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    int failed = posix_spawn(&pid_, launcher.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    stdin_ = in[1];
    if (failed) {
      close(out[0]);
      throw std::runtime_error("cannot start " + launcher);
    }
    // "XMLA <url> <catalog>" once the server answers, or "FATAL <why>".
    FILE* reader = fdopen(out[0], "r");
    char line[4096];
    while (reader && std::fgets(line, sizeof line, reader)) {
      char url[2048], catalog[1024];
      if (std::sscanf(line, "XMLA %2047s %1023s", url, catalog) == 2) {
        url_ = url;
        catalog_ = catalog;
        break;
      }
      if (std::strncmp(line, "FATAL", 5) == 0) break;
    }
    if (reader) std::fclose(reader);
    if (url_.empty()) throw std::runtime_error("the XMLA server did not start");
  }
  ~XmlaServer() {
    close(stdin_);
    int status;
    waitpid(pid_, &status, 0);
  }
  XmlaServer(const XmlaServer&) = delete;
  XmlaServer& operator=(const XmlaServer&) = delete;

  const std::string& url() const { return url_; }
  const std::string& catalog() const { return catalog_; }
  mdxgen::xmla::ClientOptions options() const {
    mdxgen::xmla::ClientOptions options;
    options.url = url_;
    return options;
  }
  mdxgen::xmla::Properties properties() const {
    mdxgen::xmla::Properties properties;
    properties.catalog = catalog_;
    return properties;
  }

 private:
  pid_t pid_ = 0;
  int stdin_ = -1;
  std::string url_, catalog_;
};

}  // namespace server_test

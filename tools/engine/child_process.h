// A program run in a child process with pipes on its standard input and
// output, as the embedded XMLA server and the tests' stub server are run: it
// announces itself in its first lines and stops when its standard input
// closes. Header-only, for the demo and the tests alike.
#pragma once

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

extern char** environ;

namespace mdxgen::engine {

class ChildProcess {
 public:
  // Starts words[0] with the other words as its arguments; the program is
  // looked up in PATH when `search` is true. started() tells whether it ran.
  explicit ChildProcess(std::vector<std::string> words, bool search = false) {
    int in[2], out[2];
    if (words.empty() || pipe(in) != 0) return;
    if (pipe(out) != 0) {
      close(in[0]);
      close(in[1]);
      return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, in[1]);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::vector<char*> argv;
    for (auto& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    const int failed = search ? posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), environ)
                              : posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    stdin_ = in[1];
    if (failed) {
      pid_ = 0;
      close(out[0]);
      return;
    }
    stdout_ = out[0];
  }
  // Closes its standard input, which stops it, and waits for it.
  ~ChildProcess() {
    if (stdout_ >= 0) close(stdout_);
    if (stdin_ >= 0) close(stdin_);
    int status;
    if (pid_ > 0) waitpid(pid_, &status, 0);
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool started() const { return pid_ > 0; }

  // Hands each line of its standard output to `take` until `take` answers
  // true or the output ends; then stops reading it for good.
  template <class Take>
  void readLines(Take take) {
    if (stdout_ < 0) return;
    FILE* reader = fdopen(stdout_, "r");
    stdout_ = -1;
    if (!reader) return;
    char line[4096];
    while (std::fgets(line, sizeof line, reader)) {
      if (take(line)) break;
    }
    std::fclose(reader);
  }

 private:
  pid_t pid_ = 0;
  int stdin_ = -1;
  int stdout_ = -1;
};

}  // namespace mdxgen::engine

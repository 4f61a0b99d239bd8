// The program started as a command from a test: what it printed, what it said on standard error
// and its exit status. Its own configuration folder is kept in the scratch folder, so that no
// run touches the user's.
#pragma once
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "tests/test_config_tempdir.h"

namespace vs::testing {

struct ProgramRun {
  int status = -1;
  std::string out, err;
};

// Runs VETROSTAN_BIN with `args` (already quoted as the shell needs).
inline ProgramRun runProgram(const std::string& args, const std::filesystem::path& scratch) {
  const std::filesystem::path err = scratch / "stderr.txt";
  const std::string cmd = "XDG_CONFIG_HOME='" + (scratch / "xdg").string() + "' '" + VETROSTAN_BIN +
                          "' " + args + " 2>'" + err.string() + "'";
  ProgramRun r;
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return r;
  char buf[4096];
  for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) r.out.append(buf, n);
  const int st = pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  r.err = fileBytes(err);
  return r;
}

}  // namespace vs::testing

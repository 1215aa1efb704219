#pragma once
// quillmere-cli: the core without a window. Everything but the process entry
// lives here so that tests can run it in process with their own streams and
// uninstaller.

#include <cstdio>
#include <string>
#include <vector>

#include "removal/uninstaller.h"

namespace quillmere {

struct CliStreams {
  std::FILE* in = stdin;
  std::FILE* out = stdout;
  std::FILE* err = stderr;
  bool inputIsTerminal = false;  // whether `remove` may ask for confirmation
};

// Runs one command line (without the program name) and returns the exit
// status: 0 success; 1 no application, removal partly failed or declined,
// output that could not be written; 2 usage error or confirmation impossible.
int runCli(const std::vector<std::string>& args, const CliStreams& streams, const Uninstaller& uninstaller);

}  // namespace quillmere

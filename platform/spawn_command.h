#pragma once
// Runs a program with an explicit argument vector and environment: no shell,
// nothing inherited from the caller's environment, standard input, output and
// error on /dev/null.

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace quillmere {

struct SpawnCommand {
  std::string program;                   // absolute path, not searched in PATH
  std::vector<std::string> arguments;    // argv, argv[0] included
  std::vector<std::string> environment;  // "NAME=value" entries, the whole environment
};

// The whole environment of a program run for a privileged removal: only
// PATH=/usr/bin:/bin.
std::vector<std::string> cleanCommandEnvironment();

// True when the program started and exited with status 0. Blocks until it
// ends; with a timeout (for tests) the program is killed at the deadline and
// the answer is false.
// With `output`, what the program writes to its standard output is collected
// there, whatever its exit status; with `exitStatus`, its exit status there
// (-1 when it did not start or exit by itself).
bool runCommand(const SpawnCommand& command,
                std::optional<std::chrono::milliseconds> timeout = std::nullopt,
                std::string* output = nullptr, int* exitStatus = nullptr);

}  // namespace quillmere

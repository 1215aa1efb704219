#include <unistd.h>

#include "cli/cli.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  quillmere::CliStreams streams;
  streams.inputIsTerminal = isatty(STDIN_FILENO) == 1;
  return quillmere::runCli(args, streams, quillmere::Uninstaller());
}

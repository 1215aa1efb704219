#include "platform/running_processes.h"

#include <cstdlib>
#include <memory>

#include "fsys/path_text.h"

namespace quillmere {
namespace {

// "Foo.app/" + ... : a sibling named "Foo.app2" is not inside.
bool liesInside(const std::string& program, const std::string& folder) {
  return folder.size() > 1 && program.size() > folder.size() + 1 && program.starts_with(folder) &&
         program[folder.size()] == '/';
}

}  // namespace

std::vector<RunningProgram> programsInsideBundle(std::vector<RunningProgram> programs,
                                                 const std::string& bundlePath) {
  const std::string written = withoutTrailingSlashes(bundlePath);
  // The system reports a program by its path with links resolved, and the
  // dropped path may pass through one (/Applications on a linked volume).
  const std::unique_ptr<char, decltype(&::free)> real(::realpath(written.c_str(), nullptr), &::free);
  const std::string resolved = real ? real.get() : "";
  std::vector<RunningProgram> inside;
  for (RunningProgram& program : programs)
    if (liesInside(program.program, written) || (!resolved.empty() && liesInside(program.program, resolved)))
      inside.push_back(std::move(program));
  return inside;
}

}  // namespace quillmere

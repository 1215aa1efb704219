#pragma once
// Processes running a program from inside an application bundle, so the user
// can be told to quit the app before its files go. One body per system:
// /proc/*/exe on Linux (running_processes_linux.cpp), the process list
// through libproc on macOS (running_processes_mac.cpp).

#include <string>
#include <string_view>
#include <vector>

namespace quillmere {

struct RunningProgram {
  int pid = 0;
  std::string program;  // the program file's path as the system reports it (links resolved)
};

// Every running process of the system that the caller may inspect, in no
// particular order. The system's view of processes of other users may be
// partial; the app's own processes are the user's.
std::vector<RunningProgram> runningPrograms();

// Of `programs`, those whose file lies inside the bundle at `bundlePath`,
// compared both as written and with the bundle path's links resolved.
std::vector<RunningProgram> programsInsideBundle(std::vector<RunningProgram> programs,
                                                 const std::string& bundlePath);

// Both together: what runs from inside the bundle now.
inline std::vector<RunningProgram> programsRunningFrom(const std::string& bundlePath) {
  return programsInsideBundle(runningPrograms(), bundlePath);
}

}  // namespace quillmere

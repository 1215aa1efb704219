#pragma once
// The main thread's share of one frame, in one place because the numbers only
// work together. A frame lasts about 16 ms; one pass of the event loop may run
// a slice of queued background results, a refresh of the removal log and the
// repaint back to back. A slice stops once 4 ms have passed and a log refresh
// once 2 ms have, both checked between pieces of work (one queued item; one
// step of 40 lines, well under a millisecond to lay out), so each may overrun
// by a piece. That leaves about 10 ms for input, layout and the repaint:
// raising one number takes from the others.

#include <cstddef>

namespace quillmere::ui::frame_budget {

constexpr int kFrameMs = 16;                  // a growing log is refreshed at most once in this
constexpr long long kMainSliceMs = 4;         // queued main work per pass of the event loop
constexpr long long kLogRefreshNs = 2'000'000;  // laying out new log lines per frame
constexpr std::size_t kLogLinesPerStep = 40;  // lines laid out between two looks at the clock

}  // namespace quillmere::ui::frame_budget

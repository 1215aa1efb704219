#pragma once
// Text bound for a terminal. A file name may hold any byte but "/" and NUL:
// written raw, ESC starts a control sequence and CR returns to the start of
// the line, so a crafted name could rewrite what the user reads above it.

#include <string>
#include <string_view>

namespace quillmere {

// `text` with every control character (C0, DEL, C1), the line and paragraph
// separators, the bidirectional controls, and every byte that is not part of
// valid UTF-8 written as a backslash escape, as `ls -b` writes them:
// "\r", "\n", "\t", ... for the usual ones, "\033" (octal) for the others; a
// backslash itself becomes "\\", so an escape never reads as a name's own text.
std::string escapedForTerminal(std::string_view text);

}  // namespace quillmere

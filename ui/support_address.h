#pragma once
// The support web address: shown in the header's link, copied to the
// clipboard, and named in the alert that confirms the copy.

namespace quillmere::ui {

// PLACEHOLDER under the reserved ".example" domain until the project has its
// own site; replace this one line then.
inline constexpr char kSupportAddress[] = "https://support.quillmere.example";

}  // namespace quillmere::ui

#pragma once
// The damped spring the Mac's declarative UI animates with, as a Qt easing
// curve, and the ease-in-out used beside it.

#include <QEasingCurve>

namespace quillmere::ui {

// Progress from the old value (0) to the new (1) of a spring with the given
// response (seconds) and damping fraction (< 1), `seconds` after the change.
qreal springProgress(qreal seconds, qreal response, qreal dampingFraction);

// The spring of response 0.3 s and damping fraction 0.825, played over
// kSpringDurationMs: by then it is within 0.1 % of rest, and the curve ends
// exactly at 1.
inline constexpr int kSpringDurationMs = 450;
QEasingCurve springEasing();

// The 0.2 s ease-in-out.
inline constexpr int kEaseInOutDurationMs = 200;
QEasingCurve easeInOut();

}  // namespace quillmere::ui

#include "ui/spring.h"

#include <cmath>
#include <numbers>

namespace quillmere::ui {

qreal springProgress(qreal seconds, qreal response, qreal dampingFraction) {
  const qreal omega0 = 2 * std::numbers::pi / response;
  const qreal decay = dampingFraction * omega0;
  const qreal omegaD = omega0 * std::sqrt(1 - dampingFraction * dampingFraction);
  return 1 - std::exp(-decay * seconds) *
                 (std::cos(omegaD * seconds) + decay / omegaD * std::sin(omegaD * seconds));
}

// QEasingCurve takes a plain function pointer, so the parameters are fixed here.
static qreal standardSpring(qreal progress) {
  if (progress >= 1) return 1;  // land exactly on the end value
  return springProgress(progress * kSpringDurationMs / 1000.0, 0.3, 0.825);
}

QEasingCurve springEasing() {
  QEasingCurve curve;
  curve.setCustomType(standardSpring);
  return curve;
}

QEasingCurve easeInOut() { return QEasingCurve(QEasingCurve::InOutQuad); }

}  // namespace quillmere::ui

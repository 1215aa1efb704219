#pragma once
// The step one uninstall session is in. Always replaced whole and inspected
// only by case analysis (std::visit / std::holds_alternative).

#include <string>
#include <variant>

#include "model/app_info.h"

namespace quillmere {

namespace states {
struct Idle {};
struct Analyzing {};
struct Ready {
  AppInfo app;
};
struct Uninstalling {};
struct Completed {};
struct Error {
  std::string message;
};
}  // namespace states

using UninstallState = std::variant<states::Idle, states::Analyzing, states::Ready,
                                    states::Uninstalling, states::Completed, states::Error>;

}  // namespace quillmere

#include "matching/evidence.h"

namespace quillmere {

std::string_view evidenceKeyword(Evidence kind) {
  switch (kind) {
    case Evidence::Bundle: return "bundle";
    case Evidence::Identifier: return "identifier";
    case Evidence::Name: return "name";
    case Evidence::Coincidence: return "coincidence";
    case Evidence::OtherApp: return "otherApp";
    case Evidence::SharedIdentifier: return "sharedIdentifier";
    case Evidence::LaunchJob: return "launchJob";
    case Evidence::Container: return "container";
    case Evidence::NameOnly: return "nameOnly";
    case Evidence::ChangeableFolder: return "changeableFolder";
    case Evidence::InsideOtherApp: return "insideOtherApp";
    case Evidence::InsideForeign: return "insideForeignFolder";
    case Evidence::AlsoNames: return "alsoNames";
    case Evidence::Spelling: return "spelling";
  }
  return "name";
}

}  // namespace quillmere

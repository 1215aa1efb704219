#include "launchd/launch_jobs.h"

#include "fsys/property_list.h"
#include "fsys/small_file.h"
#include "platform/home_folder.h"

namespace quillmere {
namespace {

void appendStrings(plist_t node, std::vector<std::string>& out) {
  if (!node) return;
  if (std::optional<std::string> text = stringValue(node)) {
    out.push_back(std::move(*text));
    return;
  }
  if (plist_get_node_type(node) != PLIST_ARRAY) return;
  const uint32_t count = plist_array_get_size(node);
  for (uint32_t i = 0; i < count; ++i)
    if (std::optional<std::string> text = stringValue(plist_array_get_item(node, i))) out.push_back(std::move(*text));
}

}  // namespace

std::optional<LaunchJob> parseLaunchJob(std::string_view bytes) {
  std::optional<LaunchJob> job;
  readPropertyListDictionary(bytes, [&](plist_t root) {
    job.emplace();
    job->label = stringValue(lastValueOf(root, "Label"));
    if (std::optional<std::string> program = stringValue(lastValueOf(root, "Program")))
      job->programs.push_back(std::move(*program));
    // launchd runs ProgramArguments[0] only when Program is absent, but a
    // list naming the bundle in either place was written for that app.
    plist_t arguments = lastValueOf(root, "ProgramArguments");
    if (arguments && plist_get_node_type(arguments) == PLIST_ARRAY && plist_array_get_size(arguments) > 0)
      if (std::optional<std::string> first = stringValue(plist_array_get_item(arguments, 0)))
        job->programs.push_back(std::move(*first));
    if (std::optional<std::string> program = stringValue(lastValueOf(root, "BundleProgram")))
      job->programs.push_back(std::move(*program));
    appendStrings(lastValueOf(root, "AssociatedBundleIdentifiers"), job->associatedBundleIdentifiers);
  });
  return job;
}

void stopJobBeforeRemoval(int folderFd, const char* name, std::string_view path, LaunchDomain domain) {
  if (launchDomainOf(path, homeInUserDatabase()) != domain) return;
  int error = 0;
  const std::optional<std::string> bytes = readSmallFile(folderFd, name, kMaxPropertyListBytes, error);
  if (!bytes) return;
  const std::optional<LaunchJob> job = parseLaunchJob(*bytes);
  if (job && job->label) stopLaunchJob(*job->label, domain);
}

}  // namespace quillmere

#pragma once
// The one way a search fails once the bundle is found: an error that would
// otherwise make it list less than is there — descriptors or memory run out,
// a folder that cannot be read to its end. AppAnalyzer::analyze turns it into
// the analysis failure, whose text names the path and the cause.

#include <stdexcept>
#include <string>
#include <string_view>

namespace quillmere {

class ScanFailure : public std::runtime_error {
public:
  // `error` is the errno value met at `path`.
  ScanFailure(std::string_view path, int error);
};

// An error that says an entry is simply not there for the search (gone, not
// a folder, a link where a folder was, not ours to read) passes it over. Any
// other error throws ScanFailure for `path`.
void passOverOrFail(int error, std::string_view path);

// A file that is there but could not be read for its content is passed over,
// one entry less of evidence; only descriptors or memory running out, which
// would cost more than that one file, throw ScanFailure for `path`.
void failIfOutOfResources(int error, std::string_view path);

}  // namespace quillmere

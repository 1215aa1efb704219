#pragma once
// The analysis as the window and the command line run it: the search, and
// meanwhile the reading of the installed applications, then the evidence of
// every listed row.

#include <string>

#include "analysis/app_analyzer.h"

namespace quillmere {

// AppAnalyzer::analyze, with the record's evidence filled in. Blocks; callable
// on any thread. The list itself is exactly the analyzer's.
AnalysisResult analyzeWithEvidence(const SearchLocations& locations, const std::string& appPath);

}  // namespace quillmere

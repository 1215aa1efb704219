#include "cli/cli.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <optional>
#include <variant>

#include "analysis/app_analyzer.h"
#include "analysis/entry_size.h"
#include "fsys/json_text.h"
#include "cli/terminal_text.h"
#include "fsys/path_text.h"
#include "platform/home_folder.h"
#include "platform/trash_folder.h"
#include "removal/removal_history.h"
#include "removal/restore.h"
#include "matching/evidence_analysis.h"
#include "selection/row_selection.h"

namespace quillmere {
namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

const char kUsage[] =
    "Usage:\n"
    "  quillmere-cli scan   [--home DIR] [--system-root DIR] [--json | -0] [--sizes]\n"
    "                       [--selected] [--exclude PATH]... APP_PATH\n"
    "  quillmere-cli remove [--home DIR] [--system-root DIR] [--yes] [--all] [--trash]\n"
    "                       [--exclude PATH]... APP_PATH\n"
    "  quillmere-cli history [--json]\n"
    "  quillmere-cli restore ID\n"
    "  quillmere-cli --help\n";

const char kHelp[] =
    "\n"
    "Removes an application bundle (Foo.app) together with the files it left\n"
    "behind in the Library folders.\n"
    "\n"
    "Commands:\n"
    "  scan     Print every path the search finds, in deletion order, the bundle\n"
    "           itself last, one per line. Deletes nothing.\n"
    "  remove   Show the paths a removal takes, ask for confirmation, then delete\n"
    "           them one by one, printing each step. A path that cannot be deleted\n"
    "           normally is deleted with administrator rights, after the system\n"
    "           has asked for them.\n"
    "  history  List past removals, newest first: ID, date, application, rows,\n"
    "           bytes and mode (delete or trash), then \"stopped midway\" for a\n"
    "           removal that never ended (its rows' outcomes are unknown);\n"
    "           --json prints the records, one JSON object per line.\n"
    "  restore  Put every row a removal moved to the Trash back where it was:\n"
    "           only the entry that was moved, never over anything that now\n"
    "           stands at its path (that row stays in the Trash); of a removal\n"
    "           stopped midway, each row found in its Trash. Exit 0 only when\n"
    "           every row was put back.\n"
    "\n"
    "Which paths a removal takes: a path whose name holds the bundle identifier\n"
    "or the application's name as whole words (also spelt without its spaces,\n"
    "with - or _ between its words, or without a trailing version) is taken; one\n"
    "that holds them only inside a longer word, that another installed\n"
    "application explains better (its longer name or identifier, or another\n"
    "vendor's identifier), that a second installed copy shares, or that lies\n"
    "inside a folder that is not the application's or its vendor's is listed but\n"
    "left out. remove says on stderr which paths it leaves out and why.\n"
    "\n"
    "Options:\n"
    "  --home DIR         search the eight Library folders below DIR instead of\n"
    "                     below your home folder\n"
    "  --system-root DIR  prefix of the four system-wide Library folders\n"
    "                     (default /)\n"
    "  --json             scan: print one JSON object {\"name\", \"path\",\n"
    "                     \"bundleIdentifier\" (string or null), \"relatedFiles\",\n"
    "                     \"rows\"}; each row is {\"path\", \"evidence\" (identifier,\n"
    "                     name, spelling, coincidence, otherApp, sharedIdentifier,\n"
    "                     launchJob, container, nameOnly, changeableFolder,\n"
    "                     insideOtherApp, insideForeignFolder, alsoNames or\n"
    "                     bundle),\n"
    "                     \"selected\" (whether remove takes it), \"otherApp\" (the\n"
    "                     other application's name, or null)}; \"unreadable\" (the\n"
    "                     folders that could not be searched) only when there are some\n"
    "  --selected         scan: print only the paths remove takes\n"
    "  -0                 scan: end each path with a NUL byte instead of a newline\n"
    "  --sizes            scan: measure what each path takes on disk (allocated\n"
    "                     bytes, a folder with everything in it, symbolic links\n"
    "                     not followed, hard links counted once, a mount inside\n"
    "                     a folder not at all). Each line\n"
    "                     becomes SIZE<TAB>PATH (with -0: ended by a NUL byte),\n"
    "                     SIZE being \"-\" for an entry that cannot be read, and\n"
    "                     a last line TOTAL<TAB>total follows; --json adds\n"
    "                     \"sizes\" (bytes or null, in the order of\n"
    "                     \"relatedFiles\") and \"totalSize\"\n"
    "  --exclude PATH     leave PATH, one of the listed paths, out (repeatable).\n"
    "                     A listed folder that holds PATH is left out too, since\n"
    "                     deleting it would delete PATH; stderr says so. A PATH\n"
    "                     that is not listed, or leaving every path out, is a\n"
    "                     usage error and nothing is deleted.\n"
    "  --yes              remove: delete without asking\n"
    "  --all              remove: take every listed path, the left-out ones too\n"
    "  --trash            remove: move the paths to the Trash on their own file\n"
    "                     system instead of deleting them; a path that cannot be\n"
    "                     moved there stays. Paths that need administrator\n"
    "                     rights are still deleted for good\n"
    "  -h, --help         show this text\n"
    "\n"
    "Paths are printed as the file system holds them. On a terminal, control\n"
    "characters and bytes that are not UTF-8 are written escaped, as ls -b does\n"
    "(\\r, \\033, and \\\\ for a backslash), so that no name can act on the\n"
    "terminal; -0 and --json are never escaped. Elsewhere a path that contains a\n"
    "newline spans several lines of the plain output; use -0 or --json when that\n"
    "matters. In JSON, every byte that is not part of valid UTF-8 is written as\n"
    "\\udcXX (XX: the byte in hex), so the exact bytes can be recovered (Python:\n"
    "s.encode('utf-8', 'surrogateescape')). Relative paths are taken from the\n"
    "current folder and printed as absolute paths. APP_PATH must end in \".app\".\n"
    "\n"
    "Without --yes, remove asks on the terminal; when standard input is not a\n"
    "terminal it refuses and deletes nothing.\n"
    "\n"
    "Exit status: 0 success; 1 the application does not exist, the search could\n"
    "not read what it had to (descriptors or memory ran out; nothing is listed or\n"
    "deleted then), some paths could not be deleted, or the removal was\n"
    "declined; 2 usage error, or remove without --yes when standard input is not\n"
    "a terminal.\n";

enum class Command { Scan, Remove, History, Restore };
constexpr std::string_view kCommandNames[] = {"scan", "remove", "history", "restore"};  // in Command's order
enum class ScanFormat { Lines, Nul, Json };

struct Options {
  Command command = Command::Scan;
  std::optional<std::string> home;
  std::optional<std::string> systemRoot;
  ScanFormat format = ScanFormat::Lines;
  bool sizes = false;
  std::vector<std::string> excludes;
  bool yes = false;
  bool selectedOnly = false;  // scan --selected
  bool all = false;           // remove --all
  bool trash = false;         // remove --trash
  bool json = false;          // history --json
  std::string appPath;        // or the removal's ID for restore
};

struct UsageError {
  std::string message;
};
struct HelpRequest {};

using Parsed = std::variant<Options, UsageError, HelpRequest>;

// Takes the value of an option given as "--name VALUE" or "--name=VALUE".
bool takeValue(const std::vector<std::string>& args, std::size_t& i, const std::string& name,
               std::optional<std::string>& value, std::optional<UsageError>& error) {
  const std::string& arg = args[i];
  if (arg.rfind(name + "=", 0) == 0) {
    value = arg.substr(name.size() + 1);
  } else if (arg == name) {
    if (i + 1 >= args.size()) {
      error = UsageError{name + " needs a path"};
      return true;
    }
    value = args[++i];
  } else {
    return false;
  }
  if (value->empty()) error = UsageError{name + " needs a path"};
  return true;
}

Parsed parse(const std::vector<std::string>& args) {
  for (const auto& arg : args) {
    if (arg == "--") break;
    if (arg == "--help" || arg == "-h") return HelpRequest{};
  }
  if (args.empty()) return UsageError{"missing command"};
  Options options;
  const auto* named = std::find(std::begin(kCommandNames), std::end(kCommandNames), args[0]);
  if (named == std::end(kCommandNames)) return UsageError{"unknown command '" + args[0] + "'"};
  options.command = Command(named - std::begin(kCommandNames));

  bool json = false, nul = false, endOfOptions = false;
  std::vector<std::string> operands;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    std::optional<UsageError> error;
    if (endOfOptions || arg.empty() || arg[0] != '-' || arg == "-") {
      operands.push_back(arg);
    } else if (arg == "--") {
      endOfOptions = true;
    } else if (std::optional<std::string> excluded;
               (options.command == Command::Scan || options.command == Command::Remove) &&
               (takeValue(args, i, "--home", options.home, error) ||
                takeValue(args, i, "--system-root", options.systemRoot, error) ||
                takeValue(args, i, "--exclude", excluded, error))) {
      if (error) return *error;
      if (excluded) options.excludes.push_back(*excluded);
    } else if (arg == "--sizes" && options.command == Command::Scan) {
      options.sizes = true;
    } else if (arg == "--json" && options.command == Command::Scan) {
      json = true;
    } else if (arg == "-0" && options.command == Command::Scan) {
      nul = true;
    } else if (arg == "--selected" && options.command == Command::Scan) {
      options.selectedOnly = true;
    } else if (arg == "--yes" && options.command == Command::Remove) {
      options.yes = true;
    } else if (arg == "--all" && options.command == Command::Remove) {
      options.all = true;
    } else if (arg == "--trash" && options.command == Command::Remove) {
      options.trash = true;
    } else if (arg == "--json" && options.command == Command::History) {
      options.json = true;
    } else {
      return UsageError{"unknown option '" + arg + "' for " + args[0]};
    }
  }
  if (json && nul) return UsageError{"--json and -0 cannot be combined"};
  options.format = json ? ScanFormat::Json : nul ? ScanFormat::Nul : ScanFormat::Lines;
  if (options.command == Command::History) {
    if (!operands.empty()) return UsageError{"history takes no operand"};
    return options;
  }
  if (options.command == Command::Restore) {
    if (operands.size() != 1) return UsageError{"restore needs one removal ID (see quillmere-cli history)"};
    options.appPath = operands[0];
    return options;
  }
  if (operands.size() != 1)
    return UsageError{operands.empty() ? "missing APP_PATH" : "only one APP_PATH may be given"};
  options.appPath = withoutTrailingSlashes(operands[0]);
  if (!isBundlePath(options.appPath))  // as a drop is only accepted for a bundle
    return UsageError{"APP_PATH must be an application bundle, a name ending in \".app\""};
  return options;
}

SearchLocations locationsFor(const Options& options) {
  SearchLocations locations = SearchLocations::forCurrentUser();
  if (options.home) locations.home = withoutTrailingSlashes(absolutePath(*options.home));
  if (options.systemRoot) locations.systemRoot = absolutePath(*options.systemRoot);
  return locations;
}

void writeBytes(std::FILE* stream, const std::string& bytes) {
  std::fwrite(bytes.data(), 1, bytes.size(), stream);
}

// `text` as it may be written to `stream`: escaped on a terminal, where a
// name's ESC or CR would act instead of being read.
std::string shown(std::FILE* stream, const std::string& text) {
  return ::isatty(::fileno(stream)) == 1 ? escapedForTerminal(text) : text;
}

// A line of text: a path, a message naming one, a log line.
void writeLine(std::FILE* stream, const std::string& line) {
  writeBytes(stream, shown(stream, line));
  std::fputc('\n', stream);
}

// Each printed entry's size and the total, which counts an entry listed inside
// a listed folder once; null without --sizes.
std::optional<RowSelection> measure(const std::vector<std::string>& paths, bool sizes) {
  if (!sizes) return std::nullopt;
  RowSelection rows(paths);
  for (std::size_t i = 0; i < paths.size(); ++i) rows.setSize(i, measureEntry(paths[i]));
  return rows;
}

std::string sizeText(const RowSelection& rows, std::size_t row, const char* unknown) {
  const auto size = rows.sizeOf(row);
  return size ? std::to_string(*size) : unknown;
}

RowEvidence evidenceAt(const AppInfo& app, std::size_t row) {
  if (app.rows[row].evidence) return *app.rows[row].evidence;
  return {row + 1 == app.rows.size() ? Evidence::Bundle : Evidence::Name, std::nullopt, {}};
}

// Why a row is left out, in the words the window uses.
std::string leftOutReason(const RowEvidence& evidence) {
  switch (evidence.kind) {
    case Evidence::Coincidence: return "name only inside another word";
    case Evidence::OtherApp:
      return evidence.otherApp ? "belongs to \u00AB" + *evidence.otherApp + "\u00BB" : "another vendor's identifier";
    case Evidence::SharedIdentifier: return "another copy is installed: " + evidence.otherPath;
    case Evidence::NameOnly: return "only the name, in a folder apps share";
    case Evidence::ChangeableFolder: return "in a folder others can change";
    case Evidence::InsideOtherApp: return "inside \u00AB" + evidence.otherApp.value_or("") + "\u00BB's folder";
    case Evidence::InsideForeign: return "inside a folder that is not the app's";
    case Evidence::AlsoNames: return "also names \u00AB" + evidence.otherApp.value_or("") + "\u00BB";
    default: return "left out";
  }
}

// The rows of one scan or removal: those printed (or deleted), and of them
// those a removal takes.
struct Rows {
  std::vector<std::size_t> shown;  // indices into the rows, in order
  RowSelection taken;
};

void printScan(const AppInfo& app, const Options& options, const Rows& rows, std::FILE* out) {
  std::vector<std::string> paths;
  for (std::size_t i : rows.shown) paths.push_back(app.rows[i].path);
  const std::optional<RowSelection> sizes = measure(paths, options.sizes);
  if (options.format == ScanFormat::Json) {
    std::string json = "{\"name\":" + jsonString(app.name()) + ",\"path\":" +
                       jsonString(app.path()) + ",\"bundleIdentifier\":" +
                       (app.bundleIdentifier() ? jsonString(*app.bundleIdentifier()) : "null") +
                       ",\"relatedFiles\":[";
    for (std::size_t i = 0; i < paths.size(); ++i) json += (i ? "," : "") + jsonString(paths[i]);
    json += "],\"rows\":[";
    for (std::size_t i = 0; i < paths.size(); ++i) {
      const RowEvidence evidence = evidenceAt(app, rows.shown[i]);
      json += std::string(i ? "," : "") + "{\"path\":" + jsonString(paths[i]) + ",\"evidence\":\"" +
              std::string(evidenceKeyword(evidence.kind)) + "\",\"selected\":" +
              (rows.taken.isSelected(rows.shown[i]) ? "true" : "false") +
              ",\"otherApp\":" + (evidence.otherApp ? jsonString(*evidence.otherApp) : "null") + "}";
    }
    json += "]";
    if (sizes) {
      json += ",\"sizes\":[";
      for (std::size_t i = 0; i < paths.size(); ++i) json += (i ? "," : "") + sizeText(*sizes, i, "null");
      json += "],\"totalSize\":" + std::to_string(sizes->selectedSize());
    }
    // Only when something could not be read: otherwise the object is as before.
    if (!app.unreadableFolders.empty()) {
      json += ",\"unreadable\":[";
      for (std::size_t i = 0; i < app.unreadableFolders.size(); ++i)
        json += (i ? "," : "") + jsonString(app.unreadableFolders[i].path);
      json += "]";
    }
    if (app.unreadFiles > 0) json += ",\"unreadFiles\":" + std::to_string(app.unreadFiles);
    writeBytes(out, json + "}\n");  // escapes of its own: never the terminal's
    return;
  }
  const char end = options.format == ScanFormat::Nul ? '\0' : '\n';
  for (std::size_t i = 0; i < paths.size(); ++i) {
    if (sizes) writeBytes(out, sizeText(*sizes, i, "-") + "\t");
    writeBytes(out, options.format == ScanFormat::Nul ? paths[i] : shown(out, paths[i]));
    std::fputc(end, out);
  }
  if (sizes) {
    writeBytes(out, std::to_string(sizes->selectedSize()) + "\ttotal");
    std::fputc(end, out);
  }
}

// Leaves the --exclude paths out of `rows`. Every one must name a listed path:
// a typo must never turn into a wider deletion. Returns the usage error.
std::optional<UsageError> leaveOut(RowSelection& rows, const AppInfo& app, const Options& options,
                                   std::vector<bool>& named) {
  named.assign(app.rows.size(), false);
  for (const std::string& exclude : options.excludes) {
    const std::string wanted = withoutTrailingSlashes(absolutePath(exclude));
    bool found = false;
    for (std::size_t i = 0; i < app.rows.size(); ++i) {
      if (withoutTrailingSlashes(app.rows[i].path) != wanted) continue;
      rows.setSelected(i, false);
      named[i] = found = true;
    }
    if (!found) return UsageError{"--exclude " + exclude + ": not one of the listed paths; nothing was deleted"};
  }
  return std::nullopt;
}

// The rows to print or delete: a plain scan shows every listed row, scan
// --selected and remove the default selection (remove --all: every row),
// --exclude leaving rows out of either. Returns the usage error.
std::variant<Rows, UsageError> chooseRows(const AppInfo& app, const Options& options, const CliStreams& streams) {
  const bool scan = options.command == Command::Scan;
  const std::vector<std::string> paths = app.relatedFiles();
  RowSelection everything(paths);
  RowSelection taken = scan || !options.all ? RowSelection(paths, app.evidence()) : everything;
  const RowSelection before = scan && !options.selectedOnly ? everything : taken;
  std::vector<bool> named;
  if (auto error = leaveOut(everything, app, options, named)) return *error;
  if (auto error = leaveOut(taken, app, options, named)) return *error;
  const RowSelection& shown = scan && !options.selectedOnly ? everything : taken;
  if (!options.excludes.empty() && shown.selectedCount() == 0)
    return UsageError{"--exclude leaves no path to delete"};
  Rows rows{{}, taken};
  for (std::size_t i = 0; i < paths.size(); ++i) {
    if (shown.isSelected(i)) {
      rows.shown.push_back(i);
    } else if (before.isSelected(i) && !named[i]) {
      writeLine(streams.err, "quillmere-cli: also leaving out " + paths[i] +
                                 ", which holds an excluded path");
    } else if (!scan && !named[i]) {
      writeLine(streams.err, "quillmere-cli: leaving out " + paths[i] + " (" +
                                 leftOutReason(evidenceAt(app, i)) + ")");
    }
  }
  return rows;
}

// What the window shows above the list: the app still running, and folders
// the search could not read (the list may then miss something), each named.
void reportSearchNotices(const AppInfo& app, const CliStreams& streams) {
  if (!app.runningPrograms.empty())
    writeLine(streams.err, "quillmere-cli: " + app.name() + " is running \u2014 quit it before deleting");
  if (app.unreadFiles > 0)
    writeLine(streams.err, "quillmere-cli: " + std::to_string(app.unreadFiles) +
                               (app.unreadFiles == 1 ? " file was" : " files were") +
                               " passed over: not a regular file, too large, or unreadable");
  const auto& folders = app.unreadableFolders;
  if (folders.empty()) return;
  const bool privacy = std::any_of(folders.begin(), folders.end(),
                                   [](const UnreadableFolder& folder) { return folder.reason == Refusal::Privacy; });
  writeLine(streams.err, "quillmere-cli: " + std::to_string(folders.size()) +
                             (folders.size() == 1 ? " folder" : " folders") + " could not be searched: " +
                             (privacy ? "macOS privacy protection refused them; allow Full Disk Access in System "
                                        "Settings \u203a Privacy & Security to search them"
                                      : "no permission to read them"));
  for (const UnreadableFolder& folder : folders) writeLine(streams.err, "  " + folder.path);
}
// A Library made for trying it out (--home, --system-root) is never removed
// with administrator rights: the remover would refuse its paths anyway. The
// first path that would need them says why, once.
class NoPrivilegedRemovalSaysWhy : public PrivilegedRemover {
public:
  explicit NoPrivilegedRemovalSaysWhy(std::FILE* err) : err_(err) {}
  bool accepts(const std::string&) const override {
    if (!said_)
      std::fputs("quillmere-cli: --home or --system-root names other folders than your own, so "
                 "nothing is deleted with administrator rights.\n",
                 err_);
    said_ = true;
    return false;
  }
  std::vector<PrivilegedOutcome> removeWithPrivileges(const std::vector<PrivilegedEntry>& entries) override {
    return std::vector<PrivilegedOutcome>(entries.size(), {PrivilegedOutcome::Result::Unavailable, {}});
  }

private:
  std::FILE* err_;
  mutable bool said_ = false;
};

int usageError(const UsageError& error, const CliStreams& streams) {
  writeLine(streams.err, "quillmere-cli: " + error.message);
  std::fputs(kUsage, streams.err);
  std::fputs("Run 'quillmere-cli --help' for more.\n", streams.err);
  return kExitUsage;
}

bool userConfirms(const AppInfo& app, const Options& options, const CliStreams& streams) {
  for (const ListedRow& row : app.rows) writeLine(streams.out, row.path);
  writeLine(streams.out, "");
  const std::string count = std::to_string(app.rows.size());
  if (options.trash) {
    writeLine(streams.out, "This will move " + app.name() + " and " + count +
                               " related files to the Trash. They can be put back "
                               "(quillmere-cli restore); entries that need administrator rights are "
                               "deleted for good.");
    std::fputs("Move them to the Trash? [y/N] ", streams.out);
  } else {
    writeLine(streams.out, "This will delete " + app.name() + " and " + count +
                               " related files. This action cannot be undone!");
    std::fputs("Delete them? [y/N] ", streams.out);
  }
  std::fflush(streams.out);

  std::string word;
  for (int c; (c = std::fgetc(streams.in)) != EOF && c != '\n';)
    if (!std::isspace(c)) word += static_cast<char>(std::tolower(c));
  return word == "y" || word == "yes";
}

std::string whyNotRemoved(const RowEvent& event) {
  switch (event.reason) {
    case FailReason::NoPermission: return "your account may not delete it";
    case FailReason::NotListedEntry: return "it is not the entry that was listed";
    case FailReason::PasswordRefused: return "the administrator password was refused";
    case FailReason::Cancelled: return "the password prompt was cancelled";
    case FailReason::RemoverLeftIt: return "the administrator removal left it: " + event.detail;
    case FailReason::RemoverUnavailable: return "no administrator removal was available";
    case FailReason::UnshowableName: return "its name would garble the password prompt, which is not shown for it";
    case FailReason::NotTrashed: return "it could not be moved to a Trash on its disk: " + event.detail;
    case FailReason::OtherErrno:
    case FailReason::None: break;
  }
  return event.detail.empty() ? "the system refused" : event.detail;
}

// Appends the removal to the history and says how to put a trashed one back,
// and why rows that needed rights went for good.
void noteRemoval(const HistoryRecord& record, const CliStreams& streams) {
  const RemovalHistory history(removalHistoryPath());
  if (!history.append(record))
    writeLine(streams.err, "quillmere-cli: the removal could not be recorded in " + history.path());
  if (!record.trashed) return;
  std::size_t forGood = 0;
  for (const HistoryRow& row : record.rows) forGood += row.outcome == "deletedWithPrivileges";
  if (forGood > 0)
    writeLine(streams.err, "quillmere-cli: " + std::to_string(forGood) +
                               " entries needed administrator rights and were deleted for good: only root "
                               "could put them back from root's Trash, so they were not moved there");
  if (record.hasTrashedRows())
    writeLine(streams.err, "quillmere-cli: removal " + record.id + " is in the Trash; put it back with: "
                               "quillmere-cli restore " + record.id);
}

int removeApp(const AppInfo& app, const Options& options, const CliStreams& streams,
              const Uninstaller& uninstaller) {
  if (!options.yes) {
    if (!streams.inputIsTerminal) {
      std::fputs("quillmere-cli: standard input is not a terminal, so nothing can be "
                 "confirmed; nothing was deleted. Pass --yes to remove without asking.\n",
                 streams.err);
      return kExitUsage;
    }
    if (!userConfirms(app, options, streams)) {
      std::fputs("Cancelled; nothing was deleted.\n", streams.err);
      return kExitFailure;
    }
  }
  // Measured before anything goes, for the history's sizes.
  std::vector<std::optional<std::uint64_t>> sizes;
  for (const ListedRow& row : app.rows) sizes.push_back(measureEntry(row.path));
  std::vector<RowEvent> events;
  const RemovalOptions removal{options.trash};
  // Recorded before a row is touched, so a removal killed midway is still in
  // the history; only the finished record's failure is reported.
  const HistoryRecord pending = pendingRecordOf(app, removal, sizes);
  RemovalHistory(removalHistoryPath()).append(pending);
  int status = 0;
  // A row counts as done only with an outcome of its own: one that never got
  // one was not removed, whatever the completion says.
  std::size_t outcomes = 0;
  bool completed = false;
  uninstaller.uninstall(
      app,
      [&](const RowEvent& event) {
        events.push_back(event);
        if (auto line = logLineOf(event)) writeLine(streams.out, *line);
        std::fflush(streams.out);  // a live log, even through a pipe
        outcomes += event.outcome != RowOutcome::Started;
        if (event.outcome == RowOutcome::Failed)
          writeLine(streams.err, "quillmere-cli: not removed: " + event.path + " (" + whyNotRemoved(event) + ")");
      },
      [&](bool success, std::optional<std::string> message) {
        completed = true;
        if (success) return;
        writeLine(streams.err, message.value_or("Unknown error"));
        status = kExitFailure;
      },
      removal);
  noteRemoval(recordOf(pending, events), streams);
  if (status == 0 && (!completed || outcomes < app.rows.size())) {
    writeLine(streams.err, std::string(options.trash ? "Failed to remove " : "Failed to delete ") +
                               std::to_string(app.rows.size() - outcomes) + " files");
    status = kExitFailure;
  }
  return status;
}

int listHistory(const Options& options, const CliStreams& streams) {
  const RemovalHistory history(removalHistoryPath());
  std::vector<HistoryRecord> records = history.records();
  std::reverse(records.begin(), records.end());
  for (const HistoryRecord& record : records) {
    if (options.json) {
      writeBytes(streams.out, historyLine(record));
      continue;
    }
    writeLine(streams.out, record.id + "  " + timeText(record.time, "%Y-%m-%d %H:%M", true) + "  " + record.appName + "  " +
                               std::to_string(record.rows.size()) + " rows  " +
                               std::to_string(record.totalSize()) + " bytes  " +
                               (record.trashed ? "trash" : "delete") +
                               (record.unfinished() ? "  stopped midway" : ""));
  }
  return std::fflush(streams.out) == 0 ? 0 : kExitFailure;
}

int restore(const Options& options, const CliStreams& streams) {
  const RemovalHistory history(removalHistoryPath());
  const std::optional<HistoryRecord> record = history.find(options.appPath);
  if (!record) {
    writeLine(streams.err, "quillmere-cli: no removal " + options.appPath + " in the history");
    return kExitFailure;
  }
  if (!record->canPutBack()) {
    writeLine(streams.err, "quillmere-cli: removal " + options.appPath + " moved nothing to the Trash");
    return kExitFailure;
  }
  bool all = true;
  for (const RestoredRow& row : restoreRemoval(*record)) {
    writeLine(streams.out, row.line());
    all = all && row.putBack;
  }
  return std::fflush(streams.out) == 0 && all ? 0 : kExitFailure;
}

int runCommand(const std::vector<std::string>& args, const CliStreams& streams, const Uninstaller& uninstaller) {
  const Parsed parsed = parse(args);
  if (std::holds_alternative<HelpRequest>(parsed)) {
    std::fputs(kUsage, streams.out);
    std::fputs(kHelp, streams.out);
    return 0;
  }
  if (const auto* error = std::get_if<UsageError>(&parsed)) return usageError(*error, streams);
  const Options& options = std::get<Options>(parsed);
  if (options.command == Command::History) return listHistory(options, streams);
  if (options.command == Command::Restore) return restore(options, streams);

  AnalysisResult result = analyzeWithEvidence(locationsFor(options), absolutePath(options.appPath));
  if (const auto* failure = std::get_if<AnalysisError>(&result)) {
    writeLine(streams.err, failure->localizedDescription);
    return kExitFailure;
  }
  AppInfo& app = std::get<AppInfo>(result);
  reportSearchNotices(app, streams);
  auto chosen = chooseRows(app, options, streams);
  if (const auto* error = std::get_if<UsageError>(&chosen)) return usageError(*error, streams);
  const Rows& rows = std::get<Rows>(chosen);
  if (options.command == Command::Scan) {
    printScan(app, options, rows, streams.out);
    return 0;
  }
  std::vector<bool> keep(app.rows.size(), false);
  for (std::size_t i : rows.shown) keep[i] = true;
  app.keepRows(keep);
  const SearchLocations locations = locationsFor(options);
  if (!searchesOwnFolders(locations.home, locations.systemRoot))
    return removeApp(app, options, streams,
                     uninstaller.withPrivilegedRemover(std::make_shared<NoPrivilegedRemovalSaysWhy>(streams.err)));
  return removeApp(app, options, streams, uninstaller);
}

}  // namespace

int runCli(const std::vector<std::string>& args, const CliStreams& streams, const Uninstaller& uninstaller) {
  const int status = runCommand(args, streams, uninstaller);
  // Output that never arrived is a failure whatever the command did: a list
  // written to a full disk would otherwise pass for a shorter list.
  const bool outWritten = std::fflush(streams.out) == 0 && !std::ferror(streams.out);
  const bool errWritten = std::fflush(streams.err) == 0 && !std::ferror(streams.err);
  if (!outWritten) {
    std::fputs("quillmere-cli: the output could not be written\n", streams.err);
    std::fflush(streams.err);
  }
  return outWritten && errWritten ? status : std::max(status, kExitFailure);
}

}  // namespace quillmere

// qmt: the command-line companion of qmtedit. Checks, shows and reads
// project files and applies flag values to target files with the same
// loader and the same byte writing as the window.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <exception>

#include "cli/commands.h"
#include "cli/diagnostics.h"

namespace {

constexpr const char* Version = "qmt 0.02";

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Checks, shows and reads qmtedit project files and applies flag values to "
               "target files."};
  app.name("qmt");
  app.set_version_flag("--version", Version, "Print the version and exit");
  app.require_subcommand(1);

  std::vector<std::string> checkProjects;
  CLI::App* check = app.add_subcommand("check", "Load each project file; silent when all load");
  check->add_option("PROJECT", checkProjects, "Project files")->required();

  std::string showProject;
  bool showJson = false;
  CLI::App* show = app.add_subcommand("show", "Print the title, credit, pages, flags and documents");
  show->add_option("PROJECT", showProject, "Project file")->required();
  show->add_flag("--json", showJson, "Print one JSON object");

  std::string readProject;
  std::string readTarget;
  bool readJson = false;
  CLI::App* read = app.add_subcommand("read", "Print the byte the target holds at every flag");
  read->add_option("PROJECT", readProject, "Project file")->required();
  read->add_option("TARGET", readTarget, "Target file (only read)")->required();
  read->add_flag("--json", readJson, "Print one JSON object");

  ApplyOptions ao;
  std::string applyPage;
  CLI::App* apply = app.add_subcommand("apply", "Write flag values into the target file");
  apply->add_option("PROJECT", ao.project, "Project file")->required();
  apply->add_option("TARGET", ao.target, "Target file (must exist and be writable)")->required();
  apply->add_option("--set", ao.sets,
                    "Value of one flag: REF=VALUE, REF being P:F (0-based numbers) or PAGE/FLAG "
                    "(names), VALUE 0 to 255, or hexadecimal after 0x or $")
      ->type_name("REF=VALUE")
      ->allow_extra_args(false);
  CLI::Option* pageOption =
      apply->add_option("--page", applyPage, "Write every flag of this page (number or name)")
          ->type_name("PAGE");
  CLI::Option* allOption = apply->add_flag("--all", ao.all, "Write every flag of every page");
  pageOption->excludes(allOption);
  apply->add_flag("--dry-run", ao.dryRun, "Print each write as \"offset old -> new\"; change nothing");
  apply->add_flag("--backup", ao.backup, "Copy the target to TARGET.bak first; write nothing if that fails");
  apply->add_flag("--grow", ao.grow, "Allow offsets at or beyond the end of the target");
  apply->add_flag("--verbose", ao.verbose, "Print each write as \"offset -> new\"");

  // The top level takes no values, so the first word that is no option names
  // the subcommand; CLI11 alone would only say that one is required.
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    if (word.starts_with("-")) {
      continue;
    }
    if (word != "check" && word != "show" && word != "read" && word != "apply") {
      return UsageError("unknown subcommand \"" + word + "\": expected check, show, read or apply");
    }
    break;
  }

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) {
      return app.exit(e);  // --help, --version
    }
    return UsageError(e.what());
  }

  int status = ExitOk;
  try {
    if (check->parsed()) {
      status = RunCheck(checkProjects);
    } else if (show->parsed()) {
      status = RunShow(showProject, showJson);
    } else if (read->parsed()) {
      status = RunRead(readProject, readTarget, readJson);
    } else {
      if (pageOption->count() > 0) {
        ao.page = applyPage;
      }
      status = RunApply(ao);
    }
  } catch (const std::exception& e) {
    PrintError(std::string("qmt: ") + e.what());
    status = ExitFileError;
  }
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    PrintError("qmt: standard output: write error");
    status = ExitFileError;
  }
  return status;
}

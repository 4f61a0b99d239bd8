// The program's command line, read with Qt's parser: every option with its one-line help, the
// checks of their values, and what the program does with a line it cannot use.
#pragma once
#include <QString>
#include <QStringList>
#include <filesystem>

#include "app/Options.h"

namespace vs {

struct CommandLine {
  enum class Action {
    Run,      // start as `options` say
    Help,     // print `usage` on standard output, exit 0
    Version,  // print the version on standard output, exit 0
    Refuse,   // print `error` and `usage` on standard error, exit 2, start nothing
  };
  Action action = Action::Run;
  Options options;
  QString error;
  QString usage;
};

// Exit statuses of the program.
inline constexpr int kExitDone = 0;        // ended normally
inline constexpr int kExitFailed = 1;      // could not start or finish (reason on stderr)
inline constexpr int kExitBadCommand = 2;  // the command line could not be used
inline constexpr int kExitSecondCopy = 3;  // a service already runs on the working folder

// `arguments` start with the program's name, as argv does. `programDir` is the default
// working folder.
CommandLine readCommandLine(const QStringList& arguments, const std::filesystem::path& programDir);

// The line --version prints.
QString versionLine();

}  // namespace vs

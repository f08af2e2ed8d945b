#pragma once
// The app's command line as a Linux user expects it: --help and --version print and end,
// an option nobody knows is refused before anything starts. The Qt application's own options
// (-platform, -display, -style, ...) pass, as do words that are no options (left alone as
// before). What the known options ask for is read elsewhere (`LaunchRequest`, render mode,
// sound rendering).
#include <string>
#include <string_view>

namespace quorvel {

struct CommandLine {
    enum class Action {
        /// Start (or hand the launch to the running copy).
        run,
        /// Print `usage()` on standard output and end with status 0.
        printUsage,
        /// Print `versionLine()` on standard output and end with status 0.
        printVersion,
        /// Print the one line naming `unknownOption` and the usage on standard error, and end
        /// with status 2.
        refuse,
    };

    Action action = Action::run;
    /// The first option that is neither ours nor Qt's (with `Action::refuse`).
    std::string unknownOption;

    /// Reads the arguments after the program's name; the first of --help, --version or an
    /// unknown option decides, and "--" ends the options.
    static CommandLine parse(int argc, const char* const* argv);

    /// The options the manual page lists, one per line, ending with a line break.
    static std::string usage();
    /// "quorvel " and the app's version, ending with a line break.
    static std::string versionLine();
    /// "quorvel: unknown option '<option>'", ending with a line break.
    static std::string unknownOptionLine(std::string_view option);
};

}  // namespace quorvel

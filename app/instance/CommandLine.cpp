#include "app/instance/CommandLine.hpp"

#include <array>

#include "generated/AppVersion.hpp"

namespace quorvel {
namespace {

struct Option {
    std::string_view name;
    /// Words that follow it; the render-sounds volume is optional and taken only when it is
    /// no option itself.
    int values;
    bool lastValueOptional = false;
};

constexpr std::array<Option, 7> ourOptions{{
    {"--settings", 0},
    {"--finished", 0},
    {"--hooks-on", 0},
    {"--hooks-off", 0},
    {"--background", 0},
    {"--render", 2},
    {"--render-sounds", 2, true},
}};

// What QGuiApplication and QApplication take themselves, with one dash or two, and the
// ones with a value also as "-option=value".
constexpr std::array<Option, 17> qtOptions{{
    {"platform", 1},       {"platformpluginpath", 1}, {"platformtheme", 1}, {"plugin", 1},
    {"qwindowgeometry", 1}, {"qwindowicon", 1},        {"qwindowtitle", 1},  {"display", 1},
    {"geometry", 1},       {"title", 1},              {"session", 1},       {"style", 1},
    {"stylesheet", 1},     {"reverse", 0},            {"widgetcount", 0},   {"nograb", 0},
    {"dograb", 0},
}};

const Option* qtOption(std::string_view argument) {
    argument.remove_prefix(argument.size() > 1 && argument[1] == '-' ? 2 : 1);
    const std::size_t equals = argument.find('=');
    const bool withValue = equals != std::string_view::npos;
    if (withValue) argument = argument.substr(0, equals);
    for (const Option& option : qtOptions) {
        if (option.name == argument && (!withValue || option.values == 1)) return &option;
    }
    return nullptr;
}

}  // namespace

CommandLine CommandLine::parse(int argc, const char* const* argv) {
    CommandLine line;
    for (int index = 1; index < argc && argv[index] != nullptr; ++index) {
        const std::string_view argument(argv[index]);
        if (argument == "--") break;
        if (argument.size() < 2 || argument.front() != '-') continue;
        if (argument == "--help" || argument == "-h") return CommandLine{Action::printUsage, {}};
        if (argument == "--version") return CommandLine{Action::printVersion, {}};
        int skipped = -1;
        for (const Option& option : ourOptions) {
            if (argument != option.name) continue;
            skipped = option.values;
            if (option.lastValueOptional && index + skipped < argc && argv[index + skipped] != nullptr &&
                argv[index + skipped][0] == '-') {
                --skipped;
            }
        }
        if (skipped < 0) {
            const Option* qt = qtOption(argument);
            if (!qt) return CommandLine{Action::refuse, std::string(argument)};
            skipped = argument.find('=') == std::string_view::npos ? qt->values : 0;
        }
        index += skipped;
    }
    return line;
}

std::string CommandLine::usage() {
    return "Usage: quorvel [--settings | --finished | --hooks-on | --hooks-off | --background]\n"
           "       quorvel --render TARGET FILE.png\n"
           "       quorvel --render-sounds FOLDER [VOLUME]\n"
           "       quorvel --help | --version\n"
           "\n"
           "Starts Quorvel, or brings the running copy's device window back.\n"
           "\n"
           "Options:\n"
           "  --settings              show the settings window\n"
           "  --finished              show the list of finished runs\n"
           "  --hooks-on              turn the agent's hooks on in ~/.claude/settings.json\n"
           "  --hooks-off             turn the agent's hooks off\n"
           "  --background            start without bringing anything to the front\n"
           "  --render TARGET FILE    draw one view with sample data into a PNG file and exit\n"
           "  --render-sounds FOLDER [VOLUME]\n"
           "                          write the five alert sounds into FOLDER and exit\n"
           "  -h, --help              show this help and exit\n"
           "  --version               show the version and exit\n";
}

std::string CommandLine::versionLine() { return std::string("quorvel ") + Quorvel::appVersion + "\n"; }

std::string CommandLine::unknownOptionLine(std::string_view option) {
    return "quorvel: unknown option '" + std::string(option) + "'\n";
}

}  // namespace quorvel

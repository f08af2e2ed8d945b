#include "hook/HelperCommandLine.hpp"

#include "generated/AppVersion.hpp"

namespace quorvel {

HelperRequest helperRequest(const std::vector<std::string>& arguments) {
    for (std::size_t index = 0; index < arguments.size(); ++index) {
        const std::string& argument = arguments[index];
        if (argument == "--") break;
        if (argument == "--help") return HelperRequest::printUsage;
        if (argument == "--version") return HelperRequest::printVersion;
        if (argument == "--simulate") ++index;
    }
    return HelperRequest::handleEvent;
}

std::string helperUsage() {
    return "Usage: quorvel-hook [--capture] < PAYLOAD.json\n"
           "       quorvel-hook --simulate STATE\n"
           "       quorvel-hook --help | --version\n"
           "\n"
           "Hands one hook event of the coding agent (its JSON payload on standard input) to the\n"
           "Quorvel app, or leaves it in the spool folder and starts the app. The agent runs it\n"
           "for every hook event; it prints nothing and always exits 0.\n"
           "\n"
           "Options:\n"
           "  --capture         also record the payload in the captures folder\n"
           "  --simulate STATE  post a made-up run ending in STATE (running, done, needsyou,\n"
           "                    broke or crashed); standard input is not read\n"
           "  --help            show this help and exit\n"
           "  --version         show the version and exit\n";
}

std::string helperVersionLine() { return std::string("quorvel-hook ") + Quorvel::appVersion + "\n"; }

}  // namespace quorvel

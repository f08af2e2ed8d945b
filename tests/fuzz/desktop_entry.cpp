// Desktop entry files as found on the system, and command lines written into them: reading
// any bytes never crashes, and any command written with execValue reads back exactly.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/desktop/DesktopEntry.hpp"

using namespace quorvel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    const DesktopEntry entry = DesktopEntry::parse(input);
    if (const auto arguments = entry.execArguments()) {
        if (arguments->empty() || arguments->front().empty()) std::abort();
    }

    // The input as a command: arguments separated by NUL bytes.
    std::vector<std::string> command;
    std::string_view rest = input;
    while (true) {
        const std::size_t end = rest.find('\0');
        command.emplace_back(rest.substr(0, end));
        if (end == std::string_view::npos) break;
        rest.remove_prefix(end + 1);
    }
    if (command.front().empty()) return 0;
    const std::string file = "[Desktop Entry]\nExec=" + DesktopEntry::execValue(command) + "\n";
    if (DesktopEntry::parse(file).execArguments() != command) std::abort();
    return 0;
}

#include "platform/desktop/DesktopEntry.hpp"

#include <cstdlib>
#include <sys/stat.h>

#include "platform/files/Files.hpp"

namespace quorvel {
namespace {

constexpr std::string_view desktopEntryGroup = "[Desktop Entry]";
// Characters that make an argument need quotes in an "Exec" value.
constexpr std::string_view reservedCharacters = " \t\n\"'\\><~|&;$*?#()`";
// Characters that take a backslash inside a quoted argument.
constexpr std::string_view quotedEscapes = "\"`$\\";

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

std::string unescapedValue(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t index = 0; index < text.size(); ++index) {
        const char character = text[index];
        if (character != '\\' || index + 1 == text.size()) {
            result += character;
            continue;
        }
        const char next = text[++index];
        switch (next) {
            case 's': result += ' '; break;
            case 'n': result += '\n'; break;
            case 't': result += '\t'; break;
            case 'r': result += '\r'; break;
            case '\\': result += '\\'; break;
            default:  // not a string escape: kept for the quoting rules that come after
                result += '\\';
                result += next;
        }
    }
    return result;
}

// Removes field codes from one argument as written; "%%" stands for a percent sign.
std::string withoutFieldCodes(std::string_view argument) {
    std::string result;
    for (std::size_t index = 0; index < argument.size(); ++index) {
        if (argument[index] == '%' && index + 1 < argument.size()) {
            if (argument[index + 1] == '%') result += '%';
            ++index;
            continue;
        }
        result += argument[index];
    }
    return result;
}

std::vector<std::string> splitFolderList(std::string_view list) {
    std::vector<std::string> folders;
    while (!list.empty()) {
        const std::size_t colon = list.find(':');
        const std::string_view folder = list.substr(0, colon);
        if (!folder.empty() && folder.front() == '/') folders.emplace_back(folder);
        if (colon == std::string_view::npos) break;
        list.remove_prefix(colon + 1);
    }
    return folders;
}

bool isRegularFile(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

}  // namespace

DesktopEntry DesktopEntry::parse(std::string_view contents) {
    DesktopEntry entry;
    bool inGroup = false;
    while (!contents.empty()) {
        const std::size_t end = contents.find('\n');
        const std::string_view line = trimmed(contents.substr(0, end));
        contents.remove_prefix(end == std::string_view::npos ? contents.size() : end + 1);
        if (line.empty() || line.front() == '#') continue;
        if (line.front() == '[') {
            inGroup = line == desktopEntryGroup;
            continue;
        }
        if (!inGroup) continue;
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) continue;
        const std::string_view key = trimmed(line.substr(0, equals));
        if (key.empty()) continue;
        entry.values.emplace(std::string(key), unescapedValue(trimmed(line.substr(equals + 1))));
    }
    return entry;
}

std::optional<std::string> DesktopEntry::value(std::string_view key) const {
    const auto found = values.find(key);
    if (found == values.end()) return std::nullopt;
    return found->second;
}

std::optional<bool> DesktopEntry::booleanValue(std::string_view key) const {
    const auto text = value(key);
    if (text == "true") return true;
    if (text == "false") return false;
    return std::nullopt;
}

std::optional<std::vector<std::string>> DesktopEntry::execArguments() const {
    const auto exec = value("Exec");
    if (!exec) return std::nullopt;
    std::vector<std::string> arguments;
    std::string_view rest = *exec;
    while (true) {
        while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) rest.remove_prefix(1);
        if (rest.empty()) break;
        std::string argument;
        bool quoted = false;
        if (rest.front() == '"') {
            quoted = true;
            rest.remove_prefix(1);
            bool closed = false;
            while (!rest.empty()) {
                const char character = rest.front();
                rest.remove_prefix(1);
                if (character == '"') {
                    closed = true;
                    break;
                }
                if (character == '\\' && !rest.empty() &&
                    quotedEscapes.find(rest.front()) != std::string_view::npos) {
                    argument += rest.front();
                    rest.remove_prefix(1);
                    continue;
                }
                argument += character;
            }
            if (!closed) return std::nullopt;
            if (!rest.empty() && rest.front() != ' ' && rest.front() != '\t') return std::nullopt;
        } else {
            const std::size_t end = rest.find_first_of(" \t");
            argument = std::string(rest.substr(0, end));
            rest.remove_prefix(end == std::string_view::npos ? rest.size() : end);
        }
        // A quoted argument is taken literally apart from "%%"; a bare field code stands
        // for files or addresses that are never passed here, so it goes altogether.
        std::string expanded = withoutFieldCodes(argument);
        if (expanded.empty() && !quoted) continue;
        arguments.push_back(std::move(expanded));
    }
    if (arguments.empty() || arguments.front().empty()) return std::nullopt;
    return arguments;
}

std::string DesktopEntry::escapedValue(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (const char character : text) {
        switch (character) {
            case '\\': result += "\\\\"; break;
            case '\n': result += "\\n"; break;
            case '\t': result += "\\t"; break;
            case '\r': result += "\\r"; break;
            default: result += character;
        }
    }
    return result;
}

std::string DesktopEntry::execValue(const std::vector<std::string>& arguments) {
    std::string line;
    for (const std::string& argument : arguments) {
        if (!line.empty()) line += ' ';
        const bool needsQuotes =
            argument.empty() || argument.find_first_of(reservedCharacters) != std::string::npos;
        if (needsQuotes) line += '"';
        for (const char character : argument) {
            if (character == '%') {
                line += "%%";
                continue;
            }
            if (needsQuotes && quotedEscapes.find(character) != std::string_view::npos) line += '\\';
            line += character;
        }
        if (needsQuotes) line += '"';
    }
    return escapedValue(line);
}

std::vector<std::string> DesktopEntry::applicationFolders() {
    std::vector<std::string> folders;
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome != nullptr && *dataHome == '/') {
        folders.emplace_back(dataHome);
    } else {
        folders.push_back(files::joinPath(files::homeDirectory(), ".local/share"));
    }
    const char* dataDirs = std::getenv("XDG_DATA_DIRS");
    std::vector<std::string> system = splitFolderList(dataDirs != nullptr ? dataDirs : "");
    if (system.empty()) system = {"/usr/local/share", "/usr/share"};
    folders.insert(folders.end(), system.begin(), system.end());
    for (std::string& folder : folders) folder = files::joinPath(folder, "applications");
    return folders;
}

std::optional<std::string> DesktopEntry::find(std::string_view id) {
    if (id.empty() || id.find('/') != std::string_view::npos || id.front() == '.') return std::nullopt;
    for (const std::string& folder : applicationFolders()) {
        const std::string path = files::joinPath(folder, id);
        if (!isRegularFile(path)) continue;
        const auto contents = files::readFile(path);
        if (!contents) continue;
        // The first entry found hides every later one with the same identifier.
        if (parse(*contents).booleanValue("Hidden") == true) return std::nullopt;
        return path;
    }
    return std::nullopt;
}

}  // namespace quorvel

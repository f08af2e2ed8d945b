#include "app/desktop/TerminalFinder.hpp"

#include <array>
#include <utility>

#include "kit/engine/Quorvel.hpp"
#include "platform/logging/Logger.hpp"
#include "platform/text/UnicodeText.hpp"

namespace quorvel {
namespace {

struct TerminalName {
    std::string_view programName;  // lower case
    std::string_view bundleIdentifier;
};

constexpr std::array<TerminalName, 19> terminalTable{{
    {"apple_terminal", "com.apple.Terminal"},
    {"iterm.app", "com.googlecode.iterm2"},
    {"warpterminal", "dev.warp.Warp-Stable"},
    {"vscode", "com.microsoft.VSCode"},
    {"cursor", "com.todesktop.230313mzl4w4u92"},
    {"ghostty", "com.mitchellh.ghostty"},
    {"hyper", "co.zeit.hyper"},
    {"kitty", "net.kovidgoyal.kitty"},
    {"alacritty", "org.alacritty"},
    {"wezterm", "com.github.wez.wezterm"},
    {"tabby", "org.tabby"},
    // Linux terminals that set no "TERM_PROGRAM": the helper names them by their own variables,
    // or by its process ancestry.
    {"gnome-terminal", "org.gnome.Terminal"},
    {"konsole", "org.kde.konsole"},
    {"xfce4-terminal", "org.xfce.terminal"},
    {"tilix", "com.gexperts.Tilix"},
    {"terminator", "terminator"},
    {"mate-terminal", "org.mate.terminal"},
    {"lxterminal", "lxterminal"},
    {"xterm", "xterm"},
}};

constexpr std::string_view terminalScriptStart =
    "tell application \"Terminal\"\n"
    "    repeat with w in windows\n"
    "        if name of w contains \"";
constexpr std::string_view terminalScriptEnd =
    "\" then\n"
    "            set index of w to 1\n"
    "            exit repeat\n"
    "        end if\n"
    "    end repeat\n"
    "end tell";

constexpr std::string_view iTermScriptStart =
    "tell application \"iTerm\"\n"
    "    repeat with w in windows\n"
    "        repeat with t in tabs of w\n"
    "            if name of current session of t contains \"";
constexpr std::string_view iTermScriptEnd =
    "\" then\n"
    "                select t\n"
    "                select w\n"
    "                exit repeat\n"
    "            end if\n"
    "        end repeat\n"
    "    end repeat\n"
    "end tell";

std::string escapedForScript(std::string_view folderName) {
    std::string escaped;
    escaped.reserve(folderName.size());
    for (const char character : folderName) {
        if (character == '\\' || character == '"') escaped += '\\';
        escaped += character;
    }
    return escaped;
}

const Logger& terminalLogger() {
    static const Logger logger(Quorvel::macBundleID, "Terminal");
    return logger;
}

}  // namespace

TerminalFinder::TerminalFinder(std::unique_ptr<WindowActivator> windows, std::unique_ptr<ApplicationLauncher> launcher)
    : windows_(std::move(windows)), launcher_(std::move(launcher)) {}

std::optional<std::string> TerminalFinder::bundleIdentifier(const std::optional<std::string>& termProgram) {
    if (!termProgram) return std::nullopt;
    const std::string name = text::lowercased(*termProgram);
    for (const TerminalName& terminal : terminalTable) {
        if (terminal.programName == name) return std::string(terminal.bundleIdentifier);
    }
    return std::nullopt;
}

std::optional<std::string> TerminalFinder::windowScript(std::string_view bundleIdentifier,
                                                        std::string_view folderName) {
    std::string_view start;
    std::string_view end;
    if (bundleIdentifier == "com.apple.Terminal") {
        start = terminalScriptStart;
        end = terminalScriptEnd;
    } else if (bundleIdentifier == "com.googlecode.iterm2") {
        start = iTermScriptStart;
        end = iTermScriptEnd;
    } else {
        return std::nullopt;
    }
    std::string script(start);
    script += escapedForScript(folderName);
    script += end;
    return script;
}

std::optional<TerminalFinder::DesktopApplication> TerminalFinder::desktopApplication(std::string_view bundleIdentifier) {
    // Window classes as each terminal sets them on X11 and desktop entries as its packages
    // install them (distribution, upstream, Snap and Flatpak names).
    if (bundleIdentifier == "dev.warp.Warp-Stable") {
        return DesktopApplication{{"dev.warp.Warp"}, {"dev.warp.Warp.desktop"}};
    }
    if (bundleIdentifier == "com.microsoft.VSCode") {
        return DesktopApplication{{"code"}, {"code.desktop", "code_code.desktop", "com.visualstudio.code.desktop"}};
    }
    if (bundleIdentifier == "com.todesktop.230313mzl4w4u92") {
        return DesktopApplication{{"cursor"}, {"cursor.desktop"}};
    }
    if (bundleIdentifier == "com.mitchellh.ghostty") {
        return DesktopApplication{{"com.mitchellh.ghostty", "ghostty"}, {"com.mitchellh.ghostty.desktop"}};
    }
    if (bundleIdentifier == "co.zeit.hyper") {
        return DesktopApplication{{"hyper"}, {"hyper.desktop"}};
    }
    if (bundleIdentifier == "net.kovidgoyal.kitty") {
        return DesktopApplication{{"kitty"}, {"kitty.desktop"}};
    }
    if (bundleIdentifier == "org.alacritty") {
        return DesktopApplication{{"alacritty"}, {"Alacritty.desktop", "alacritty.desktop", "org.alacritty.Alacritty.desktop"}};
    }
    if (bundleIdentifier == "com.github.wez.wezterm") {
        return DesktopApplication{{"org.wezfurlong.wezterm", "wezterm"}, {"org.wezfurlong.wezterm.desktop"}};
    }
    if (bundleIdentifier == "org.tabby") {
        return DesktopApplication{{"tabby"}, {"tabby.desktop"}};
    }
    if (bundleIdentifier == "org.gnome.Terminal") {
        return DesktopApplication{{"gnome-terminal-server", "gnome-terminal"}, {"org.gnome.Terminal.desktop"}};
    }
    if (bundleIdentifier == "org.kde.konsole") {
        return DesktopApplication{{"konsole"}, {"org.kde.konsole.desktop"}};
    }
    if (bundleIdentifier == "org.xfce.terminal") {
        return DesktopApplication{{"xfce4-terminal"}, {"xfce4-terminal.desktop", "org.xfce.terminal.desktop"}};
    }
    if (bundleIdentifier == "com.gexperts.Tilix") {
        return DesktopApplication{{"tilix"}, {"com.gexperts.Tilix.desktop"}};
    }
    if (bundleIdentifier == "terminator") {
        return DesktopApplication{{"terminator"}, {"terminator.desktop"}};
    }
    if (bundleIdentifier == "org.mate.terminal") {
        return DesktopApplication{{"mate-terminal"}, {"mate-terminal.desktop"}};
    }
    if (bundleIdentifier == "lxterminal") {
        return DesktopApplication{{"lxterminal"}, {"lxterminal.desktop"}};
    }
    if (bundleIdentifier == "xterm") {
        return DesktopApplication{{"xterm"}, {"debian-xterm.desktop", "xterm.desktop"}};
    }
    return std::nullopt;
}

std::string TerminalFinder::folderName(const std::optional<std::string>& cwd) {
    if (!cwd || cwd->empty()) return {};
    std::string_view path = *cwd;
    while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
    if (path == "/") return "/";
    const std::size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

void TerminalFinder::bringForward(const std::optional<std::string>& termProgram,
                                  const std::optional<std::string>& cwd) {
    const std::optional<std::string> bundle = bundleIdentifier(termProgram);
    if (!bundle) {
        terminalLogger().info("Unknown terminal " + termProgram.value_or("nil") + "; nothing to bring forward");
        return;
    }
    const std::optional<DesktopApplication> application = desktopApplication(*bundle);
    if (!application) return;  // a terminal this desktop can't have: neither running nor installed

    // The window that shows the session's folder first, so the terminal comes forward with
    // that window in front; then any window of the terminal.
    const std::string folder = folderName(cwd);
    std::vector<std::string_view> titles;
    if (!folder.empty()) titles.push_back(folder);
    titles.push_back({});
    for (const std::string_view title : titles) {
        const Expected<bool, DesktopError> activated = windows_->activate(application->windowClasses, title);
        if (!activated) {
            // Without a way to look at the windows there is no telling whether the terminal
            // runs, and starting a second one would only add an empty window.
            terminalLogger().info("Window match skipped: " + activated.error().message);
            return;
        }
        if (*activated) return;
    }
    for (const std::string& id : application->desktopEntryIDs) {
        if (launcher_->open(id)) return;
    }
}

}  // namespace quorvel

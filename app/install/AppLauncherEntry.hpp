#pragma once
// The app's launcher entry in the user's own applications folder, for a copy of the app that
// the installed entry doesn't start (one run from its build tree, or installed under a prefix
// the desktop doesn't search): the installed entry with every command naming this copy by its
// absolute path. The desktop's launcher then starts this copy, and so does the hook helper it
// installed, which starts the app through the entry when the app doesn't answer.
//
// The entry has the installed one's name ("quorvel.desktop"), so it hides that one: it is
// kept only while it is needed and true. Every start writes it anew for the copy that runs
// (when its text would change), and removes it when the installed entry starts this copy
// after all (the package's app), so no entry outlives the copy it names by more than the next
// start of another. Its "TryExec" names the same path, so a launcher passes it over once that
// copy is gone. An entry of the user's own (one this class didn't write) is never touched.
// The app's icon goes with it (AppIcons): kept beside it for a copy the installed entry
// doesn't start, whoever's entry starts it, and removed with the entry.
// Main thread; plain file work.
#include <string>
#include <string_view>
#include <vector>

#include "app/install/AppIcons.hpp"
#include "platform/Expected.hpp"
#include "platform/files/Files.hpp"

namespace quorvel {

class AppLauncherEntry {
public:
    /// Keeps nothing (tests, and wherever the app's own path can't be known).
    AppLauncherEntry() = default;
    /// The entry in `userFolder` for `executable` (an absolute path), hiding the first entry
    /// of the same name in `installedFolders` (searched in order), with `icons` beside it.
    AppLauncherEntry(std::string userFolder, std::vector<std::string> installedFolders, std::string executable,
                     AppIcons icons = {});

    /// The running app's entry: the first of `DesktopEntry::applicationFolders` is the user's,
    /// the others are where installed entries lie.
    static AppLauncherEntry forRunningApp();

    /// The installed entry's text with every "Exec" naming `executable`, a "TryExec" naming it
    /// too, and a first comment line that marks the file as this class's.
    static std::string contents(std::string_view executable);
    /// Whether `text` is an entry this class wrote.
    static bool isOwnEntry(std::string_view text);

    /// Writes, rewrites or removes the entry and the icons as above; nothing when they are
    /// right already or the entry is the user's own. The file system's error when it couldn't;
    /// an executable that is not a program on disk (its file replaced since it started) is
    /// written nowhere and reported. Logs what it changed.
    Expected<void, files::FileError> keep() const;

    /// The entry's path; empty when it keeps nothing.
    std::string path() const;

private:
    /// Whether the installed entry that this one would hide starts `executable_`.
    bool installedEntryStartsThisCopy() const;

    std::string userFolder_;
    std::vector<std::string> installedFolders_;
    std::string executable_;
    AppIcons icons_;
};

}  // namespace quorvel

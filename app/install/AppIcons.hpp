#pragma once
// The app's icon where the desktop looks for it, for a copy of the app whose own icons lie
// outside the desktop's icon folders (one run from its build tree, or installed under a prefix
// the desktop doesn't search): the launcher entry and every banner name the icon "quorvel",
// which no icon theme would hold, and the desktop would show a generic picture. The copy's
// icon files, laid out as the hicolor theme lays them out ("<size>/apps/quorvel.png"), are
// copied into the user's own hicolor folder ($XDG_DATA_HOME/icons/hicolor), which every
// freedesktop icon lookup searches first. They go with the launcher entry (AppLauncherEntry):
// kept while it is, removed when it is. Main thread; plain file work.
#include <string>

#include "platform/Expected.hpp"
#include "platform/files/Files.hpp"

namespace quorvel {

class AppIcons {
public:
    /// Keeps nothing (tests, and a copy whose icons can't be found).
    AppIcons() = default;
    /// The icons in `sourceTheme` (a hicolor theme folder) copied into `userTheme`.
    AppIcons(std::string sourceTheme, std::string userTheme);

    /// The running app's icons (`<resources>/icons/hicolor` in the build tree,
    /// `<prefix>/share/icons/hicolor` installed) and the theme folder beside the user's
    /// applications folder `userApplications` (`<data home>/applications`).
    static AppIcons forRunningApp(const std::string& userApplications);

    /// Copies each size of the icon into the user's theme where it is missing or differs;
    /// the file system's error when one couldn't be written (the others are still tried).
    Expected<void, files::FileError> keep() const;
    /// Removes the user's copy of each size the source holds; missing ones are no error.
    Expected<void, files::FileError> remove() const;

    /// The icon's file name in each size's "apps" folder ("quorvel.png").
    static std::string fileName();

private:
    std::string sourceTheme_;
    std::string userTheme_;
};

}  // namespace quorvel

#pragma once
// Where the app's resources (the sounds, the fonts, the helper's copy) lie, found from the
// running program so that no path of the machine that built it is needed: an installed
// program `<prefix>/bin/quorvel` has them in `<prefix>/share/quorvel`; a program run from
// the build tree (`build/bin/quorvel`, or a test in `build/bin/tests/`) in `build/resources`.
#include <optional>
#include <string>

namespace quorvel::files {

/// The resource folder for the program at `executable` (an absolute path): the first of
/// `<dir>/../share/quorvel`, `<dir>/../resources` and `<dir>/../../resources` that is a
/// folder, where `<dir>` is the program's folder; absent when none is.
std::optional<std::string> resourceFolderFor(const std::string& executable);

/// `resourceFolderFor` the running program; absent when the system can't tell where it is.
std::optional<std::string> resourceFolder();

/// True when the running program lies in an installed layout (`<prefix>/bin` beside
/// `<prefix>/share/quorvel`).
bool runningInstalled();

}  // namespace quorvel::files

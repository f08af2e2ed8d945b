#pragma once
// The app's sound rendering mode: `quorvel --render-sounds <folder> [volume]` writes the five
// alert sound files and exits, before anything else of the app starts. It is how the sound
// files that the app plays are made.
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "kit/engine/Sound.hpp"
#include "platform/Expected.hpp"

namespace quorvel::SoundRender {

/// Volume when the command line gives none, or none that can be read.
inline constexpr double defaultVolume = 0.8;

struct RenderError {
    std::string message;  ///< the description a person reads
};

/// Runs the mode when `arguments` (the command line without the program's own name) ask for
/// it: absent when they don't (no "--render-sounds", or nothing after it), otherwise the
/// exit status: 0 when all five files are written, 1 after writing one line
/// "render-sounds failed: <description>" to `errors`.
std::optional<int> renderIfRequested(const std::vector<std::string>& arguments, std::ostream& errors);

/// The same for `main`'s arguments, reporting to standard error.
std::optional<int> renderIfRequested(int argc, char** argv);

/// The volume given on the command line: the whole text as a finite decimal number (no
/// leading white space), else the default.
double volumeArgument(std::string_view text);

/// Renders `sound` at `volume` and writes it to `file`, replacing any file there.
Expected<void, RenderError> writeSound(Sound sound, const std::string& file, double volume);

}  // namespace quorvel::SoundRender

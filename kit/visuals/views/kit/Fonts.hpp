#pragma once
// The three typefaces that ship with the app, made usable once per process, and the two
// families the views ask for: a pixel display face for big legends and a monospaced face
// for everything else.
//
// Registration needs the Qt application object to exist (a QGuiApplication); before it
// exists nothing is registered and nothing is remembered, so a later call still registers.
// After that it runs once per process (the first caller on any thread does the work, later
// callers wait and read the result). A missing or unusable file is logged (subsystem
// "com.tessaloom.quorvel", category "Fonts") and the app goes on with the platform's fallback
// face for it.
//
// Sizes are logical pixels (points of the product's drawings), not typographic points, and
// whole: the returned fonts carry setPixelSize(round(size)), at least 1. Text shrunk to a
// fractional size is drawn through the painter's scale (see TextLine.hpp). Hinting is off.
#include <array>
#include <filesystem>
#include <string>
#include <string_view>

#include <QFont>
#include <QString>

namespace quorvel {

class Fonts {
public:
    Fonts() = delete;

    /// The faces' own (PostScript) names.
    static constexpr std::string_view pixelName = "Jersey10-Regular";
    static constexpr std::string_view monoName = "SpaceMono-Regular";
    static constexpr std::string_view monoBoldName = "SpaceMono-Bold";
    /// The families Qt selects them by.
    static constexpr std::string_view pixelFamily = "Jersey 10";
    static constexpr std::string_view monoFamily = "Space Mono";
    /// The files, in the order they are registered.
    static constexpr std::array<std::string_view, 3> fileNames{
        "Jersey10-Regular.ttf", "SpaceMono-Regular.ttf", "SpaceMono-Bold.ttf"};

    /// Where the fonts are looked for when no folder is given: beside the running program in
    /// the installed layout (`<bin>/../share/quorvel/fonts`), then in the build tree
    /// (`<bin>/../resources/fonts`); the first of them that exists as a folder, else the
    /// installed one.
    static std::filesystem::path defaultFolder();

    /// Registers the three files from `folder` once per process (see above). Later calls return
    /// the first registration's result whatever folder they name. True only when all three
    /// files registered.
    static bool registerOnce(const std::filesystem::path& folder);
    /// The same from `defaultFolder()`.
    static bool registerOnce();

    /// The result of the one registration; false while it has not run.
    static bool registered();

    /// Registers the files of `folder` now, each time it is called (no once-guard); logs a
    /// missing file as "Font file missing from the package: <name>" and one Qt refuses as
    /// "Couldn't register <name>: <reason>". True when all three registered. Needs the Qt
    /// application; without one it registers nothing and returns false.
    static bool registerFolder(const std::filesystem::path& folder);

    /// "Jersey 10" at `size` pixels (registers first when needed).
    static QFont pixel(double size);
    /// "Space Mono" at `size` pixels, the real bold face when `bold` is set.
    static QFont mono(bool bold, double size);

    /// Registers when needed, then checks that each face in the order pixel, mono, mono bold
    /// resolves to itself and not to a substitute; false at the first mismatch.
    static bool areAvailable();
};

}  // namespace quorvel

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include <QFontInfo>
#include <QRawFont>

#include "kit/visuals/views/kit/Fonts.hpp"
#include "tests/support/LogCapture.hpp"
#include "tests/support/TemporaryFolder.hpp"

namespace quorvel {
namespace {

namespace fs = std::filesystem;

const fs::path buildFonts = fs::path(QUORVEL_RESOURCE_DIR) / "fonts";

TEST(Fonts, TheBuildsThreeFacesAreRegisteredAndResolveToThemselves) {
    EXPECT_TRUE(Fonts::registerOnce(buildFonts));
    EXPECT_TRUE(Fonts::registered());
    EXPECT_TRUE(Fonts::areAvailable());
    EXPECT_EQ(QFontInfo(Fonts::pixel(24)).family(), "Jersey 10");
    EXPECT_EQ(QFontInfo(Fonts::mono(false, 12)).family(), "Space Mono");
}

TEST(Fonts, BoldIsTheRealBoldFaceNotASynthesisedOne) {
    const QRawFont bold = QRawFont::fromFont(Fonts::mono(true, 12));
    const QRawFont regular = QRawFont::fromFont(Fonts::mono(false, 12));
    EXPECT_EQ(bold.styleName(), "Bold");
    EXPECT_EQ(regular.styleName(), "Regular");
    EXPECT_NE(bold.fontTable("glyf"), regular.fontTable("glyf")) << "two different files";
}

TEST(Fonts, SizesAreWholePixelsWithHintingOff) {
    EXPECT_EQ(Fonts::pixel(24).pixelSize(), 24);
    EXPECT_EQ(Fonts::mono(true, 10.5).pixelSize(), 11);
    EXPECT_EQ(Fonts::mono(false, std::nan("")).pixelSize(), 1);
    EXPECT_EQ(Fonts::mono(false, -3).pixelSize(), 1);
    EXPECT_EQ(Fonts::pixel(12).hintingPreference(), QFont::PreferNoHinting);
}

TEST(Fonts, RegistrationRunsOncePerProcessWhateverFolderLaterCallersName) {
    std::vector<std::thread> callers;
    std::vector<char> results(8, 0);
    for (std::size_t i = 0; i < results.size(); ++i)
        callers.emplace_back([&results, i] { results[i] = Fonts::registerOnce("/nonexistent") ? 1 : 0; });
    for (std::thread& caller : callers) caller.join();
    EXPECT_EQ(results, std::vector<char>(8, 1));
}

TEST(Fonts, AMissingFileIsLoggedAndTheOthersStillRegister) {
    testing::TemporaryFolder folder;
    fs::copy_file(buildFonts / "Jersey10-Regular.ttf", fs::path(folder.path()) / "Jersey10-Regular.ttf");
    fs::copy_file(buildFonts / "SpaceMono-Regular.ttf", fs::path(folder.path()) / "SpaceMono-Regular.ttf");
    testing::LogCapture log;
    EXPECT_FALSE(Fonts::registerFolder(folder.path()));
    const auto lines = log.lines();
    ASSERT_EQ(lines.size(), 1u) << log.text();
    EXPECT_NE(lines[0].find("com.tessaloom.quorvel [Fonts] Font file missing from the package: SpaceMono-Bold.ttf"),
              std::string::npos)
        << lines[0];
}

TEST(Fonts, AFileThatIsNoFontIsLoggedWithItsReason) {
    testing::TemporaryFolder folder;
    for (const auto name : Fonts::fileNames) fs::copy_file(buildFonts / std::string(name), fs::path(folder.path()) / std::string(name));
    fs::remove(fs::path(folder.path()) / "SpaceMono-Regular.ttf");
    std::ofstream(fs::path(folder.path()) / "SpaceMono-Regular.ttf") << "not a font";
    testing::LogCapture log;
    EXPECT_FALSE(Fonts::registerFolder(folder.path()));
    const auto lines = log.lines();
    ASSERT_EQ(lines.size(), 1u) << log.text();
    EXPECT_NE(lines[0].find("Couldn't register SpaceMono-Regular.ttf: "), std::string::npos) << lines[0];
}

TEST(Fonts, RegisteringTheSameFilesAgainCountsAsSuccessWithoutALogLine) {
    testing::LogCapture log;
    EXPECT_TRUE(Fonts::registerFolder(buildFonts));
    EXPECT_EQ(log.text(), "");
}

TEST(Fonts, TheDefaultFolderLiesBesideTheProgram) {
    const fs::path folder = Fonts::defaultFolder();
    EXPECT_TRUE(folder.is_absolute());
    const std::string text = folder.generic_string();
    EXPECT_TRUE(text.ends_with("share/quorvel/fonts") || text.ends_with("resources/fonts")) << text;
}

}  // namespace
}  // namespace quorvel

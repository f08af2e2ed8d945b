// The views paint with Qt: one GUI application (offscreen) for the whole suite, and the fonts
// registered from the build's resource folder before the first test.
#include <QGuiApplication>

#include "kit/visuals/views/kit/Fonts.hpp"
#include "tests/support/QtTestApplication.hpp"

namespace {

class FontsFromBuild final : public ::testing::Environment {
public:
    void SetUp() override { quorvel::Fonts::registerOnce(std::filesystem::path(QUORVEL_RESOURCE_DIR) / "fonts"); }
};

// Registered in this order: the application first, then the fonts that need it.
[[maybe_unused]] ::testing::Environment* const application =
    quorvel::testing::addQtTestApplication<QGuiApplication>("views_tests");
[[maybe_unused]] ::testing::Environment* const fonts = ::testing::AddGlobalTestEnvironment(new FontsFromBuild);

}  // namespace

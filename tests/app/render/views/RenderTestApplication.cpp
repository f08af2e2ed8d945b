// Render mode paints with Qt: one offscreen GUI application for the suite, with the fonts of
// the build registered before the first test.
#include <QGuiApplication>

#include "kit/visuals/views/kit/Fonts.hpp"
#include "tests/support/QtTestApplication.hpp"

namespace {

class FontsFromBuild final : public ::testing::Environment {
public:
    void SetUp() override { quorvel::Fonts::registerOnce(std::filesystem::path(QUORVEL_RESOURCE_DIR) / "fonts"); }
};

[[maybe_unused]] ::testing::Environment* const application =
    quorvel::testing::addQtTestApplication<QGuiApplication>("app_render_views_tests");
[[maybe_unused]] ::testing::Environment* const fonts = ::testing::AddGlobalTestEnvironment(new FontsFromBuild);

}  // namespace

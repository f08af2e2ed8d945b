// The views need a Qt GUI application and the product's fonts from the build's resources.
#include <QGuiApplication>

#include "kit/visuals/views/kit/Fonts.hpp"
#include "tests/support/QtTestApplication.hpp"

namespace {

class FontsEnvironment final : public ::testing::Environment {
public:
    void SetUp() override { quorvel::Fonts::registerOnce(QUORVEL_RESOURCE_DIR "/fonts"); }
};

[[maybe_unused]] ::testing::Environment* const registered =
    quorvel::testing::addQtTestApplication<QGuiApplication>("phone_tests");
[[maybe_unused]] ::testing::Environment* const fonts = ::testing::AddGlobalTestEnvironment(new FontsEnvironment);

}  // namespace

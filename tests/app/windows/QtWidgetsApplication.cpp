// The windows need a Qt widgets application.
#include <QApplication>

#include "tests/support/QtTestApplication.hpp"

namespace {

[[maybe_unused]] ::testing::Environment* const registered =
    quorvel::testing::addQtTestApplication<QApplication>("app_windows_tests");

}  // namespace

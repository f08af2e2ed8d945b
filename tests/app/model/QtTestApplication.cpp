// The model needs a Qt application object for its timer and its queued calls.
#include <QCoreApplication>

#include "tests/support/QtTestApplication.hpp"

namespace {

[[maybe_unused]] ::testing::Environment* const registered =
    quorvel::testing::addQtTestApplication<QCoreApplication>("app_model_tests");

}  // namespace

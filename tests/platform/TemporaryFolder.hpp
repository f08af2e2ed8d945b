#pragma once
// Kept for the suites that still include it from here; the folder lives in tests/support.
#include "tests/support/TemporaryFolder.hpp"

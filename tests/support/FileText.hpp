#pragma once
// What a file holds, for a test that only reads it: a file that isn't there (yet) or can't be
// read reads as empty, the way a log nobody wrote to is empty. Free of any test framework.
#include <string>

#include "platform/files/Files.hpp"

namespace quorvel::testing {

inline std::string fileText(const std::string& path) {
    auto text = files::readFile(path);
    return text ? *text : std::string();
}

}  // namespace quorvel::testing

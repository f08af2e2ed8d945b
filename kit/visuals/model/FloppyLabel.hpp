#pragma once
// What the label on the ejected floppy says, already in capitals.
#include <string>

namespace quorvel {

struct FloppyLabel {
    std::string project = "QUORVEL";
    std::string duration;

    bool operator==(const FloppyLabel&) const = default;
};

}  // namespace quorvel

#include "kit/engine/InstanceName.hpp"

#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "kit/engine/Quorvel.hpp"

namespace quorvel {
namespace {

// FNV-1a: stable across builds and machines, which std::hash doesn't promise; two copies
// built apart must still derive the same name.
std::uint64_t stableHash(std::string_view text) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const char byte : text) {
        hash ^= static_cast<unsigned char>(byte);
        hash *= 1099511628211ull;
    }
    return hash;
}

std::string realHome(const std::string& home) {
    char resolved[PATH_MAX];
    if (::realpath(home.c_str(), resolved) != nullptr) return resolved;
    return home;
}

}  // namespace

std::string instanceSocketName(const QuorvelPaths& paths, std::string_view purpose) {
    char hash[17];
    std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(stableHash(realHome(paths.home))));
    std::string name(1, '\0');
    name += Quorvel::macBundleID;
    name += "." + std::to_string(::getuid()) + "." + hash + ".";
    name += purpose;
    return name;
}

}  // namespace quorvel

#include "platform/files/DamagedFileAside.hpp"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <filesystem>
#include <optional>
#include <utility>
#include <vector>

#include "platform/files/FileDescriptors.hpp"

namespace quorvel::files {
namespace {

// The number of a copy set aside from `name` ("<name>.bad" is 0), or none for other names.
std::optional<unsigned long> copyNumber(std::string_view candidate, std::string_view name) {
    const std::string stem = std::string(name) + ".bad";
    if (!candidate.starts_with(stem)) return std::nullopt;
    candidate.remove_prefix(stem.size());
    if (candidate.empty()) return 0;
    if (!candidate.starts_with('-') || candidate.size() < 2) return std::nullopt;
    candidate.remove_prefix(1);
    unsigned long number = 0;
    const auto [end, error] = std::from_chars(candidate.data(), candidate.data() + candidate.size(), number);
    if (error != std::errc() || end != candidate.data() + candidate.size() || number == 0) return std::nullopt;
    return number;
}

// Copies beside `path`, oldest first.
std::vector<std::pair<unsigned long, std::string>> copiesOf(const std::string& path) {
    std::vector<std::pair<unsigned long, std::string>> copies;
    const std::string name = fileName(path);
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(parentPath(path), error)) {
        const std::string candidate = entry.path().filename();
        if (auto number = copyNumber(candidate, name)) copies.emplace_back(*number, entry.path().string());
    }
    std::sort(copies.begin(), copies.end());
    return copies;
}

}  // namespace

Expected<std::string, FileError> moveDamagedFileAside(const std::string& path, std::size_t kept) {
    const auto copies = copiesOf(path);
    unsigned long next = copies.empty() ? 1 : copies.back().first + 1;
    std::string aside;
    for (;;) {
        aside = path + ".bad-" + std::to_string(next);
        // Never over an existing name, even one another process has just taken.
        if (::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, aside.c_str(), RENAME_NOREPLACE) == 0) break;
        // A file system without that flag: a hard link fails on an existing name the same way.
        if (errno == EINVAL && ::link(path.c_str(), aside.c_str()) == 0) {
            ::unlink(path.c_str());
            break;
        }
        if (errno != EEXIST) return fileFailure(errno, path);
        ++next;
    }
    auto remaining = copiesOf(path);
    for (std::size_t i = 0; i + kept < remaining.size(); ++i) ::unlink(remaining[i].second.c_str());
    return aside;
}

}  // namespace quorvel::files

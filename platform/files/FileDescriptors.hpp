#pragma once
// The steps on file descriptors that the file layers share: opening and writing that survive
// interruptions, and creating a new file that is whole or not there at all.
#include <functional>
#include <string>
#include <string_view>
#include <sys/types.h>

#include "platform/Expected.hpp"
#include "platform/files/Files.hpp"

namespace quorvel::files {

/// The failure for errno `code` at `path`, ready to return.
Unexpected<FileError> fileFailure(int code, std::string path);

/// open(2), tried again while a signal interrupts it; -1 with errno set on failure.
int openRetrying(const char* path, int flags, mode_t mode = 0);

/// Writes all of `bytes`, going on after short writes and interruptions; false with errno set
/// on failure.
bool writeAll(int fd, std::string_view bytes);

/// Creates a new file at `path` (never replacing one) with `mode` exactly, whatever the umask,
/// lets `fill` write it (returning 0, or the errno value of its failure) and flushes it to
/// disk. When any step fails the file is removed again and the failure names `path`.
Expected<void, FileError> createExclusively(const std::string& path, mode_t mode,
                                            const std::function<int(int fd)>& fill);

}  // namespace quorvel::files

#pragma once
// File operations with the system's rules: writes are atomic (a temporary file in the same
// folder, created with its final mode, renamed over the target; nothing left behind on
// failure), private folders are 0700 and private files 0600 from the moment they exist.
#include <string>
#include <string_view>
#include <sys/types.h>

#include "platform/Expected.hpp"

namespace quorvel::files {

struct FileError {
    int code = 0;          ///< errno value (EIO when unknown)
    std::string path;      ///< the file the failure concerns
    std::string message;   ///< user-facing text, e.g. "Permission denied: /a/b"
};

/// `FileError` from errno `code` for `path`, with strerror's text.
FileError fileErrorFromErrno(int code, std::string path);

/// Reads the whole file.
Expected<std::string, FileError> readFile(const std::string& path);

/// Creates `path` and every missing parent; new folders get `mode` exactly (the umask does
/// not apply); existing folders are left unchanged.
Expected<void, FileError> createDirectories(const std::string& path, mode_t mode = 0700);

/// Writes `bytes` to `path` atomically. The temporary file is "." + file name + "." + a new
/// upper-case UUID in the same folder, created with `mode` exactly, then renamed over `path`.
/// The containing folder must exist.
Expected<void, FileError> writeFileAtomically(const std::string& path, std::string_view bytes,
                                              mode_t mode = 0600);

/// The folder part of `path` ("/a/b/c" gives "/a/b"; "c" gives ".").
std::string parentPath(std::string_view path);
/// The last component of `path`.
std::string fileName(std::string_view path);
/// `base` + "/" + `relative`, without doubling the separator.
std::string joinPath(std::string_view base, std::string_view relative);

/// The user's home: $HOME when set and not empty, else the password database's entry.
std::string homeDirectory();

}  // namespace quorvel::files

#pragma once
// Reading the files this system keeps in its own folders (the endpoint file, the finished
// list, spool files, the defaults). Anyone who can write those folders can put a link, a
// FIFO, a device or a huge file where one of ours should be; none of them may follow the
// reader elsewhere, block it or fill its memory. So a read never follows a final symbolic
// link, opens nothing but a regular file (a FIFO or device is not even opened: that alone acts
// on it), never waits on the file (opened non-blocking) and reads at most `maxBytes`: anything
// else is an error, which the caller treats as an unreadable file.
// Safe from any thread.
#include <cstddef>
#include <string>
#include <sys/types.h>

#include "platform/Expected.hpp"
#include "platform/files/FileDescriptors.hpp"
#include "platform/files/Files.hpp"

namespace quorvel::files {

/// What was read, with what the file said about itself when it was opened.
struct OwnFileContents {
    std::string bytes;
    mode_t permissions = 0;  ///< 07777 bits
    uid_t owner = 0;
};

/// What a read does with a symbolic link at the end of the path.
enum class FinalLink {
    /// Refused (ELOOP): the files in our own folders.
    refuse,
    /// Followed to the file it names, which is then held to the same rules: a file the user
    /// chose (a link in Downloads is as good as the file).
    follow,
};

/// Reads the regular file at `path` (not through a final link, unless `finalLink` says to
/// follow it) up to `maxBytes`. Errors: ELOOP for a refused link, EINVAL ("not a regular
/// file") for a FIFO, device, socket or folder, EFBIG when the file holds more than
/// `maxBytes`, else the system's own.
Expected<OwnFileContents, FileError> readOwnFile(const std::string& path, std::size_t maxBytes,
                                                 FinalLink finalLink = FinalLink::refuse);

/// The same for the entry `name` of the folder open as `folderFd`; `path` names it in errors.
Expected<OwnFileContents, FileError> readOwnFileAt(int folderFd, const std::string& name, std::size_t maxBytes,
                                                   const std::string& path);

/// A folder opened for reading its entries, itself not a link (O_NOFOLLOW): what is done
/// through it with the *at calls stays inside it. -1 with errno set on failure (ENOTDIR for
/// a link or anything else that is not a folder). The caller closes it.
int openOwnFolder(const std::string& path);

}  // namespace quorvel::files

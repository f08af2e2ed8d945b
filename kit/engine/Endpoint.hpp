#pragma once
// The port and bearer token of the app's event server, kept in the endpoint file that the app
// writes and the helper reads: {"port":N,"token":"..."}.
#include <cstdint>
#include <string>
#include <sys/types.h>

#include "platform/Expected.hpp"
#include "platform/files/Files.hpp"

namespace quorvel {

struct EndpointError {
    enum class Kind {
        file,         ///< the file could not be read, written or renamed
        malformed,    ///< the file's contents are not an endpoint
        noRandomness  ///< the secure random source failed
    };
    Kind kind = Kind::file;
    int code = 0;          ///< errno value for file errors, else 0
    std::string path;      ///< the file concerned, when there is one
    std::string message;   ///< user-facing text

    static EndpointError fromFileError(files::FileError error);
};

struct Endpoint {
    /// Length of a token: 32 random bytes in base64url without padding.
    static constexpr std::size_t tokenLength = 43;
    /// No endpoint file of ours comes near this; a bigger one is not ours.
    static constexpr std::size_t maxFileBytes = 4096;

    /// An endpoint as found in the file, with whether the file kept it private.
    struct Stored;

    std::uint16_t port = 0;
    std::string token;

    /// Reads and decodes the endpoint file. A token that is not 43 base64url characters makes
    /// the file unusable, since every request carrying it would be refused. The file is read
    /// as one of our own (platform/files/OwnFileRead.hpp): a link, a FIFO, a device or a file over
    /// `maxFileBytes` can't be read; nor can one of another user's, or one others may write
    /// (EACCES).
    static Expected<Endpoint, EndpointError> read(const std::string& path);
    /// `read`, also telling whether the file was the user's alone.
    static Expected<Stored, EndpointError> readStored(const std::string& path);

    /// Writes the file atomically (0600), creating its folder (0700) when missing.
    Expected<void, EndpointError> write(const std::string& path) const;

    /// A new token: 32 bytes from the secure random source, base64url without padding.
    static Expected<std::string, EndpointError> makeToken();

    /// True when `token` has the form makeToken gives.
    static bool isWellFormedToken(const std::string& token);

    /// The file's contents, compact: {"port":N,"token":"..."}.
    std::string encoded() const;

    bool operator==(const Endpoint&) const = default;
};

struct Endpoint::Stored {
    Endpoint endpoint;
    /// The file's permission bits when it was read.
    mode_t permissions = 0;
    /// Owned by this user, and no one else may read or write it: only then is its token still
    /// a secret.
    bool isPrivate = false;
    /// Owned by this user, and no one else may write it: only then does its port lead to
    /// this user's app.
    bool isOwnedAndUnwritableByOthers = false;
};

}  // namespace quorvel

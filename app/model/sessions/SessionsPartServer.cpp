// The event server's start: the endpoint file with its token and port, and why the server
// couldn't start, for the windows to show.
#include <QMetaObject>
#include <sys/stat.h>

#include "app/model/sessions/SessionsPart.hpp"
#include "app/stores/PrivateFolders.hpp"
#include "kit/engine/Endpoint.hpp"
#include "kit/engine/Quorvel.hpp"
#include "platform/files/DamagedFileAside.hpp"

namespace quorvel {
namespace {

// Anything but a regular file in the endpoint file's place (a folder, a FIFO, a device, a
// socket, a link) reads as no endpoint, and a folder can't even be renamed over: the new file
// could never be written and no helper would learn where to post. It is set aside as a
// damaged file of ours is, for a person to look at, and a new file takes its place.
void setAsideUnlessRegularFile(const std::string& path, const Logger& logger) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || S_ISREG(info.st_mode)) return;
    if (auto aside = files::moveDamagedFileAside(path)) {
        logger.notice("The endpoint file " + path + " was not a regular file; moved it aside to " + *aside);
    } else {
        logger.error("The endpoint file " + path + " is not a regular file and couldn't be moved aside: " +
                     aside.error().message);
    }
}

}  // namespace

void SessionsPart::startServer() {
    // A start-up still queued when the process was asked to end must not open a server.
    if (shutDown_) return;
    // The token and the spool live in these folders: they are closed again before anything
    // in them is trusted.
    restorePrivateFolderModes(services_.paths);
    std::optional<std::string> linkedFolderProblem;
    // Whoever put a link in place of one of them chooses where the token or the events would
    // go; nothing is written through it. Without the application-support folder there is no
    // endpoint to write, so no server either.
    if (const std::vector<std::string> linked = linkedPrivateFolders(services_.paths); !linked.empty()) {
        const std::string problem = linked.front() + " is a link to another folder; " +
                                    std::string(Quorvel::displayName) +
                                    " won't write through it (put a real folder of yours in its place)";
        if (linked.front() == services_.paths.appSupport()) {
            setServerProblem("Couldn't start listening for Claude Code: " + problem);
            logger_.error(*serverProblem_);
            return;
        }
        linkedFolderProblem = problem;
    }
    const std::string endpointPath = services_.paths.endpoint();
    setAsideUnlessRegularFile(endpointPath, logger_);
    std::optional<Endpoint> stored;
    // A private file in another mode (0400, 0700) is kept but written again as 0600.
    bool storedAs0600 = false;
    if (auto read = Endpoint::readStored(endpointPath)) {
        if (read->isPrivate) {
            stored = read->endpoint;
            storedAs0600 = read->permissions == 0600;
        } else {
            // Someone else could have read the token: it is no secret any more.
            logger_.notice("The endpoint file " + endpointPath + " was open to others; making a new token");
        }
    }

    std::string token;
    if (stored) {
        token = stored->token;
    } else if (auto made = Endpoint::makeToken()) {
        token = *made;
    } else {
        setServerProblem("Couldn't create a secret key: " + made.error().message);
        logger_.error(*serverProblem_);
        return;
    }

    std::optional<std::uint16_t> preferredPort;
    if (stored) preferredPort = stored->port;
    auto started = EventServer::start(
        preferredPort, token, [this](HookEvent event) { receiveLiveEvent(std::move(event)); },
        [this](std::function<void()> handOver) {
            // From the server's thread to the main thread; dropped once the part is gone.
            QMetaObject::invokeMethod(this, std::move(handOver), Qt::QueuedConnection);
        });
    if (!started) {
        setServerProblem("Couldn't start listening for Claude Code: " + started.error().description);
        logger_.error(*serverProblem_);
        return;
    }
    server_ = std::move(*started);

    const Endpoint current{server_->port(), token};
    if (!stored || *stored != current || !storedAs0600) {
        if (auto written = current.write(endpointPath); !written) {
            setServerProblem("Couldn't start listening for Claude Code: " + written.error().message);
            logger_.error(*serverProblem_);
            return;
        }
    }
    if (linkedFolderProblem) logger_.error(*linkedFolderProblem);
    setServerProblem(linkedFolderProblem ? linkedFolderProblem : folderProblem_);
}

void SessionsPart::noteFolderProblem(std::string problem) {
    logger_.error(problem);
    folderProblem_ = std::move(problem);
}

}  // namespace quorvel

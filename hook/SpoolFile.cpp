#include "hook/SpoolFile.hpp"

#include "platform/SecureRandom.hpp"
#include "platform/files/Files.hpp"
#include "platform/files/SymbolicLink.hpp"

namespace quorvel {

void writeSpoolFile(std::string_view data, const HookEvent& event, const QuorvelPaths& paths, const HookLog& log) {
    const std::string folder = paths.spool();
    // The app never drains a linked folder, so an event written through one would wait there
    // for good.
    for (const std::string& own : {paths.appSupport(), folder}) {
        if (files::isSymbolicLink(own)) {
            log.writeLogLine("spool folder not used: " + own + " is a link");
            return;
        }
    }
    if (auto created = files::createDirectories(folder, 0700); !created) {
        log.writeLogLine("couldn't create spool folder: " + created.error().message);
        return;
    }
    const std::string name = spoolFileName(event, random::makeUuidString());
    // Written under a hidden temporary name and renamed, so the drain sees all or nothing.
    if (!files::writeFileAtomically(files::joinPath(folder, name), data, 0600)) {
        log.writeLogLine("couldn't write spool file " + name);
    }
}

}  // namespace quorvel

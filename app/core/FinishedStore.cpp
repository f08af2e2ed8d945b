#include "app/core/FinishedStore.hpp"

#include <cerrno>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <utility>

#include "kit/engine/Quorvel.hpp"
#include "platform/Files.hpp"
#include "platform/BoundedJson.hpp"
#include "platform/JsonCoding.hpp"
#include "platform/OwnFileRead.hpp"
#include "platform/SymbolicLink.hpp"

namespace quorvel {
namespace {

bool exists(const std::string& path) {
    std::error_code error;
    return std::filesystem::symlink_status(path, error).type() != std::filesystem::file_type::not_found &&
           !error;
}

std::vector<FinishedRun> decodeRuns(const std::string& text) {
    const json::Json document = json::parseBounded(text, FinishedStore::maxFileValues);
    if (!document.is_array()) throw json::JsonDecodeError("the finished list is not a JSON array");
    std::vector<FinishedRun> runs;
    runs.reserve(document.size());
    for (const json::Json& element : document) runs.push_back(FinishedRun::decode(element));
    return runs;
}

}  // namespace

FinishedStore::FinishedStore(std::string folder)
    : folder_(std::move(folder)), logger_(Quorvel::macBundleID, "Finished") {}

std::vector<FinishedRun> FinishedStore::load() {
    const std::string current = files::joinPath(folder_, fileName);
    const bool currentExists = exists(current);
    const std::string chosen = currentExists ? current : files::joinPath(folder_, legacyFileName);
    if (!currentExists && !exists(chosen)) return {};

    std::string problem;
    const auto contents = files::readOwnFile(chosen, maxFileBytes);
    if (contents) {
        try {
            return decodeRuns(contents->bytes);
        } catch (const std::exception& error) {
            problem = error.what();
        }
    } else {
        problem = contents.error().message;
    }
    logger_.error("Couldn't read the finished list: " + problem);
    keepUnreadableFile_ = currentExists;
    return {};
}

bool FinishedStore::save(const std::vector<FinishedRun>& runs) {
    if (auto created = files::createDirectories(folder_); !created) {
        logger_.error("Couldn't save the finished list: " + created.error().message);
        return false;
    }
    // A folder of our own replaced by a link: whoever placed it chooses where writes land.
    if (files::isSymbolicLink(folder_)) {
        logger_.error("Couldn't save the finished list: " + files::fileErrorFromErrno(ELOOP, folder_).message);
        return false;
    }

    const std::string current = files::joinPath(folder_, fileName);
    if (keepUnreadableFile_) {
        keepUnreadableFile_ = false;
        const std::string aside = files::joinPath(folder_, asideFileName);
        if (std::rename(current.c_str(), aside.c_str()) == 0) {
            logger_.notice("Moved the unreadable finished list aside to " + aside);
        } else if (errno != ENOENT) {
            logger_.error("Couldn't move the unreadable finished list aside: " +
                          files::fileErrorFromErrno(errno, aside).message);
        }
    }

    std::string bytes;
    try {
        json::Json document = json::Json::array();
        for (const FinishedRun& run : runs) document.push_back(run.encode());
        bytes = json::dump(document);
    } catch (const std::exception& error) {
        logger_.error(std::string("Couldn't save the finished list: ") + error.what());
        return false;
    }
    if (auto written = files::writeFileAtomically(current, bytes); !written) {
        logger_.error("Couldn't save the finished list: " + written.error().message);
        return false;
    }
    return true;
}

}  // namespace quorvel

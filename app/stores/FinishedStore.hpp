#pragma once
// The FINISHED list outlives the app in one JSON file in the application-support folder.
// It is read once at start and written whole after every change. A row that can't be read
// back costs that row only; a file with such a row, or one that can't be read at all, is
// moved aside (finished.json.bad-N, platform/files/DamagedFileAside.hpp) before the first save
// writes over it, so a damaged file never silently costs the history. Main thread.
#include <cstddef>
#include <string>
#include <vector>

#include "kit/engine/FinishedRun.hpp"
#include "platform/logging/Logger.hpp"

namespace quorvel {

class FinishedStore {
public:
    static constexpr const char* fileName = "finished.json";
    /// The FINISHED list keeps this many runs.
    static constexpr std::size_t keptRuns = 50;
    /// Read when there is no current file; never written or deleted.
    static constexpr const char* legacyFileName = "setlist.json";
    /// Fifty runs with their logs stay far below this; a bigger file is not one of ours and
    /// is treated as unreadable rather than read into memory.
    static constexpr std::size_t maxFileBytes = 8 * 1024 * 1024;
    /// Fifty runs are a few hundred JSON values; a file holding more than this is unreadable
    /// (and moved aside) as soon as the reader has counted that far.
    static constexpr std::size_t maxFileValues = 20000;

    /// The store in `folder` (the application-support folder).
    explicit FinishedStore(std::string folder);

    /// The stored runs in stored order: from the current file when it exists, else from the
    /// legacy one; empty when neither exists or the chosen one can't be read (logged). Rows
    /// that don't decode are dropped (one log line) and the others kept. A link, FIFO,
    /// device, folder or oversized file in either place counts as unreadable.
    std::vector<FinishedRun> load();

    /// Writes `runs` to the current file atomically, creating the folder when needed; never
    /// through a folder that is a link. The file never exceeds `maxFileBytes`: rows past it
    /// (the oldest) are left out, with one log line. With events within their bounds
    /// (kit/engine/HookEvent.hpp) a row is at most about 100 KB even when every character
    /// needs an escape, so fifty rows always fit. False when it couldn't (a full disk): the failure is
    /// logged, and nothing else happens.
    bool save(const std::vector<FinishedRun>& runs);

    const std::string& folder() const { return folder_; }

private:
    std::string folder_;
    // The current file exists but couldn't be read whole at load: keep it before overwriting it.
    bool keepUnreadableFile_ = false;
    Logger logger_;
};

}  // namespace quorvel

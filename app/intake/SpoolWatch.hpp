#pragma once
// Tells the intake whether something may have been put into the spool folder since it last
// looked, so that a live event costs the same however many entries stay in the folder
// (strays, folders, files nobody can read): the folder is listed again only after a spool
// file (a ".json" name) was renamed, linked, created or written into it. Built on an inotify watch; without one (the folder doesn't
// exist yet, or the system refuses a watch) every question is answered yes, so nothing
// spooled is ever missed, and while the folder is missing its parent is watched for it to
// appear. Main thread; owns its descriptor.
#include <string>

namespace quorvel {

class SpoolWatch {
public:
    explicit SpoolWatch(std::string folder);
    ~SpoolWatch();
    SpoolWatch(const SpoolWatch&) = delete;
    SpoolWatch& operator=(const SpoolWatch&) = delete;

    /// True on the first call, and afterwards when a file may have been put into the folder
    /// since the last call: a ".json" name was renamed, linked or created there, or such a
    /// file written and closed (a file may be news before its writer is done), the folder
    /// itself went or was
    /// replaced, the system dropped changes, or there is no watch. Consumes what it read, so
    /// the descriptor is quiet again. Never blocks. Ask before listing the folder: whatever
    /// lands during the listing is reported by the next call.
    bool mayHaveChanged();

    /// Readable when the folder has changed since `mayHaveChanged` last read; -1 when the
    /// system gave no inotify instance.
    int descriptor() const { return inotify_; }

private:
    /// Reads every change waiting on the descriptor; true when there was any. Forgets the
    /// folder's watch when the folder went.
    bool readChanges();

    std::string folder_;
    int inotify_ = -1;
    int watch_ = -1;
    /// On the enclosing folder while the folder itself is missing.
    int parentWatch_ = -1;
};

}  // namespace quorvel

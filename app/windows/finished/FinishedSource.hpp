#pragma once
// The app as the finished window sees it: the FINISHED list, and its Clear. Main thread.
#include <QObject>
#include <vector>

#include "kit/engine/FinishedRun.hpp"

namespace quorvel {

class FinishedSource : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    /// Newest first.
    virtual const std::vector<FinishedRun>& finished() const = 0;
    /// Empties the list and saves the empty list at once.
    virtual void clearFinished() = 0;

signals:
    /// Something the app holds changed; the list may or may not differ.
    void changed();
};

}  // namespace quorvel

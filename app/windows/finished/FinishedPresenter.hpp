#pragma once
// What the finished window shows: the whole FINISHED list, the time its rows and day
// headings are written for (taken when the window is shown and whenever the list changes,
// so runs move under YESTERDAY after midnight), the run whose log is open, and the footer.
// The open log stays with its run when the list changes under it (a new run on top, the
// oldest dropped at the cap) and closes when its run is gone (Clear). Main thread.
#include <QObject>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/windows/finished/FinishedSource.hpp"
#include "kit/engine/FinishedRun.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel {

class FinishedPresenter final : public QObject {
    Q_OBJECT

public:
    /// `source` must outlive the presenter.
    FinishedPresenter(FinishedSource& source, std::shared_ptr<const Clock> clock, QObject* parent = nullptr);

    const std::vector<FinishedRun>& runs() const { return runs_; }
    Instant now() const { return now_; }
    /// The index in `runs` of the run whose log is shown.
    std::optional<std::size_t> openLog() const { return openLog_; }
    /// "<count> entries, last 50 kept".
    std::string caption() const;
    bool canClear() const { return !runs_.empty(); }

    /// The log to show under the row at `index`: only the open one's.
    std::optional<std::string> logFor(std::size_t index) const;

    /// The window comes on screen: its rows are written for now.
    void windowShown();
    /// Opens the log of the row at `index`, or closes it when it is the open one.
    void toggleLog(std::size_t index);
    /// Empties the list and saves the empty list at once.
    void clear();

    /// Where the run open at `open` in `before` is in `after`: found by the longest overlap
    /// of the two lists (runs added on top shift it down, runs dropped at the end don't
    /// move it), else by its first equal run; absent when it is gone.
    static std::optional<std::size_t> follow(const std::vector<FinishedRun>& before, std::size_t open,
                                             const std::vector<FinishedRun>& after);

signals:
    void changed();

private:
    /// The app changed: the rows follow when its list differs.
    void sourceChanged();

    FinishedSource& source_;
    std::shared_ptr<const Clock> clock_;
    std::vector<FinishedRun> runs_;
    Instant now_;
    std::optional<std::size_t> openLog_;
};

}  // namespace quorvel

#pragma once
// What the app model asks of this desktop for the user: a modal alert, a file dialog, the
// file manager, and the taskbar entry. Main thread.
#include <QString>

#include "app/model/AppDesktop.hpp"
#include "platform/logging/Logger.hpp"
#include "platform/qt/TaskbarPresence.hpp"

namespace quorvel {

class QtAppDesktop final : public AppDesktop {
public:
    /// `taskbar` (which must outlive this object) is switched for the taskbar setting.
    explicit QtAppDesktop(TaskbarPresence& taskbar);

    /// A modal warning; without a display, where no one could answer it, the log line only.
    void showErrorAlert(const std::string& message) override;
    /// A modal file dialog, opened in the folder of the file last chosen in it, at first the
    /// user's home folder (never the app's working folder); without a display, the log line
    /// only, as if cancelled.
    std::optional<std::string> chooseFile(const std::string& title) override;
    /// Through the desktop's default file manager.
    void openFolder(const std::string& path) override;
    void setShowsInDock(bool shown) override;

private:
    TaskbarPresence& taskbar_;
    Logger logger_;
    /// Where the last file was chosen; empty until one is.
    QString lastChosenFolder_;
};

}  // namespace quorvel

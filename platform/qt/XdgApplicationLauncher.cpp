#include "platform/qt/XdgApplicationLauncher.hpp"

#include <QProcess>
#include <QString>
#include <QStringList>

#include "platform/desktop/DesktopEntry.hpp"
#include "platform/files/Files.hpp"

namespace quorvel {

bool XdgApplicationLauncher::open(std::string_view desktopEntryID) {
    const std::optional<std::string> path = DesktopEntry::find(desktopEntryID);
    if (!path) return false;
    const auto contents = files::readFile(*path);
    if (!contents) return false;
    const DesktopEntry entry = DesktopEntry::parse(*contents);
    const std::optional<std::vector<std::string>> command = entry.execArguments();
    if (!command) return false;
    QStringList arguments;
    for (std::size_t index = 1; index < command->size(); ++index) {
        arguments << QString::fromStdString((*command)[index]);
    }
    return QProcess::startDetached(QString::fromStdString(command->front()), arguments,
                                   QString::fromStdString(entry.value("Path").value_or("")));
}

}  // namespace quorvel

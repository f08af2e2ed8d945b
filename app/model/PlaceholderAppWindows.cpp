#include "app/model/PlaceholderAppWindows.hpp"

#include <QDesktopServices>
#include <QUrl>

#include "kit/engine/Quorvel.hpp"

namespace quorvel {
namespace {

class PlaceholderWindow final : public WindowHost {
public:
    void show() override {}
    void hide() override {}
};

}  // namespace

PlaceholderAppWindows::PlaceholderAppWindows() : logger_(Quorvel::macBundleID, "Windows") {}

std::unique_ptr<WindowHost> PlaceholderAppWindows::makeDeviceWindow(AppModel&) {
    return std::make_unique<PlaceholderWindow>();
}

std::unique_ptr<WindowHost> PlaceholderAppWindows::makeStripPanel(AppModel&) {
    return std::make_unique<PlaceholderWindow>();
}

std::unique_ptr<WindowHost> PlaceholderAppWindows::makeHostedWindow(const HostedWindowSpec&, AppModel&) {
    return std::make_unique<PlaceholderWindow>();
}

void PlaceholderAppWindows::showErrorAlert(const std::string& message) {
    logger_.error(std::string(Quorvel::displayName) + " couldn't do that: " + message);
}

std::optional<std::string> PlaceholderAppWindows::chooseFile(const std::string&) { return std::nullopt; }

void PlaceholderAppWindows::openFolder(const std::string& path) {
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)))) {
        logger_.error("Couldn't open " + path);
    }
}

void PlaceholderAppWindows::setShowsInDock(bool) {}

}  // namespace quorvel

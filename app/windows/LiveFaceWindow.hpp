#pragma once
// A face window tied to its presenter, as the device window and the strip panel make theirs:
// the window manager's close asks the presenter to hide, a right click opens the app's menu,
// the menu's keys work in it, coming on or off screen starts or stops the presenter's ticks
// and the face's motion, and each change the presenter announces repaints the face. Main
// thread.
#include <QObject>
#include <QPoint>
#include <QString>
#include <functional>
#include <memory>

#include "app/windows/FaceWindow.hpp"
#include "app/windows/WindowKeys.hpp"
#include "app/windows/WindowLinks.hpp"

namespace quorvel {

/// `presenter` must outlive the window.
template <typename Presenter, typename Face>
std::unique_ptr<FaceWindow> makeLiveFaceWindow(FaceWindow::Kind kind, QString title, Presenter& presenter,
                                               std::unique_ptr<Face> face, const WindowLinks& links) {
    Face& content = *face;
    auto window = std::make_unique<FaceWindow>(kind, std::move(face), std::move(title));
    window->onCloseRequest([&presenter] { presenter.hide(); });
    window->onContextMenu([openMenu = links.openMenu](QPoint at) {
        if (openMenu) openMenu(at);
    });
    window->onTrayQuery(links.trayShown);
    WindowKeys::install(*window, links.menuCommand);
    window->onShownChanged([&presenter, &content](bool shown) {
        presenter.live().setShown(shown);
        content.setShown(shown);
    });
    QObject::connect(&presenter, &Presenter::changed, window.get(), [&content] { content.refresh(); });
    return window;
}

}  // namespace quorvel

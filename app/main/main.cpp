#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <memory>

#include "app/core/AppNotifications.hpp"
#include "app/core/MacAppDelegate.hpp"
#include "app/core/SingleInstance.hpp"
#include "app/render/SoundRender.hpp"
#include "app/windows/QuorvelMacApp.hpp"
#include "kit/engine/Quorvel.hpp"
#include "platform/Logger.hpp"
#include "platform/qt/HeadlessPlatform.hpp"

namespace {

bool hasArgument(int argc, char** argv, const char* argument) {
    for (int index = 1; index < argc; ++index) {
        if (std::strcmp(argv[index], argument) == 0) return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace quorvel;

    // 1. The application delegate, first, so that it sees every application event. It asks
    //    the app (made at step 5) for the Dock setting once launching has finished.
    std::unique_ptr<QuorvelMacApp> app;
    MacAppDelegate delegate(
        AppNotifications::defaultCenter(), [&app] { return app && app->model().settings().showInDock; },
        [&app] {
            if (app) app->becomeRegularApp();
        });

    // 2. Render mode: this build can't render views to images yet.
    if (hasArgument(argc, argv, "--render")) {
        std::fprintf(stderr, "Quorvel: --render is not available in this build.\n");
        return 1;
    }

    // 3. Writing the sound files needs nothing else of the app: no display, no window, no state.
    if (auto status = SoundRender::renderIfRequested(argc, argv)) return *status;

    // 4. One copy per user: a second one ends at once, quietly, having touched nothing.
    SingleInstance instance(SingleInstance::defaultLockPath());
    if (auto claimed = instance.claim(); !claimed) {
        // Better two copies than none: start anyway.
        Logger(Quorvel::macBundleID, "App").error("Couldn't check for another running copy: " + claimed.error().message);
    } else if (*claimed == SingleInstance::Outcome::another) {
        return 0;
    }

    // Without a display the app still listens, ticks, sounds and posts banners.
    if (HeadlessPlatform::chooseOffscreenIfNoDisplay()) {
        std::fprintf(stderr, "Quorvel: no display found; running without windows.\n");
    }
    QApplication application(argc, argv);

    // 5. The model, which starts everything else.
    app = std::make_unique<QuorvelMacApp>(delegate);
    QTimer::singleShot(0, [&delegate] { delegate.applicationDidFinishLaunching(); });
    const int status = QApplication::exec();
    app.reset();
    return status;
}

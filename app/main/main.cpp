#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "app/assembly/QuorvelMacApp.hpp"
#include "app/instance/AppNotifications.hpp"
#include "app/instance/CommandLine.hpp"
#include "app/instance/InstanceChannel.hpp"
#include "app/instance/InstanceStart.hpp"
#include "app/instance/LaunchRequest.hpp"
#include "app/instance/MacAppDelegate.hpp"
#include "app/instance/SingleInstance.hpp"
#include "app/render/SoundRender.hpp"
#include "app/render/views/RenderMode.hpp"
#include "kit/engine/Quorvel.hpp"
#include "kit/engine/QuorvelPaths.hpp"
#include "platform/logging/Logger.hpp"
#include "platform/qt/ExitFromEventLoop.hpp"
#include "platform/qt/HeadlessPlatform.hpp"
#include "platform/qt/PreferredPlatform.hpp"

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

    // 2. Render mode: one picture of a view into a PNG file, and the process ends.
    if (auto status = RenderMode::renderIfRequested(argc, argv)) return *status;

    // 3. Writing the sound files needs nothing else of the app: no display, no window, no state.
    if (auto status = SoundRender::renderIfRequested(argc, argv)) return *status;

    // Before anything starts: --help, --version and an option nobody knows end here.
    switch (const CommandLine line = CommandLine::parse(argc, argv); line.action) {
    case CommandLine::Action::printUsage:
        std::fputs(CommandLine::usage().c_str(), stdout);
        return 0;
    case CommandLine::Action::printVersion:
        std::fputs(CommandLine::versionLine().c_str(), stdout);
        return 0;
    case CommandLine::Action::refuse:
        std::fputs((CommandLine::unknownOptionLine(line.unknownOption) + CommandLine::usage()).c_str(), stderr);
        return 2;
    case CommandLine::Action::run:
        break;
    }

    // 4. One copy per user and home: a later one hands what it was launched for (the reopen,
    //    or a desktop action's command) to the running copy and ends, quietly, having touched
    //    nothing else; it waits a moment only for a copy that is quitting.
    //    Whether it will have windows is known first: a copy without any gives way to a
    //    launch that brings a display.
    //    Without a display the app still listens, ticks, sounds and posts banners; one that
    //    can't be opened counts as none.
    const std::string withoutWindows =
        HeadlessPlatform::chooseOffscreenWithoutDisplay(HeadlessPlatform::probeDisplay());
    // XWayland keeps the windows' places and hints, which Wayland gives no client.
    if (withoutWindows.empty()) PreferredPlatform::preferX11();
    const bool windowless = HeadlessPlatform::platformIsWindowless();
    const LaunchRequest request = launchRequestFromArguments(argc, argv);
    const QuorvelPaths paths = QuorvelPaths::forCurrentUser();
    SingleInstance instance(paths.instanceLock(), SingleInstance::lockNameFor(paths));
    InstanceStart start = InstanceStart::settle(
        instance, InstanceChannel::addressFor(paths), request,
        [](const std::string& line) { Logger(Quorvel::macBundleID, "App").error(line); }, !windowless);
    if (!start.runs) return 0;

    if (!withoutWindows.empty()) std::fputs(withoutWindows.c_str(), stderr);
    QApplication application(argc, argv);

    // 5. The model, which starts everything else.
    app = std::make_unique<QuorvelMacApp>(delegate);
    if (start.launches) {
        if (QGuiApplication::platformName() == QLatin1String("offscreen")) start.launches->giveWayToDisplays();
        app->listenForLaunches(std::move(*start.launches));
    }
    if (const auto& problem = instance.folderProblem()) app->reportFolderProblem(files::parentPath(instance.lockPath()), *problem);
    QTimer::singleShot(0, [&delegate] { delegate.applicationDidFinishLaunching(); });
    // A desktop action that started the app is carried out once the start-up has run; so is
    // the reopen that took over from a copy without windows, which brings the device up here.
    if (request != LaunchRequest::background && (request != LaunchRequest::reopen || start.tookOver)) {
        QTimer::singleShot(0, [&app, request] {
            if (app) app->carryOut(request);
        });
    }
    // A library that ends the process from inside the event loop (Qt, when the display
    // connection breaks) leaves it the way a termination signal does, with everything saved.
    ExitFromEventLoop::divertTo([&app] {
        if (app) app->leaveFromInsideTheEventLoop();
    });
    const int status = QApplication::exec();
    ExitFromEventLoop::disarm();
    app->endNowIfWorkLeftBehind(status);
    app.reset();
    return status;
}

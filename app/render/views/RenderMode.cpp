#include "app/render/views/RenderMode.hpp"

#include <QColorSpace>
#include <QGuiApplication>
#include <QPainter>
#include <QSaveFile>
#include <QThreadPool>
#include <cmath>
#include <fcntl.h>
#include <unistd.h>

#include "app/render/views/PngEncoding.hpp"
#include "kit/visuals/views/kit/Fonts.hpp"

namespace quorvel::RenderMode {
namespace {

constexpr int maximumSide = 16384;

void ignoreMessage(QtMsgType, const QMessageLogContext&, const QString&) {}

// Standard output and error go to /dev/null for the rest of the process: the mode promises
// silence, and the font system and the platform plugins may write there directly.
void silenceStandardStreams() {
    const int nothing = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (nothing < 0) return;
    ::dup2(nothing, STDOUT_FILENO);
    ::dup2(nothing, STDERR_FILENO);
    if (nothing > STDERR_FILENO) ::close(nothing);
}

}  // namespace

std::optional<QImage> render(const std::string& target, const RenderTargets& targets, Instant now) {
    const auto scene = targets.scene(target, now);
    if (!scene || !scene->paint) return std::nullopt;
    const double scale = RenderTargets::scale(target);
    const double width = std::ceil(scene->size.width() * scale);
    const double height = std::ceil(scene->size.height() * scale);
    if (!(width >= 1 && height >= 1 && width <= maximumSide && height <= maximumSide)) return std::nullopt;

    QImage image(static_cast<int>(width), static_cast<int>(height),
                 scene->opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return std::nullopt;
    image.setDevicePixelRatio(scale);
    image.setColorSpace(QColorSpace::SRgb);
    image.fill(scene->opaque ? Qt::black : Qt::transparent);
    QPainter painter(&image);
    if (!painter.isActive()) return std::nullopt;
    scene->paint(painter);
    painter.end();
    return image;
}

bool writePng(const QImage& image, const std::string& path) {
    if (image.isNull() || path.empty()) return false;
    const auto bytes = encodePng(image);
    if (!bytes) return false;
    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (file.write(*bytes) != bytes->size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

int run(const RenderRequest& request, const RenderTargets& targets, Instant now) {
    const auto image = render(request.target, targets, now);
    if (!image) return 1;
    return writePng(*image, request.path) ? 0 : 1;
}

std::optional<int> renderIfRequested(int argc, char** argv) {
    const auto request = RenderRequest::find(argc, argv);
    if (!request) return std::nullopt;

    silenceStandardStreams();
    qInstallMessageHandler(ignoreMessage);
    // Arguments of our own: a path such as "-reverse" must never reach Qt.
    static char program[] = "quorvel";
    static char platformOption[] = "-platform";
    static char platform[] = "offscreen";
    static char* arguments[] = {program, platformOption, platform, nullptr};
    int count = 3;
    QGuiApplication application(count, arguments);
    Fonts::registerOnce();
    // Qt's raster engine hands large fills and image conversions to the global thread pool in
    // slices, unless the painting thread is one of the pool's own. For one picture in a short
    // process, starting those threads and handing slices back and forth costs more than it
    // saves (about a sixth of the whole run), so the picture is drawn on a pool thread while
    // this one waits.
    int status = 1;
    QThreadPool& pool = *QThreadPool::globalInstance();
    pool.start([&] { status = run(*request); });
    pool.waitForDone();
    return status;
}

}  // namespace quorvel::RenderMode

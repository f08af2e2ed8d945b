// views_gallery <folder> [scale] [name-part]: renders every gallery piece (or those whose name
// contains name-part) to <folder>/<name>.png at the scale (default 2) on the offscreen platform.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include "kit/visuals/views/gallery/GalleryPiece.hpp"
#include "kit/visuals/views/kit/Fonts.hpp"

namespace quorvel::gallery {

std::vector<GalleryPiece>& pieces() {
    static std::vector<GalleryPiece> registered;
    return registered;
}

GalleryRegistration::GalleryRegistration(std::vector<GalleryPiece> (*make)()) {
    for (GalleryPiece& piece : make()) pieces().push_back(std::move(piece));
}

}  // namespace quorvel::gallery

int main(int argc, char** argv) {
    using namespace quorvel;
    if (argc < 2) {
        std::fprintf(stderr, "usage: views_gallery <folder> [scale] [name-part]\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    const double scale = argc > 2 ? std::atof(argv[2]) : 2.0;
    const std::string filter = argc > 3 ? argv[3] : "";
    if (!(scale > 0 && scale <= 8)) {
        std::fprintf(stderr, "views_gallery: the scale must be above 0 and at most 8\n");
        return 2;
    }
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    int qtArgc = 1;
    char name[] = "views_gallery";
    char* qtArgv[] = {name, nullptr};
    QGuiApplication application(qtArgc, qtArgv);
    if (!Fonts::registerOnce()) std::fprintf(stderr, "views_gallery: some fonts are missing (%s)\n", Fonts::defaultFolder().c_str());

    std::error_code error;
    std::filesystem::create_directories(folder, error);
    int written = 0;
    for (const gallery::GalleryPiece& piece : gallery::pieces()) {
        if (!filter.empty() && piece.name.find(filter) == std::string::npos) continue;
        QImage image(qRound(piece.size.width() * scale), qRound(piece.size.height() * scale), QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(scale);
        image.fill(piece.background);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing, true);
            piece.paint(painter, QRectF(QPointF(0, 0), piece.size));
        }
        const std::filesystem::path file = folder / (piece.name + ".png");
        if (!image.save(QString::fromStdString(file.string()), "PNG")) {
            std::fprintf(stderr, "views_gallery: couldn't write %s\n", file.c_str());
            return 1;
        }
        std::printf("%s\n", file.c_str());
        ++written;
    }
    return written > 0 ? 0 : 1;
}

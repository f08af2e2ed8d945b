// Build tool: scales the app icon that the app draws itself (--render icon-mac) to the
// sizes of the desktop's icon theme, as <folder>/<N>x<N>/apps/<name>.png.
//
//   quorvel-icon-sizes <icon.png> <folder> <name> <size>...
#include <QDir>
#include <QImage>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s <icon.png> <folder> <name> <size>...\n", argv[0]);
        return 2;
    }
    const QImage icon(QString::fromLocal8Bit(argv[1]));
    if (icon.isNull()) {
        std::fprintf(stderr, "%s: can't read %s\n", argv[0], argv[1]);
        return 1;
    }
    const QString folder = QString::fromLocal8Bit(argv[2]);
    const QString name = QString::fromLocal8Bit(argv[3]);
    for (int index = 4; index < argc; ++index) {
        char* end = nullptr;
        const long side = std::strtol(argv[index], &end, 10);
        if (end == argv[index] || *end != '\0' || side < 1 || side > 4096) {
            std::fprintf(stderr, "%s: not a size: %s\n", argv[0], argv[index]);
            return 2;
        }
        const QString size = QStringLiteral("%1x%1").arg(side);
        const QString apps = folder + QLatin1Char('/') + size + QStringLiteral("/apps");
        if (!QDir().mkpath(apps)) {
            std::fprintf(stderr, "%s: can't make %s\n", argv[0], qPrintable(apps));
            return 1;
        }
        const QImage scaled = icon.scaled(int(side), int(side), Qt::KeepAspectRatio, Qt::SmoothTransformation);
        if (!scaled.save(apps + QLatin1Char('/') + name + QStringLiteral(".png"), "PNG")) {
            std::fprintf(stderr, "%s: can't write the %s icon\n", argv[0], qPrintable(size));
            return 1;
        }
    }
    return 0;
}

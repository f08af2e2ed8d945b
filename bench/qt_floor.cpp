// The least a Qt Gui program does: QGuiApplication on the offscreen platform, one image of the
// device's size at scale 2 (972 x 1716) painted white, exit. The floor the app's start-up and
// render mode are measured against.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    QImage image(972, 1716, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    painter.fillRect(image.rect(), Qt::white);
    painter.end();
    return image.isNull() ? 1 : 0;
}

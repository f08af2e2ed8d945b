// Paint cost of the drawing kit's pieces at pixel scale 2, as a view repainting every second
// meets them: keys, pads, LEDs, dymo labels (their shadows cached after the first paint) and the
// mascot (a cache hit against a fresh render). Prints a table of median and p99 times.
//   drawing_kit_bench <fonts folder> [repetitions]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/device/Pad.hpp"
#include "kit/visuals/views/kit/DymoLabel.hpp"
#include "kit/visuals/views/kit/Fonts.hpp"
#include "kit/visuals/views/kit/Grain.hpp"
#include "kit/visuals/views/kit/KeyStyle.hpp"
#include "kit/visuals/views/kit/LED.hpp"
#include "kit/visuals/views/mascot/MascotRenderer.hpp"

namespace {

using namespace quorvel;
using Clock = std::chrono::steady_clock;

struct Result {
    double median;
    double p99;
};

Result measure(int repetitions, const std::function<void(QPainter&)>& paint) {
    QImage image(800, 400, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2);
    std::vector<double> micros;
    micros.reserve(static_cast<std::size_t>(repetitions));
    for (int i = 0; i < repetitions; ++i) {
        image.fill(Qt::black);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing, true);
        const auto start = Clock::now();
        paint(painter);
        micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    std::sort(micros.begin(), micros.end());
    return {micros[micros.size() / 2], micros[std::min(micros.size() - 1, micros.size() * 99 / 100)]};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: drawing_kit_bench <fonts folder> [repetitions]\n");
        return 2;
    }
    const int repetitions = argc > 2 ? std::max(10, std::atoi(argv[2])) : 500;
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    int qtArgc = 1;
    char name[] = "drawing_kit_bench";
    char* qtArgv[] = {name, nullptr};
    QGuiApplication application(qtArgc, qtArgv);
    if (!Fonts::registerOnce(argv[1])) std::fprintf(stderr, "drawing_kit_bench: fonts missing in %s\n", argv[1]);

    const KeyStyle key(KeyStyle::Look::acid, KeyStyle::Size::mac);
    const MascotRenderer::Key mascot{PixelArt::Face::happy, false, false, 0, 6, 2, true};
    const std::vector<std::pair<std::string, std::function<void(QPainter&)>>> cases{
        {"key (mac, at rest)", [&](QPainter& p) { key.paint(p, QRectF(10, 10, 220, key.height(false)), "TEST THE ALARM", false); }},
        {"pad (on)", [&](QPainter& p) { Pad{"CLAUDE", true, {}}.paint(p, QRectF(10, 10, 80, Pad::height())); }},
        {"LED (lit)", [&](QPainter& p) { LED{true, Tokens::acid, 10}.paint(p, QRectF(20, 20, 10, 10)); }},
        {"dymo label", [&](QPainter& p) { DymoLabel{"MODEL 0.0.1", DymoLabel::Tape::ink, 12, std::nullopt}.paint(p, QRectF(10, 10, 140, 24)); }},
        {"dymo label, straight", [&](QPainter& p) { DymoLabel{"MODEL 0.0.1", DymoLabel::Tape::ink, 12, 0.0}.paint(p, QRectF(10, 10, 140, 24)); }},
        {"grain, 400 x 200 points", [&](QPainter& p) { Grain{0.12}.paint(p, QRectF(0, 0, 400, 200)); }},
        {"mascot with glow, cached", [&](QPainter& p) { MascotRenderer::draw(p, QPointF(40, 40), mascot); }},
        {"mascot with glow, rendered", [&](QPainter& p) { p.drawImage(QPointF(40, 40), *MascotRenderer::render(mascot)); }},
    };
    std::printf("| piece (scale 2, %d paints) | median | p99 |\n|---|---|---|\n", repetitions);
    for (const auto& [label, paint] : cases) {
        const Result result = measure(repetitions, paint);
        std::printf("| %s | %.1f µs | %.1f µs |\n", label.c_str(), result.median, result.p99);
    }
    return 0;
}

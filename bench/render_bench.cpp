// Cost of the render mode: the wall time of one `quorvel --render device-done x.png` process
// (start-up, font registration, drawing and the PNG write included), and of drawing one device
// face into an image in a running process. Prints medians and 95th percentiles.
//   render_bench <quorvel binary> <fonts folder> [runs (30)] [folder to keep every sample's picture in]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include "app/render/views/RenderMode.hpp"
#include "kit/visuals/model/DeviceSamples.hpp"
#include "kit/visuals/views/device/DeviceView.hpp"
#include "kit/visuals/views/kit/Fonts.hpp"
#include "tests/support/ProgramLaunch.hpp"

extern char** environ;

namespace {

using namespace quorvel;
using Clock = std::chrono::steady_clock;

struct Figures {
    double median;
    double p95;
};

Figures figures(std::vector<double> milliseconds) {
    std::sort(milliseconds.begin(), milliseconds.end());
    const auto at = [&](double fraction) {
        return milliseconds[static_cast<std::size_t>(fraction * static_cast<double>(milliseconds.size() - 1) + 0.5)];
    };
    return {at(0.5), at(0.95)};
}

double timed(const std::function<void()>& work) {
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

int runRender(const std::string& binary, const std::string& target, const std::string& path) {
    const testing::ProgramEnd end = testing::ProgramLaunch(binary).arguments({"--render", target, path}).run();
    return end.started && end.exitedNormally ? end.exitStatus : -1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: render_bench <quorvel> <fonts folder> [runs] [keep folder]\n");
        return 2;
    }
    const std::string binary = argv[1];
    const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 30;
    const std::string keep = argc > 4 ? argv[4] : "";

    QGuiApplication application(argc, argv);
    Fonts::registerOnce(argv[2]);

    const std::string scratch = (std::filesystem::temp_directory_path() / ("render-bench-" + std::to_string(::getpid()))).string();
    std::filesystem::create_directories(scratch);
    const std::string out = scratch + "/x.png";

    std::vector<double> process;
    int failures = 0;
    runRender(binary, "device-done", out);  // the first run also warms the disk cache
    for (int run = 0; run < runs; ++run) {
        process.push_back(timed([&] { failures += runRender(binary, "device-done", out) != 0; }));
    }

    // One device face into an image, as a window repaints it: the view built from a snapshot and
    // painted at pixel scale 2 (blurred shadows and mascot bitmaps cached after the first paint).
    const Instant now = Instant::now();
    const DeviceView view(DeviceSamples::display("done", now), DeviceControls::standard(), {}, 60.0,
                          FaceMoment::still(now));
    const QSizeF size = DeviceView::size();
    QImage image(static_cast<int>(size.width() * 2), static_cast<int>(size.height() * 2),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2);
    auto paintOnce = [&] {
        image.fill(Qt::transparent);
        QPainter painter(&image);
        view.paint(painter);
    };
    const double first = timed(paintOnce);
    std::vector<double> face;
    for (int run = 0; run < std::max(runs, 100); ++run) face.push_back(timed(paintOnce));

    const Figures processFigures = figures(process);
    const Figures faceFigures = figures(face);
    std::printf("| measurement | median | p95 |\n|---|---|---|\n");
    std::printf("| `quorvel --render device-done x.png`, whole process (%d runs) | %.1f ms | %.1f ms |\n", runs,
                processFigures.median, processFigures.p95);
    std::printf("| one device face into an image at scale 2, warm (%zu paints) | %.2f ms | %.2f ms |\n", face.size(),
                faceFigures.median, faceFigures.p95);
    std::printf("| the same, first paint of the process (shadows and bitmaps made) | %.2f ms | |\n", first);
    if (failures > 0) std::printf("\n%d render runs failed\n", failures);

    if (!keep.empty()) {
        std::filesystem::create_directories(keep);
        std::vector<std::string> targets{"icon-mac", "icon-ios", "design-sheet"};
        for (const std::string_view sample : DeviceSamples::names) {
            targets.push_back("device-" + std::string(sample));
            targets.push_back("strip-" + std::string(sample));
        }
        for (const std::string& target : targets) {
            if (const auto picture = RenderMode::render(target)) RenderMode::writePng(*picture, keep + "/" + target + ".png");
        }
    }
    std::filesystem::remove_all(scratch);
    return failures > 0 ? 1 : 0;
}

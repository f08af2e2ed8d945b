// The device's control panel, drive, tab block and lists in the gallery, drawn from the sample
// displays and the sample finished runs at a fixed moment, so the pictures do not change from
// one run to the next.
#include <QPainter>

#include "kit/visuals/model/DeviceSamples.hpp"
#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/device/Controls.hpp"
#include "kit/visuals/views/device/DiskDrive.hpp"
#include "kit/visuals/views/device/FloppyLabelView.hpp"
#include "kit/visuals/views/device/TabBlock.hpp"
#include "kit/visuals/views/gallery/GalleryPiece.hpp"
#include "kit/visuals/views/kit/Fonts.hpp"
#include "kit/visuals/views/kit/Painting.hpp"
#include "kit/visuals/views/kit/TextLine.hpp"
#include "kit/visuals/views/lists/FinishedGroupedListView.hpp"
#include "kit/visuals/views/lists/FinishedListView.hpp"
#include "kit/visuals/views/lists/LogPanel.hpp"
#include "kit/visuals/views/lists/RunningListView.hpp"

namespace quorvel::gallery {
namespace {

using drawing::toQColor;

/// 2026-12-09 15:00 UTC, a Wednesday afternoon.
const Instant moment = Instant::fromUnixSeconds(1796828400);
const Calendar utc{"gregorian", "UTC", "en_US"};
constexpr double faceWidth = 416;

void caption(QPainter& painter, const QRectF& frame, const QString& text) {
    drawing::drawTextLine(painter, frame, text,
                          {Fonts::mono(false, 9), 0, toQColor(Tokens::dim), Qt::AlignLeft | Qt::AlignVCenter, 1});
}

void paintControls(QPainter& painter, const QRectF&) {
    struct Case {
        QString name;
        DeviceControls controls;
        bool alarm;
        bool acknowledgeable;
        std::optional<ControlsTarget> pressed;
    };
    const std::vector<Case> cases{
        {"defaults, nothing to acknowledge (SEEN IT at 40 %)", DeviceControls{}, false, false, std::nullopt},
        {"done: SEEN IT acid; CLAUDE off; TEST held", DeviceControls{0.5, false, true, false}, false, true,
         ControlsTarget::testAlarmKey},
        {"broke: SEEN IT red and held; FAILS ONLY on; VOL 38", DeviceControls{0.375, true, true, true}, true, true,
         ControlsTarget::seenItKey},
        {"volume 0 and 1.0 (readout widths)", DeviceControls{1.0, false, false, true}, false, true, std::nullopt},
    };
    double y = 12;
    for (const Case& sample : cases) {
        caption(painter, QRectF(20, y, faceWidth, 14), sample.name);
        y += 20;
        Controls controls;
        controls.controls = sample.controls;
        controls.alarm = sample.alarm;
        controls.acknowledgeable = sample.acknowledgeable;
        controls.pressedKey = sample.pressed;
        const QRectF frame(20, y, faceWidth, controls.height(faceWidth));
        controls.paint(painter, frame);
        y = frame.bottom() + 22;
    }
}

void paintFaders(QPainter& painter, const QRectF&) {
    double x = 20;
    for (const double value : {0.0, 0.25, 0.5, 0.824, 1.0, 1.7}) {
        Fader fader;
        fader.value = value;
        fader.paint(painter, QPointF(x, 16));
        caption(painter, QRectF(x - 6, 150, 60, 14), Fader::readout(value));
        x += 72;
    }
}

DiskDrive drive(const std::string& sample, MotionClock clock, bool reduceMotion = false) {
    return DiskDrive{DeviceSamples::display(sample, moment), clock, reduceMotion, DriveMetrics::mac()};
}

void paintDrives(QPainter& painter, const QRectF&) {
    struct Case {
        QString name;
        DiskDrive drive;
        double at;
    };
    DeviceDisplay unlit = DeviceSamples::display("running", moment);
    unlit.live = false;
    const MotionClock playing{MascotMotion::done, moment, false};
    const std::vector<Case> cases{
        {"running, live: acid LED, NO BABYSITTING", drive("running", {MascotMotion::running, moment, false}), 0},
        {"broke: red LED, NOT TODAY", drive("broke", {MascotMotion::broke, moment, false}), 0},
        {"not live: dark LED", DiskDrive{unlit, {MascotMotion::running, moment, false}, false, DriveMetrics::mac()}, 0},
        {"done at 1.45 s: floppy rising, CLICK", drive("done", playing), 1.45},
        {"done at 1.55 s", drive("done", playing), 1.55},
        {"done at 1.7 s: fully out, CLICK fading", drive("done", playing), 1.7},
        {"done finished: rest pose, no CLICK", drive("done", {MascotMotion::done, moment, true}), 9},
        {"done, reduce motion: out at once", drive("done", playing, true), 0.2},
    };
    double y = 12;
    for (const Case& sample : cases) {
        caption(painter, QRectF(20, y, faceWidth, 14), sample.name);
        y += 16 + 15;  // the risen floppy stands 15 points above the drive
        sample.drive.paint(painter, QPointF(20, y), moment.adding(sample.at));
        y += sample.drive.metrics.height + 14;
    }
}

void paintFloppyLabels(QPainter& painter, const QRectF&) {
    const std::vector<FloppyLabel> labels{
        {"TESSALOOM", "4M 12S"},
        {"A-VERY-LONG-PROJECT-NAME-INDEED", "1H 02M"},
        {"LINE\nBREAK\tTAB", ""},
    };
    double y = 12;
    for (const FloppyLabel& label : labels) {
        const FloppyLabelView view{label};
        view.paint(painter, QRectF(20, y, FloppyLabelView::width, FloppyLabelView::height));
        caption(painter, QRectF(124, y, 300, 32), view.accessibilityLabel());
        y += 44;
    }
}

TabBlock block(const DeviceDisplay& display, ListTab tab, double tabHeight = 32) {
    TabBlock tabs(display);
    tabs.tab = tab;
    tabs.tabHeight = tabHeight;
    tabs.calendar = utc;
    return tabs;
}

std::vector<GalleryPiece> sampleTabs() {
    std::vector<GalleryPiece> result;
    for (const std::string_view name : DeviceSamples::names) {
        const std::string sample(name);
        result.push_back({"panel-tabs-" + sample, {2 * faceWidth + 60, 250}, [sample](QPainter& painter, const QRectF&) {
                              const DeviceDisplay display = DeviceSamples::display(sample, moment);
                              block(display, ListTab::running).paint(painter, QRectF(20, 16, faceWidth, 220));
                              block(display, ListTab::finished).paint(painter, QRectF(faceWidth + 40, 16, faceWidth, 220));
                          }});
    }
    return result;
}

void paintTabVariants(QPainter& painter, const QRectF&) {
    DeviceDisplay many = DeviceSamples::display("running", moment);
    many.runningCount = 5;
    many.finishedCount = 12;
    DeviceDisplay empty = DeviceSamples::display("idle", moment);
    empty.finished.clear();
    empty.finishedCount = 0;

    TabBlock linked = block(many, ListTab::running, 40);
    linked.actions.onSeeAll = [](ListTab) {};
    caption(painter, QRectF(20, 4, faceWidth, 12), "phone: tab height 40, SEE ALL 5 RUNNING");
    linked.paint(painter, QRectF(20, 18, faceWidth, linked.height(faceWidth)));
    TabBlock finished = linked;
    finished.tab = ListTab::finished;
    caption(painter, QRectF(faceWidth + 40, 4, faceWidth, 12), "phone: SEE ALL FINISHED");
    finished.paint(painter, QRectF(faceWidth + 40, 18, faceWidth, finished.height(faceWidth)));

    TabBlock sliding = block(many, ListTab::finished);
    sliding.transition = TabTransition{ListTab::running, ListTab::finished, 0.5};
    caption(painter, QRectF(20, 300, faceWidth, 12), "switching to FINISHED, half way");
    sliding.paint(painter, QRectF(20, 314, faceWidth, 220));
    caption(painter, QRectF(faceWidth + 40, 300, faceWidth, 12), "idle, nothing finished");
    block(empty, ListTab::finished).paint(painter, QRectF(faceWidth + 40, 314, faceWidth, 220));
}

void paintLists(QPainter& painter, const QRectF&) {
    const DeviceDisplay display = DeviceSamples::display("needsyou", moment);
    RunningRow outside = display.running.front();
    outside.id = "d";
    outside.project = "line\nbreak\tand a project name far too long to fit";
    outside.title = "title with\nnewline";
    outside.onScreen = false;
    outside.startedAt = moment.adding(60);
    std::vector<RunningRow> rows = display.running;
    rows.push_back(outside);
    const RunningListView running{rows, moment, {}};
    caption(painter, QRectF(20, 4, faceWidth, 12), "running list");
    running.paint(painter, QRectF(20, 18, faceWidth, running.height(faceWidth)));
    caption(painter, QRectF(20, 272, faceWidth, 12), "empty running list");
    const RunningListView none{{}, moment, {}};
    none.paint(painter, QRectF(20, 286, faceWidth, none.height(faceWidth)));

    std::vector<FinishedRun> runs = DeviceSamples::finishedRuns(moment);
    runs.resize(4);
    runs[2].log = std::string("$ pnpm build\n> tsc -p .\nsrc/auth.ts(12,5): error TS2322: Type 'string' is not "
                              "assignable to type 'number'.\n\tat compile (node_modules/typescript/lib/tsc.js:1:1)\n") +
                  std::string(12, '\n') + "ELIFECYCLE Command failed with exit code 2.";
    runs[3].title.clear();
    FinishedListView finished{runs, moment, [](std::size_t) {}, {}, {}, utc};
    finished.logFor = [runs](std::size_t index) { return runs[index].log; };
    caption(painter, QRectF(faceWidth + 40, 4, faceWidth, 12), "finished list with a log; last run without a title");
    finished.paint(painter, QRectF(faceWidth + 40, 18, faceWidth, finished.height(faceWidth)));
}

void paintGroupedList(QPainter& painter, const QRectF&) {
    const FinishedGroupedListView grouped(DeviceSamples::finishedRuns(moment), moment, utc);
    grouped.paint(painter, QRectF(20, 16, faceWidth, grouped.height(faceWidth)));
}

std::vector<GalleryPiece> panelPieces() {
    std::vector<GalleryPiece> result{
        {"panel-controls", {faceWidth + 40, 790}, paintControls},
        {"panel-faders", {460, 170}, paintFaders},
        {"panel-drives", {faceWidth + 40, 990}, paintDrives},
        {"panel-floppy-labels", {440, 140}, paintFloppyLabels},
        {"panel-tabs-variants", {2 * faceWidth + 60, 560}, paintTabVariants},
        {"panel-lists", {2 * faceWidth + 60, 460}, paintLists},
        {"panel-finished-grouped", {faceWidth + 40, 820}, paintGroupedList},
    };
    for (GalleryPiece& piece : sampleTabs()) result.push_back(std::move(piece));
    return result;
}

const GalleryRegistration registration(panelPieces);

}  // namespace
}  // namespace quorvel::gallery

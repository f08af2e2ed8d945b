#include "app/render/views/RenderTargets.hpp"

#include <QPainter>

#include "app/render/RenderRequest.hpp"
#include "app/render/views/PhoneRenderTargets.hpp"
#include "kit/visuals/model/DeviceSamples.hpp"
#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/device/DeviceView.hpp"
#include "kit/visuals/views/kit/DesignSheetView.hpp"
#include "kit/visuals/views/kit/Painting.hpp"
#include "kit/visuals/views/mascot/AppIconView.hpp"
#include "kit/visuals/views/strip/CompactStripView.hpp"

namespace quorvel {
namespace {

// Device and strip stand on a flat light backdrop that fills the whole picture.
RenderScene onBackdrop(QSizeF size, std::function<void(QPainter&)> view) {
    return RenderScene{size, [size, view = std::move(view)](QPainter& painter) {
                           painter.fillRect(QRectF(QPointF(0, 0), size),
                                            drawing::toQColor(Tokens::color(RenderTargets::backdrop)));
                           view(painter);
                       }};
}

std::optional<RenderScene> device(std::string_view rest, Instant now) {
    const auto target = DeviceSampleTarget::parse(rest);
    if (!target) return std::nullopt;
    // Every callback is a no-op and the controls are the defaults; the clock is frozen.
    DeviceView view(DeviceSamples::display(target->sample, now), DeviceControls::standard(), {}, target->frozenAt,
                    FaceMoment::still(now));
    return onBackdrop(DeviceView::size(), [view = std::move(view)](QPainter& painter) { view.paint(painter); });
}

std::optional<RenderScene> strip(std::string_view rest, Instant now) {
    CompactStripView view(DeviceSamples::display(rest, now), {}, DeviceSampleTarget::defaultFrozenAt,
                          FaceMoment::still(now));
    return onBackdrop(CompactStripView::size(), [view = std::move(view)](QPainter& painter) { view.paint(painter); });
}

std::optional<RenderScene> icon(bool mac) {
    const AppIconView view{mac};
    // The Mac icon's margin and rounded corners stay transparent.
    return RenderScene{AppIconView::size(), [view](QPainter& painter) { view.paint(painter); }, false};
}

}  // namespace

std::optional<std::string_view> RenderTarget::matches(std::string_view target) const {
    if (match == Match::exact) return target == pattern ? std::optional<std::string_view>("") : std::nullopt;
    if (target.substr(0, pattern.size()) != pattern) return std::nullopt;
    return target.substr(pattern.size());
}

std::vector<RenderTarget> RenderTargets::standard() {
    return {
        {"device-", RenderTarget::Match::prefix, device},
        {"strip-", RenderTarget::Match::prefix, strip},
        {"phone-", RenderTarget::Match::prefix, PhoneRenderTargets::phone},
        {"finished", RenderTarget::Match::exact, [](std::string_view, Instant now) { return PhoneRenderTargets::finished(now); }},
        {"lock-", RenderTarget::Match::prefix, PhoneRenderTargets::lock},
        {"icon-mac", RenderTarget::Match::exact, [](std::string_view, Instant) { return icon(true); }},
        {"icon-ios", RenderTarget::Match::exact, [](std::string_view, Instant) { return icon(false); }},
    };
}

RenderTargets::RenderTargets(std::vector<RenderTarget> rows) : rows_(std::move(rows)) {}

std::optional<RenderScene> RenderTargets::scene(std::string_view target, Instant now) const {
    for (const RenderTarget& row : rows_) {
        if (const auto rest = row.matches(target)) return row.build ? row.build(*rest, now) : std::nullopt;
    }
    return designSheet();
}

double RenderTargets::scale(std::string_view target) { return target.substr(0, 5) == "icon-" ? 1 : 2; }

RenderScene RenderTargets::designSheet() {
    const DesignSheetView view;
    return RenderScene{view.size(), [view](QPainter& painter) { view.paint(painter); }};
}

}  // namespace quorvel

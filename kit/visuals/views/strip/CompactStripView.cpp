#include "kit/visuals/views/strip/CompactStripView.hpp"

#include <QPainter>
#include <algorithm>
#include <memory>

#include "kit/engine/CopyBook.hpp"
#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/kit/Fonts.hpp"
#include "kit/visuals/views/kit/Layer.hpp"
#include "kit/visuals/views/kit/Painting.hpp"
#include "kit/visuals/views/kit/TextLine.hpp"
#include "kit/visuals/views/mascot/MascotView.hpp"
#include "kit/visuals/views/strip/StripScreen.hpp"

namespace quorvel {
namespace {

const QString logoText = QStringLiteral("QUORVEL");
const QString seenItLegend = QString::fromUtf8(CopyBook::seenIt.data(), static_cast<qsizetype>(CopyBook::seenIt.size()));
const QString editLegend = QStringLiteral("EDIT");

drawing::TextStyle logoStyle() {
    drawing::TextStyle style;
    style.font = Fonts::pixel(CompactStripView::logoSize);
    style.color = drawing::toQColor(Tokens::acid);
    return style;
}

MascotView logoMascot() {
    return MascotView{PixelArt::Face::happy, CompactStripView::logoMascotScale, false, 0, false};
}

}  // namespace

CompactStripView::CompactStripView(DeviceDisplay display, Actions actions, std::optional<double> frozenAt,
                                   FaceMoment moment, State state)
    : display(std::move(display)), actions(std::move(actions)), frozenAt(frozenAt), moment(moment), state(std::move(state)) {}

QSizeF CompactStripView::size() { return shell.totalSize(QSizeF(faceWidth, faceHeight)); }

CompactStripView::Layout CompactStripView::layout() {
    Layout result;
    const QSizeF faceSize(faceWidth, faceHeight);
    result.shell = shell.frame(faceSize);
    result.face = shell.faceRect(faceSize);
    const QRectF row = result.face.adjusted(padding, padding, -padding, -padding);
    auto centredAt = [&](double x, QSizeF size) {
        return QRectF(QPointF(x, row.center().y() - size.height() / 2), size);
    };

    result.leftEar = RackEar{}.layout(centredAt(row.left(), RackEar::size()).topLeft());

    const QSizeF mascotSize = logoMascot().size();
    const double logoWidth = std::max(mascotSize.width(), drawing::naturalWidth(logoText, logoStyle()));
    const QRectF logoColumn =
        centredAt(result.leftEar.plate.right() + spacing,
                  QSizeF(logoWidth, mascotSize.height() + logoSpacing + logoHeight));
    result.logoMascot = QRectF(QPointF(logoColumn.center().x() - mascotSize.width() / 2, logoColumn.top()), mascotSize);
    result.logo = QRectF(logoColumn.left(), result.logoMascot.bottom() + logoSpacing, logoWidth, logoHeight);

    const QRectF rightEar = centredAt(row.right() - RackEar::width, RackEar::size());
    result.rightEar = RackEar{true, true, std::nullopt}.layout(rightEar.topLeft());

    const double keysLeft = rightEar.left() - spacing - keysWidth;
    const double keyHeight = KeyStyle(KeyStyle::Look::acid, KeyStyle::Size::compact).height(false);
    const double keysTop = row.center().y() - (2 * keyHeight + keySpacing) / 2;
    result.seenIt = QRectF(keysLeft, keysTop, keysWidth, keyHeight);
    result.edit = QRectF(keysLeft, result.seenIt.bottom() + keySpacing, keysWidth, keyHeight);

    const double screenLeft = logoColumn.right() + spacing;
    result.screen = centredAt(screenLeft, QSizeF(std::max(0.0, keysLeft - spacing - screenLeft), StripScreen::height));
    return result;
}

KeyStyle CompactStripView::seenItStyle() const {
    return KeyStyle(display.broke ? KeyStyle::Look::broke : KeyStyle::Look::acid, KeyStyle::Size::compact);
}

KeyStyle CompactStripView::editStyle() { return KeyStyle(KeyStyle::Look::panel, KeyStyle::Size::compact); }

RackEar CompactStripView::rightEar() const {
    std::optional<RackEar::Key> hovered;
    if (state.hovered == StripTarget::hide) hovered = RackEar::Key::hide;
    if (state.hovered == StripTarget::expand) hovered = RackEar::Key::expand;
    return RackEar{true, static_cast<bool>(actions.onExpand), hovered};
}

std::optional<StripTarget> CompactStripView::hitTest(QPointF point) const {
    const Layout parts = layout();
    const RackEar ear = rightEar();
    const RackEar::Layout earParts = ear.layout(parts.rightEar.plate.topLeft());
    if (const auto key = ear.keyAt(earParts, point)) {
        return *key == RackEar::Key::hide ? StripTarget::hide : StripTarget::expand;
    }
    if (display.acknowledgeable && parts.seenIt.contains(point)) return StripTarget::seenIt;
    if (parts.edit.contains(point)) return StripTarget::edit;
    return std::nullopt;
}

QString CompactStripView::toolTip(QPointF point, HideKey::Recall recall) const {
    switch (hitTest(point).value_or(StripTarget::edit)) {
        case StripTarget::hide: return HideKey::help(HideKey::Glyph::cross, recall);
        case StripTarget::expand: return HideKey::help(HideKey::Glyph::device, recall);
        default: return {};
    }
}

void CompactStripView::hover(std::optional<QPointF> point, State& state) const {
    state.hovered = point ? hitTest(*point) : std::nullopt;
}

void CompactStripView::press(QPointF point, State& state) const { state.press.press(hitTest(point)); }

void CompactStripView::drag(QPointF point, State& state) const { state.press.move(hitTest(point)); }

void CompactStripView::release(QPointF point, State& state) const {
    if (const auto target = state.press.release(hitTest(point))) activate(*target);
}

std::vector<AccessibleControl> CompactStripView::accessibleControls(State&) const {
    const Layout parts = layout();
    const auto shown = std::make_shared<const CompactStripView>(*this);
    std::vector<AccessibleControl> all;
    const auto add = [&](QString name, const QRectF& rect, StripTarget target, bool enabled = true) {
        AccessibleControl control{std::move(name), QAccessible::Button, {}, rect};
        control.enabled = enabled;
        if (enabled) control.press = [shown, target] { shown->activate(target); };
        all.push_back(std::move(control));
    };
    add(seenItLegend, parts.seenIt, StripTarget::seenIt, display.acknowledgeable);
    add(editLegend, parts.edit, StripTarget::edit);
    add(HideKey::accessibilityLabel(HideKey::Glyph::cross), parts.rightEar.top, StripTarget::hide);
    if (actions.onExpand) add(HideKey::accessibilityLabel(HideKey::Glyph::device), parts.rightEar.bottom, StripTarget::expand);
    return all;
}

void CompactStripView::activate(StripTarget target) const {
    const std::function<void()>* action = nullptr;
    switch (target) {
        case StripTarget::seenIt: action = display.acknowledgeable ? &actions.onEject : nullptr; break;
        case StripTarget::edit: action = &actions.onEdit; break;
        case StripTarget::hide: action = &actions.onHide; break;
        case StripTarget::expand: action = &actions.onExpand; break;
    }
    if (action && *action) (*action)();
}

QRect CompactStripView::screenArea() {
    static const QRect area = layout().screen.adjusted(-2, -2, 2, 2).toAlignedRect();
    return area;
}

void CompactStripView::paint(QPainter& painter) const {
    const Layout parts = layout();
    const StripScreen screen{display, clock(), moment.reduceMotion, moment.time, moment.faceFade};
    // The screen lies straight on the casing, 2 points in from the area.
    if (painter.hasClipping() && QRectF(screenArea()).contains(painter.clipBoundingRect())) {
        Casing::paint(painter, parts.face);
        screen.paint(painter, screen.layout(parts.screen));
        Casing::paintBorder(painter, parts.face);
        return;
    }
    ObliqueShell::paintFloorShadow(painter, parts.shell);
    shell.paint(painter, parts.shell);
    Casing::paint(painter, parts.face);

    leftEar().paint(painter, parts.leftEar);
    logoMascot().paint(painter, parts.logoMascot.topLeft());
    drawing::drawTextLine(painter, parts.logo, logoText, logoStyle());

    screen.paint(painter, screen.layout(parts.screen));

    const auto held = state.press.shownPressed();
    const KeyStyle seenIt = seenItStyle();
    drawing::paintWithOpacity(painter, parts.seenIt.adjusted(-2, -2, 2, 2),
                              display.acknowledgeable ? 1.0 : disabledOpacity, [&](QPainter& layer) {
                                  seenIt.paint(layer, parts.seenIt, seenItLegend,
                                               display.acknowledgeable && held == StripTarget::seenIt);
                              });
    editStyle().paint(painter, parts.edit, editLegend, held == StripTarget::edit);

    const RackEar ear = rightEar();
    ear.paint(painter, ear.layout(parts.rightEar.plate.topLeft()));
    Casing::paintBorder(painter, parts.face);
}

}  // namespace quorvel

#include "kit/visuals/views/device/TabBlock.hpp"

#include <algorithm>

#include <QPainter>

#include "kit/visuals/views/device/TabKey.hpp"
#include "kit/visuals/views/lists/FinishedRowView.hpp"
#include "kit/visuals/views/lists/RowFrame.hpp"
#include "kit/visuals/views/lists/RunningRowView.hpp"
#include "kit/visuals/views/lists/SeeAllLink.hpp"

namespace quorvel {
namespace {

std::size_t entryCount(const DeviceDisplay& display, ListTab shown) {
    return shown == ListTab::running ? display.running.size() : display.finished.size();
}

}  // namespace

TabKey TabBlock::tabKey(ListTab key) const {
    return TabKey{key, key == ListTab::running ? display.runningCount : display.finishedCount, key == tab, tabHeight, {}};
}

QString TabBlock::emptyText(ListTab shown) {
    return QString::fromUtf8(shown == ListTab::running ? emptyRunningText : emptyFinishedText);
}

std::optional<QString> TabBlock::linkText(ListTab shown) const {
    if (!actions.onSeeAll) return std::nullopt;
    const auto listed = static_cast<std::int64_t>(entryCount(display, shown));
    if (shown == ListTab::running) {
        if (display.runningCount <= listed) return std::nullopt;
        return QStringLiteral("SEE ALL %1 RUNNING").arg(display.runningCount);
    }
    if (listed >= display.finishedCount) return std::nullopt;
    return QStringLiteral("SEE ALL FINISHED");
}

TabBlock::Layout TabBlock::layout(double width, ListTab shown) const {
    Layout result;
    const double keyWidth = std::max(0.0, (width - spacing) / 2);
    result.runningKey = QRectF(0, 0, keyWidth, tabHeight);
    result.finishedKey = QRectF(keyWidth + spacing, 0, keyWidth, tabHeight);

    const double top = tabHeight + spacing;
    double y = top;
    auto addRow = [&](RowKind kind, std::size_t index) {
        if (!result.rows.empty()) y += spacing;
        result.rows.push_back(ListRow{kind, index, QRectF(0, y, width, RowFrame::height)});
        y += RowFrame::height;
    };
    const std::size_t entries = entryCount(display, shown);
    if (entries == 0) addRow(RowKind::empty, 0);
    for (std::size_t index = 0; index < entries; ++index) {
        addRow(shown == ListTab::running ? RowKind::running : RowKind::finished, index);
    }
    const std::size_t counted = std::max<std::size_t>(entries, 1);
    for (std::size_t blank = counted; blank < static_cast<std::size_t>(shownRows); ++blank) {
        addRow(RowKind::blank, 0);
    }
    if (linkText(shown)) {
        y += spacing;
        result.link = QRectF(0, y, width, SeeAllLink::height);
        y += SeeAllLink::height;
    }
    result.listArea = QRectF(0, top, width, y - top);
    result.size = QSizeF(width, y);
    return result;
}

std::optional<TabBlockTarget> TabBlock::hitTest(const QRectF& frame, QPointF point) const {
    const Layout parts = layout(frame.width());
    const QPointF local = point - frame.topLeft();
    using Kind = TabBlockTarget::Kind;
    if (parts.runningKey.contains(local)) return TabBlockTarget{Kind::tabKey, ListTab::running, {}};
    if (parts.finishedKey.contains(local)) return TabBlockTarget{Kind::tabKey, ListTab::finished, {}};
    if (parts.link && parts.link->contains(local)) return TabBlockTarget{Kind::seeAll, tab, {}};
    for (const ListRow& row : parts.rows) {
        if (row.kind == RowKind::running && row.frame.contains(local)) {
            return TabBlockTarget{Kind::runningRow, tab, display.running[row.index].id};
        }
    }
    return std::nullopt;
}

std::vector<AccessibleTarget<TabBlockTarget>> TabBlock::accessibleControls(const QRectF& frame) const {
    const Layout parts = layout(frame.width());
    const QPointF origin = frame.topLeft();
    using Kind = TabBlockTarget::Kind;
    std::vector<AccessibleTarget<TabBlockTarget>> all;
    for (const ListTab key : allListTabs) {
        const TabKey view = tabKey(key);
        AccessibleControl control{view.accessibilityLabel(), QAccessible::PageTab, {},
                                  (key == ListTab::running ? parts.runningKey : parts.finishedKey).translated(origin)};
        control.checkable = true;
        control.checked = view.selected;
        all.push_back({control, TabBlockTarget{Kind::tabKey, key, {}}});
    }
    for (const ListRow& row : parts.rows) {
        const QRectF rowFrame = row.frame.translated(origin);
        switch (row.kind) {
            case RowKind::running: {
                const RunningRow& running = display.running[row.index];
                all.push_back({{RunningRowView{running, display.now}.lines().listLabel(), QAccessible::Button, {}, rowFrame},
                               TabBlockTarget{Kind::runningRow, tab, running.id}});
                break;
            }
            case RowKind::finished:
                all.push_back({{FinishedRowView{display.finished[row.index], display.now, calendar}.lines().listLabel(),
                                QAccessible::StaticText, {}, rowFrame},
                               std::nullopt});
                break;
            case RowKind::empty:
                all.push_back({{emptyText(tab), QAccessible::StaticText, {}, rowFrame}, std::nullopt});
                break;
            case RowKind::blank: break;
        }
    }
    if (parts.link) {
        if (const auto text = linkText(tab)) {
            all.push_back({{*text, QAccessible::Link, {}, parts.link->translated(origin)}, TabBlockTarget{Kind::seeAll, tab, {}}});
        }
    }
    return all;
}

void TabBlock::select(ListTab picked) const {
    if (picked == tab) return;
    if (actions.onSelect) actions.onSelect(picked, !reduceMotion);
}

TabBlock TabBlock::onFace(DeviceDisplay display, double tabHeight, bool reduceMotion, ListTab tab,
                          const std::optional<TabSwitch>& running, Instant now) {
    TabBlock block(std::move(display));
    block.tab = tab;
    block.tabHeight = tabHeight;
    block.reduceMotion = reduceMotion;
    if (running) block.transition = running->at(now);
    return block;
}

void TabBlock::activateOnFace(const TabBlockTarget& target, ListTab& tab, std::optional<TabSwitch>& running,
                              Instant now) const {
    TabBlock block = *this;
    block.actions.onSelect = [&tab, &running, now](ListTab picked, bool animated) {
        pickTab(tab, running, picked, animated, now);
    };
    block.activate(target);
}

void TabBlock::activate(const TabBlockTarget& target) const {
    switch (target.kind) {
        case TabBlockTarget::Kind::tabKey: return select(target.tab);
        case TabBlockTarget::Kind::runningRow:
            if (actions.onRowTap) actions.onRowTap(target.rowID);
            return;
        case TabBlockTarget::Kind::seeAll:
            if (actions.onSeeAll && linkText(target.tab)) actions.onSeeAll(target.tab);
            return;
    }
}

void TabBlock::paint(QPainter& painter, const QRectF& frame) const {
    const Layout parts = layout(frame.width());
    painter.save();
    painter.translate(frame.topLeft());

    for (const ListTab key : allListTabs) {
        tabKey(key).paint(painter, key == ListTab::running ? parts.runningKey : parts.finishedKey);
    }

    painter.save();
    // The clip is there for the slide; the last row's bevel reaches a point below the area.
    painter.setClipRect(parts.listArea.adjusted(0, 0, 0, 2), Qt::IntersectClip);
    if (transition && transition->from != transition->to) {
        const double width = parts.listArea.width();
        painter.save();
        painter.translate(transition->outgoingOffset() * width, 0);
        paintList(painter, layout(frame.width(), transition->from), transition->from);
        painter.restore();
        painter.translate(transition->incomingOffset() * width, 0);
    }
    paintList(painter, parts, tab);
    painter.restore();
    painter.restore();
}

void TabBlock::paintList(QPainter& painter, const Layout& parts, ListTab shown) const {
    for (const ListRow& row : parts.rows) {
        switch (row.kind) {
            case RowKind::running:
                RunningRowView{display.running[row.index], display.now}.paint(painter, row.frame);
                break;
            case RowKind::finished:
                FinishedRowView{display.finished[row.index], display.now, calendar}.paint(painter, row.frame);
                break;
            case RowKind::empty:
                EmptyRow{emptyText(shown)}.paint(painter, row.frame);
                break;
            case RowKind::blank: BlankRow{}.paint(painter, row.frame); break;
        }
    }
    if (parts.link) {
        if (const auto text = linkText(shown)) SeeAllLink{*text, {}}.paint(painter, *parts.link);
    }
}

}  // namespace quorvel

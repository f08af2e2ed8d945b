#pragma once
// The tabbed block under the device's screen (and on the phone face): two tab keys, RUNNING and
// FINISHED with their counts, over up to three rows of the chosen list; blank rows fill short
// lists so the block keeps its height, and a link to the whole list shows when the display
// holds more than the block lists and the owner offers one.
//
// A value built from the display snapshot, the selected tab (kept by the owner), the tab
// height, the reduce-motion setting and actions; it keeps no state. Selecting the other tab
// calls `onSelect` with whether to animate (not with reduce motion); the owner then keeps the
// new tab and, while it animates, passes a `TabTransition` to slide the lists over each other
// (see TabTransition.hpp). Selecting the tab already shown does nothing.
//
// Geometry is plain: `layout(width)` gives every rectangle; `hitTest` names what lies under a
// point; buttons act on release over the same target (`PressTracker`). Only running rows,
// tab keys and the link take the pointer; finished rows do not. Main thread only.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include "kit/visuals/model/DeviceDisplay.hpp"
#include "kit/visuals/views/device/ListTab.hpp"
#include "kit/visuals/views/device/TabKey.hpp"
#include "kit/visuals/views/device/TabTransition.hpp"
#include "kit/visuals/views/kit/AccessibleControl.hpp"
#include "platform/time/Calendar.hpp"

class QPainter;

namespace quorvel {

struct TabBlockTarget {
    enum class Kind { tabKey, runningRow, seeAll };
    Kind kind = Kind::tabKey;
    /// The key's tab, or the link's.
    ListTab tab = ListTab::running;
    /// The running row's session identifier.
    std::string rowID;

    bool operator==(const TabBlockTarget&) const = default;
};

class TabBlock {
public:
    struct Actions {
        /// The user picked `tab`, which is not the selected one; animate unless told not to.
        std::function<void(ListTab tab, bool animated)> onSelect;
        /// The "SEE ALL" link of a list; unset: the block shows no link.
        std::function<void(ListTab)> onSeeAll;
        /// A running row was tapped: its session identifier.
        std::function<void(const std::string&)> onRowTap;
    };

    /// What one tab's list area holds.
    enum class RowKind { running, finished, empty, blank };
    struct ListRow {
        RowKind kind = RowKind::blank;
        /// Index into the display's running or finished list, for those kinds.
        std::size_t index = 0;
        QRectF frame;
    };

    struct Layout {
        QRectF runningKey;
        QRectF finishedKey;
        /// The clipped area the list slides in.
        QRectF listArea;
        std::vector<ListRow> rows;
        std::optional<QRectF> link;
        QSizeF size;
    };

    static constexpr double spacing = 6;
    static constexpr int shownRows = 3;

    static constexpr const char* emptyRunningText = "nothing running. go start something.";
    static constexpr const char* emptyFinishedText = "NOTHING PLAYED YET. RUN SOMETHING.";

    DeviceDisplay display;
    ListTab tab = ListTab::running;
    double tabHeight = 32;
    bool reduceMotion = false;
    /// The tab switch in progress, if any; its `to` should equal `tab`.
    std::optional<TabTransition> transition;
    /// The calendar finish times are written in.
    Calendar calendar = Calendar::current();
    Actions actions;

    explicit TabBlock(DeviceDisplay display) : display(std::move(display)) {}

    /// The block of a face (the device, the phone face) that keeps its selected tab and the
    /// switch running between snapshots, as it shows at `now`. Its actions are the face's to set.
    static TabBlock onFace(DeviceDisplay display, double tabHeight, bool reduceMotion, ListTab tab,
                           const std::optional<TabSwitch>& running, Instant now);
    /// `activate` on such a face: a tab key moves its selection (`tab`, `running`), the slide
    /// starting at `now`; the rest goes to the block's actions.
    void activateOnFace(const TabBlockTarget& target, ListTab& tab, std::optional<TabSwitch>& running,
                        Instant now) const;

    /// The layout for the selected tab in a block `width` points wide.
    Layout layout(double width) const { return layout(width, tab); }
    Layout layout(double width, ListTab shown) const;
    double height(double width) const { return layout(width).size.height(); }

    /// "SEE ALL 5 RUNNING" or "SEE ALL FINISHED" when the link shows under `shown`'s list.
    std::optional<QString> linkText(ListTab shown) const;

    std::optional<TabBlockTarget> hitTest(const QRectF& frame, QPointF point) const;
    /// What a click on `target` does: select a tab, tap a row, follow the link.
    void activate(const TabBlockTarget& target) const;
    /// The tab keys, the rows shown and the link in a block at `frame`, as assistive tools see
    /// them: keys, running rows and the link reach their target; finished, empty and blank
    /// rows are only read (blank rows are left out).
    std::vector<AccessibleTarget<TabBlockTarget>> accessibleControls(const QRectF& frame) const;

    /// The tab key's step: nothing for the selected tab, else `onSelect`.
    void select(ListTab picked) const;

    void paint(QPainter& painter, const QRectF& frame) const;

    /// The key of `key`'s tab as this block draws it.
    TabKey tabKey(ListTab key) const;
    /// What an empty list of `shown` says.
    static QString emptyText(ListTab shown);

private:
    void paintList(QPainter& painter, const Layout& parts, ListTab shown) const;
};

}  // namespace quorvel

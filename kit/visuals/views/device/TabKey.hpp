#pragma once
// One of the two tab keys over the list: the tab's name and its count. The selected key sits
// pressed in, dark, in acid; the other stands raised and 3 points shorter, with its depth below
// it, so both share the same top and the same laid-out height. Main thread only.
#include <cstdint>
#include <functional>

#include <QRectF>
#include <QString>

#include "kit/visuals/views/device/ListTab.hpp"

class QPainter;

namespace quorvel {

struct TabKey {
    ListTab tab = ListTab::running;
    std::int64_t count = 0;
    bool selected = false;
    /// The selected key's full height; the laid-out height of either key.
    double height = 32;
    std::function<void()> action;

    static constexpr double raisedDepth = 3;
    static constexpr double cornerRadius = 3;
    static constexpr double spacing = 8;

    /// The key's face in a key laid out at `frame`: the whole frame when selected, else the
    /// frame less the 3 points of depth at its bottom.
    QRectF faceRect(const QRectF& frame) const;

    /// "RUNNING", "FINISHED".
    QString legend() const;
    /// "RUNNING, 2".
    QString accessibilityLabel() const;

    void activate() const {
        if (action) action();
    }
    void paint(QPainter& painter, const QRectF& frame) const;
};

}  // namespace quorvel

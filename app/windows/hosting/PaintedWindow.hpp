#pragma once
// A borderless window that holds nothing but one painted view: the device or the compact
// strip. It takes the view's size and keeps it, is clear around the view (translucent where
// a compositor runs, cut to the view's shape where none does, so no corner ever shows
// black), appears without taking the keyboard from the app in use, moves when the bare
// casing is dragged (the window manager moves it, on Wayland too; without one it follows the
// pointer itself), shows the tooltips of its keys also while another app is active, and
// hands a close from the window manager (Alt+F4) and a context-menu request to its owner.
// Where the screen is too small for the view it can be drawn smaller as a whole (never
// larger): the pointer, the tooltips and what assistive tools read follow the scale, while
// the content itself keeps its own size and coordinates. Assistive tools see the content's
// controls as the window's children. Main thread.
#include <QImage>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "app/windows/hosting/PaintedContent.hpp"
#include "app/windows/hosting/PaintedControls.hpp"

namespace quorvel {

class PaintedWindow final : public QWidget, public PaintedControls {
    Q_OBJECT

public:
    enum class Kind {
        /// An ordinary window of the desktop (the device).
        window,
        /// A tool panel above other windows, on every workspace, never focused, out of the
        /// taskbar and the pager (the strip).
        floatingPanel,
    };

    PaintedWindow(Kind kind, std::unique_ptr<PaintedContent> content, QString title);
    ~PaintedWindow() override;

    Kind kind() const { return kind_; }
    PaintedContent& content() { return *content_; }
    /// Whether the window was made translucent (else it is cut to the content's shape).
    bool translucent() const { return translucent_; }

    /// The window manager asked to close it (the window stays; the owner hides it).
    void onCloseRequest(std::function<void()> handler) { closeRequest_ = std::move(handler); }
    /// Right click, or the menu key while it has focus, at a global position.
    void onContextMenu(std::function<void(QPoint)> handler) { contextMenu_ = std::move(handler); }
    /// The window came on screen or went off it.
    void onShownChanged(std::function<void(bool)> handler) { shownChanged_ = std::move(handler); }
    /// Answers whether the desktop shows a tray now (unset: it does), for the hide key's help.
    void onTrayQuery(std::function<bool()> trayShown) { trayShown_ = std::move(trayShown); }

    /// The tooltip at `point`, in the window's own coordinates; empty for none. It is also
    /// what assistive tools read as the description of the control there.
    QString toolTipAt(QPointF point) const;

    /// Draws the content at `scale` of its own size (1: as it is), kept to more than 0 and at
    /// most 1; the window takes the scaled size.
    void setContentScale(double scale);
    double contentScale() const { return scale_; }
    /// The window's size for content of `size` drawn at `scale`: whole pixels, never past it.
    static QSize scaledSize(QSize size, double scale);
    /// A point of the window in the content's own coordinates, and a rectangle of the content
    /// in the window's.
    QPointF toContent(QPointF windowPoint) const { return windowPoint / scale_; }
    QRectF toWindow(const QRectF& contentRect) const {
        return {contentRect.topLeft() * scale_, contentRect.size() * scale_};
    }

    /// Cuts the window to the content's painted shape (where no compositor runs); again after a
    /// change of the content's outline.
    void updateShape();

    // What assistive tools read: the content's controls in the window's pixels, described by
    // their tooltips.
    std::vector<AccessibleControl> controls() const override;
    void activate(std::size_t index) override;
    QString describe(const AccessibleControl& control) const override;
    QAccessible::Role accessibleRole() const override { return QAccessible::Window; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    /// Paints `region` of a window drawing the content smaller: the content is painted at its
    /// own size into `contentImage_` behind the region, which is then drawn scaled.
    void paintScaled(QPainter& painter, const QRegion& region);
    /// The window's pixels that show `contentArea`, with a pixel more for the smoothing.
    QRect windowArea(const QRect& contentArea) const;

    Kind kind_;
    std::unique_ptr<PaintedContent> content_;
    double scale_ = 1;
    QImage contentImage_;
    /// The content's areas asked to be painted again since the last paint, while drawn smaller.
    std::vector<QRect> requested_;
    bool translucent_ = false;
    bool pressedControl_ = false;
    /// A press on the bare casing, not yet a move: where it was (global) and where the
    /// window was then.
    struct PendingMove {
        QPointF pointer;
        QPoint window;
    };
    std::optional<PendingMove> pendingMove_;
    /// Moving with the pointer ourselves, where no window manager takes the move.
    std::optional<PendingMove> ownMove_;
    std::function<bool()> trayShown_;
    std::function<void()> closeRequest_;
    std::function<void(QPoint)> contextMenu_;
    std::function<void(bool)> shownChanged_;
};

}  // namespace quorvel

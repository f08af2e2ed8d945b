#pragma once
// The box the device and the strip are drawn as: the face seen straight on, the box's top face
// above it and its side face to the right in an oblique projection, a soft shadow on the floor
// below, and room around it all. `depthX` and `depthY` are the depths of the side and top faces.
//
// Geometry for a face of size F: the shell's frame is (F.width + depthX) x (F.height + depthY)
// with the face in its bottom-left corner; around the frame 4 points of room on three sides
// and 24 below (the floor shadow lies there).
#include <QImage>
#include <QPainterPath>
#include <QRectF>
#include <QSizeF>

class QPainter;

namespace quorvel {

struct ObliqueShell {
    double depthX = 18;
    double depthY = 11;

    static constexpr double outerTop = 4;
    static constexpr double outerLeading = 4;
    static constexpr double outerBottom = 24;
    static constexpr double outerTrailing = 4;

    /// The whole drawing's size for a face of `face`.
    QSizeF totalSize(QSizeF face) const;
    /// The shell's frame (face plus its depths) within the drawing.
    QRectF frame(QSizeF face) const;
    /// Where the face stands within the drawing.
    QRectF faceRect(QSizeF face) const;

    /// (0, dy), (dx, 0), (W, 0), (W, H - dy), (W - dx, H), (0, H) in `frame`.
    QPainterPath silhouette(const QRectF& frame) const;
    /// (0, dy), (dx, 0), (W, 0), (W - dx, dy) in `frame`.
    QPainterPath topFace(const QRectF& frame) const;

    /// Side colour, the top face with its grain, the crease and the ink outline.
    void paint(QPainter& painter, const QRectF& frame) const;
    /// The floor shadow: an ellipse 22 points tall, inset 10 points left and right under the
    /// shell, black at 25 %, blurred with radius 6 and dropped 7 points.
    static constexpr double floorShadowHeight = 22;
    static constexpr double floorShadowInset = 10;
    static constexpr double floorShadowDrop = 7;

    /// The blurred ellipse on the floor under a shell standing in `frame`.
    static void paintFloorShadow(QPainter& painter, const QRectF& frame);
    /// The blurred ellipse of `width` points with its blur margin, made once per width (any
    /// thread) and kept.
    static QImage floorShadowImage(double width);
};

/// The face's casing: the chassis colour with a light and a dark inner edge and the grain, and
/// over everything on the face a 3-point ink border inside its edge (`paintBorder`, painted last).
struct Casing {
    static constexpr double borderWidth = 3;
    static constexpr double grainOpacity = 0.12;

    static void paint(QPainter& painter, const QRectF& face);
    static void paintBorder(QPainter& painter, const QRectF& face);
};

}  // namespace quorvel

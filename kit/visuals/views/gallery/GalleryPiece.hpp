#pragma once
// The developer's gallery of view pieces: each piece a name, a size and a paint function. A
// file in this folder adds its own pieces with one `GalleryRegistration` at namespace scope;
// `views_gallery <folder>` writes every piece as <folder>/<name>.png.
#include <functional>
#include <string>
#include <vector>

#include <QColor>
#include <QRectF>
#include <QSizeF>

#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/kit/Painting.hpp"

class QPainter;

namespace quorvel::gallery {

struct GalleryPiece {
    /// File name without ".png"; letters, digits and "-".
    std::string name;
    /// Size in points; the picture is this times the scale in pixels.
    QSizeF size;
    /// Paints the piece into a frame of `size` at the origin.
    std::function<void(QPainter&, const QRectF&)> paint;
    /// Fill behind the piece.
    QColor background = drawing::toQColor(Tokens::chassis);
};

/// Every registered piece, in registration order (file order within a file).
std::vector<GalleryPiece>& pieces();

struct GalleryRegistration {
    explicit GalleryRegistration(std::vector<GalleryPiece> (*make)());
};

}  // namespace quorvel::gallery

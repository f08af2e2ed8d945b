#pragma once
// One reference page of the product's visual kit: the mascot's faces, its broke body and
// scales, the floppy, the type specimens, bevelled keys, LEDs, dymo labels and the colour
// tokens with their names, on the chassis colour. Static: no state, no actions, no motion.
#include <string>
#include <vector>

#include <QSizeF>

#include "kit/visuals/model/Color.hpp"

class QPainter;

namespace quorvel {

struct DesignSheetView {
    struct Swatch {
        std::string label;
        Color color;
        bool operator==(const Swatch&) const = default;
    };

    /// ink, chassis, panel, side, top, inset, screen, acid, acidDeep, mascotWhite, dim, broke,
    /// brokeDeep: the first thirteen tokens, labelled with their names.
    static std::vector<Swatch> defaultSwatches();

    std::vector<Swatch> swatches = defaultSwatches();

    /// The section titles, top to bottom, after the header.
    static std::vector<std::string> sectionTitles();

    /// The sheet's own size: its content plus 32 points on every side.
    QSizeF size() const;
    /// Paints the sheet with its top-left at the painter's origin, the chassis colour behind.
    void paint(QPainter& painter) const;
};

}  // namespace quorvel

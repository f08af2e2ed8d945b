#pragma once
// The product's pixel drawings as text maps, and the palettes that colour them.
//
// A map is a list of rows, top row first; each character is one square cell. "." is empty and is
// never in a palette; any other character is looked up in a palette, and one the palette lacks
// is drawn as empty too.
#include <array>
#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kit/engine/PixelArtFace.hpp"
#include "kit/visuals/model/Color.hpp"

namespace quorvel::PixelArt {

/// Every face, in the order of declaration; a face's position here is its index 0 to 8.
inline constexpr std::array<Face, 9> allFaces{Face::happy, Face::blink,  Face::working,
                                              Face::shocked, Face::angry, Face::sleepy,
                                              Face::dead,  Face::wink,   Face::zero};

/// The case name: "happy" ... "zero".
std::string_view rawValue(Face face);
/// The face named exactly `raw` (case-sensitive); nothing for any other text.
std::optional<Face> faceFromRawValue(std::string_view raw);
/// The face's position in `allFaces`.
int indexOf(Face face);

using PixelMap = std::vector<std::string>;
using Palette = std::map<char, Color>;

struct Cell {
    int x = 0;
    int y = 0;
    bool operator==(const Cell&) const = default;
};

struct SlotLine {
    int row = 0;
    int firstColumn = 0;
    int lastColumn = 0;
    bool operator==(const SlotLine&) const = default;
};

/// Where a face's top-left cell lies on the body: the first cell of its screen.
inline constexpr Cell screenOrigin{3, 3};
/// The drive slot drawn in outline colour across the body's lower front.
inline constexpr SlotLine slot{12, 3, 10};

/// The mascot, 16 x 16: K outline, C body, S screen (columns 3-12, rows 3-9), D the LED.
const PixelMap& body();
/// The nine faces, 10 x 7 each (E eyes, M mouth), drawn into the body's screen.
const std::map<Face, PixelMap>& faces();
/// The small mascot of the phone screens, 12 x 11, with its face built in.
const PixelMap& miniBody();
/// The floppy disk, 10 x 9: K outline, D disk, L shutter, W label.
const PixelMap& floppy();
/// The floppy at twice the size inside a one-cell outline, 18 x 16.
const PixelMap& bigFloppy();
/// Glyphs whose cells are all "X"; the caller colours "X".
const PixelMap& chevron();
const PixelMap& list();
const PixelMap& gear();

/// Body colours: red when broke; black outline and near-black screen when drawn on the device's
/// own screen.
Palette bodyPalette(bool broke, bool onScreen);
/// Face colours: acid eyes and mouth, white on a broke (red) body.
Palette facePalette(bool broke);
/// The small mascot's colours; when broke both body and face turn red.
Palette palette(bool broke);
const Palette& floppyPalette();

/// The colour a palette gives a cell, or nothing for an empty cell or a character it lacks.
std::optional<Color> lookup(const Palette& palette, char cell);

/// Calls `visit(column, row, colour)` for each cell of `map` that `palette` colours, row by row
/// from the top, each row from the left.
template <typename Visit>
void forEachColouredCell(const PixelMap& map, const Palette& palette, Visit&& visit) {
    for (std::size_t row = 0; row < map.size(); ++row) {
        const std::string& cells = map[row];
        for (std::size_t column = 0; column < cells.size(); ++column) {
            if (const std::optional<Color> colour = lookup(palette, cells[column])) {
                visit(static_cast<int>(column), static_cast<int>(row), *colour);
            }
        }
    }
}

}  // namespace quorvel::PixelArt

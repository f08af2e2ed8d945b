#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kit/visuals/model/PixelArt.hpp"
#include "kit/visuals/model/Tokens.hpp"

namespace quorvel {
namespace {

using PixelArt::Face;
using PixelArt::PixelMap;

std::size_t countOf(const PixelMap& map, char cell) {
    std::size_t count = 0;
    for (const auto& row : map) {
        for (char c : row) count += c == cell ? 1 : 0;
    }
    return count;
}

void expectShape(const PixelMap& map, std::size_t columns, std::size_t rows, const char* name) {
    ASSERT_EQ(map.size(), rows) << name;
    for (const auto& row : map) EXPECT_EQ(row.size(), columns) << name << ": " << row;
}

struct KnownCell {
    int x;
    int y;
    char cell;
};

TEST(PixelArt, MapsHaveTheirSizesAndKnownCells) {
    const struct {
        const char* name;
        const PixelMap& map;
        std::size_t columns;
        std::size_t rows;
        std::vector<KnownCell> cells;
        std::string alphabet;
    } table[] = {
        {"body", PixelArt::body(), 16, 16,
         {{0, 0, '.'}, {2, 0, 'K'}, {1, 1, 'K'}, {2, 1, 'C'}, {3, 3, 'S'}, {12, 9, 'S'}, {13, 9, 'K'},
          {13, 12, 'D'}, {3, 12, 'K'}, {10, 12, 'K'}, {11, 12, 'C'}, {4, 15, '.'}, {2, 15, 'K'}},
         ".KCSD"},
        {"miniBody", PixelArt::miniBody(), 12, 11,
         {{0, 0, '.'}, {4, 3, 'E'}, {7, 3, 'E'}, {4, 5, 'M'}, {10, 8, 'C'}, {3, 10, '.'}},
         ".KCSEM"},
        {"floppy", PixelArt::floppy(), 10, 9,
         {{3, 1, 'L'}, {6, 2, 'L'}, {2, 2, 'D'}, {2, 5, 'W'}, {8, 7, 'D'}, {9, 8, 'K'}},
         "KDLW"},
        {"bigFloppy", PixelArt::bigFloppy(), 18, 16,
         {{0, 0, 'K'}, {1, 1, 'D'}, {5, 1, 'L'}, {12, 4, 'L'}, {13, 4, 'D'}, {3, 9, 'W'},
          {2, 14, 'D'}, {17, 15, 'K'}},
         "KDLW"},
        {"chevron", PixelArt::chevron(), 5, 7, {{0, 0, 'X'}, {3, 3, 'X'}, {4, 3, '.'}}, ".X"},
        {"list", PixelArt::list(), 12, 10, {{2, 0, '.'}, {11, 9, 'X'}, {0, 2, '.'}}, ".X"},
        {"gear", PixelArt::gear(), 11, 11, {{5, 5, '.'}, {0, 4, 'X'}, {4, 0, 'X'}}, ".X"},
    };
    for (const auto& row : table) {
        expectShape(row.map, row.columns, row.rows, row.name);
        for (const auto& known : row.cells) {
            EXPECT_EQ(row.map[known.y][known.x], known.cell)
                << row.name << " at (" << known.x << ", " << known.y << ")";
        }
        for (const auto& line : row.map) {
            EXPECT_EQ(line.find_first_not_of(row.alphabet), std::string::npos) << row.name;
        }
    }
}

TEST(PixelArt, CellCountsOfTheMaps) {
    EXPECT_EQ(countOf(PixelArt::body(), 'S'), 70u);  // the 10 x 7 screen
    EXPECT_EQ(countOf(PixelArt::body(), 'D'), 1u);
    EXPECT_EQ(countOf(PixelArt::body(), 'C'), 63u);
    EXPECT_EQ(countOf(PixelArt::body(), '.'), 20u);
    EXPECT_EQ(countOf(PixelArt::miniBody(), 'E'), 2u);
    EXPECT_EQ(countOf(PixelArt::miniBody(), 'M'), 4u);
    EXPECT_EQ(countOf(PixelArt::floppy(), 'L'), 8u);
    EXPECT_EQ(countOf(PixelArt::floppy(), 'W'), 18u);
    EXPECT_EQ(countOf(PixelArt::bigFloppy(), 'K'), 18u * 2 + 14u * 2);
    EXPECT_EQ(countOf(PixelArt::bigFloppy(), 'L'), 32u);
    EXPECT_EQ(countOf(PixelArt::bigFloppy(), 'W'), 72u);
    EXPECT_EQ(countOf(PixelArt::chevron(), 'X'), 12u);
    EXPECT_EQ(countOf(PixelArt::list(), 'X'), 77u);
    EXPECT_EQ(countOf(PixelArt::gear(), 'X'), 68u);
}

TEST(PixelArt, TheBodyScreenAndSlotSitWhereTheConstantsSay) {
    EXPECT_EQ(PixelArt::screenOrigin, (PixelArt::Cell{3, 3}));
    const auto& body = PixelArt::body();
    for (int y = 3; y <= 9; ++y) {
        EXPECT_EQ(body[y].substr(3, 10), std::string(10, 'S')) << y;
    }
    EXPECT_EQ(PixelArt::slot, (PixelArt::SlotLine{12, 3, 10}));
    EXPECT_EQ(body[12].substr(3, 8), std::string(8, 'K'));
}

TEST(PixelArt, TheLargeFloppyDoublesTheInsideOfTheSmallOne) {
    const auto& big = PixelArt::bigFloppy();
    ASSERT_EQ(big.size(), 16u);
    EXPECT_EQ(big.front(), std::string(18, 'K'));
    EXPECT_EQ(big.back(), std::string(18, 'K'));
    for (std::size_t r = 1; r <= 14; ++r) {
        const std::string inside = r <= 4   ? "DDDDLLLLLLLLDDDD"
                                   : r <= 8 ? std::string(16, 'D')
                                            : "DDWWWWWWWWWWWWDD";
        EXPECT_EQ(big[r], "K" + inside + "K") << r;
    }
}

TEST(PixelArt, FacesAreTheNineTenBySevenMaps) {
    ASSERT_EQ(PixelArt::faces().size(), 9u);
    for (Face face : PixelArt::allFaces) {
        const auto found = PixelArt::faces().find(face);
        ASSERT_NE(found, PixelArt::faces().end()) << PixelArt::rawValue(face);
        expectShape(found->second, 10, 7, std::string(PixelArt::rawValue(face)).c_str());
    }
    const struct {
        Face face;
        std::size_t eyes;
        std::size_t mouth;
        const char* row;
        int rowIndex;
    } table[] = {
        {Face::happy, 8, 6, ".EE....EE.", 1},   {Face::blink, 4, 6, ".EE....EE.", 3},
        {Face::working, 8, 4, "..EE...EE.", 2}, {Face::shocked, 8, 6, "...M..M...", 4},
        {Face::angry, 6, 6, "..M....M..", 5},   {Face::sleepy, 6, 2, ".EEE..EEE.", 2},
        {Face::dead, 10, 4, "..E....E..", 1},   {Face::wink, 7, 6, ".EE....EEE", 2},
        {Face::zero, 22, 0, "..E.EE.E..", 3},
    };
    for (const auto& row : table) {
        const auto& map = PixelArt::faces().at(row.face);
        EXPECT_EQ(countOf(map, 'E'), row.eyes) << PixelArt::rawValue(row.face);
        EXPECT_EQ(countOf(map, 'M'), row.mouth) << PixelArt::rawValue(row.face);
        EXPECT_EQ(map[row.rowIndex], row.row) << PixelArt::rawValue(row.face);
    }
}

TEST(PixelArt, FaceRawValuesMatchExactly) {
    const char* names[] = {"happy", "blink", "working", "shocked", "angry",
                           "sleepy", "dead", "wink", "zero"};
    for (int i = 0; i < 9; ++i) {
        const Face face = PixelArt::allFaces[i];
        EXPECT_EQ(PixelArt::rawValue(face), names[i]);
        EXPECT_EQ(PixelArt::faceFromRawValue(names[i]), face);
        EXPECT_EQ(PixelArt::indexOf(face), i);
    }
    for (const char* other : {"", "Happy", "ZERO", "happy "}) {
        EXPECT_EQ(PixelArt::faceFromRawValue(other), std::nullopt) << other;
    }
}

TEST(PixelArt, PalettesColourTheMascotByLook) {
    const auto plain = PixelArt::bodyPalette(false, false);
    EXPECT_EQ(plain.at('K'), Tokens::ink);
    EXPECT_EQ(plain.at('C'), Tokens::mascotWhite);
    EXPECT_EQ(plain.at('S'), Tokens::screen);
    EXPECT_EQ(plain.at('D'), Tokens::acid);
    EXPECT_EQ(plain.size(), 4u);

    const auto onScreenBroke = PixelArt::bodyPalette(true, true);
    EXPECT_EQ(onScreenBroke.at('K'), Tokens::black);
    EXPECT_EQ(onScreenBroke.at('C'), Tokens::broke);
    EXPECT_EQ(onScreenBroke.at('S'), Tokens::mascotScreen);

    EXPECT_EQ(PixelArt::facePalette(false), (PixelArt::Palette{{'E', Tokens::acid}, {'M', Tokens::acid}}));
    EXPECT_EQ(PixelArt::facePalette(true),
              (PixelArt::Palette{{'E', Tokens::mascotWhite}, {'M', Tokens::mascotWhite}}));

    const auto mini = PixelArt::palette(true);
    EXPECT_EQ(mini.at('C'), Tokens::broke);
    EXPECT_EQ(mini.at('E'), Tokens::broke);
    EXPECT_EQ(mini.at('M'), Tokens::broke);
    EXPECT_EQ(mini.at('K'), Tokens::ink);
    EXPECT_EQ(mini.at('S'), Tokens::mascotScreen);
    EXPECT_EQ(PixelArt::palette(false).at('E'), Tokens::acid);
    EXPECT_EQ(PixelArt::palette(false).count('D'), 0u);

    EXPECT_EQ(PixelArt::floppyPalette(), (PixelArt::Palette{{'K', Tokens::ink},
                                                            {'D', Tokens::acid},
                                                            {'L', Tokens::shutter},
                                                            {'W', Tokens::mascotWhite}}));
}

TEST(PixelArt, EmptyCellsAndUnknownCharactersDrawNothing) {
    const auto palette = PixelArt::bodyPalette(false, false);
    EXPECT_EQ(PixelArt::lookup(palette, '.'), std::nullopt);
    EXPECT_EQ(PixelArt::lookup(palette, 'E'), std::nullopt);
    EXPECT_EQ(PixelArt::lookup(palette, 'K'), Tokens::ink);
    PixelArt::Palette withDot{{'.', Tokens::acid}};
    EXPECT_EQ(PixelArt::lookup(withDot, '.'), std::nullopt);

    // A walk over a ragged map visits only the coloured cells, row by row, at their places.
    struct Visited {
        int column;
        int row;
        Color colour;
        bool operator==(const Visited&) const = default;
    };
    std::vector<Visited> visited;
    PixelArt::forEachColouredCell(PixelMap{"K.E", "", ".KK."}, palette, [&](int column, int row, const Color& colour) {
        visited.push_back({column, row, colour});
    });
    EXPECT_EQ(visited, (std::vector<Visited>{{0, 0, Tokens::ink}, {1, 2, Tokens::ink}, {2, 2, Tokens::ink}}));
}

}  // namespace
}  // namespace quorvel

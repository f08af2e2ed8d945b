#include "kit/visuals/model/PixelArt.hpp"

#include "kit/visuals/model/Tokens.hpp"

namespace quorvel::PixelArt {

std::string_view rawValue(Face face) {
    switch (face) {
        case Face::happy: return "happy";
        case Face::blink: return "blink";
        case Face::working: return "working";
        case Face::shocked: return "shocked";
        case Face::angry: return "angry";
        case Face::sleepy: return "sleepy";
        case Face::dead: return "dead";
        case Face::wink: return "wink";
        case Face::zero: return "zero";
    }
    return "happy";
}

std::optional<Face> faceFromRawValue(std::string_view raw) {
    for (Face face : allFaces) {
        if (rawValue(face) == raw) return face;
    }
    return std::nullopt;
}

int indexOf(Face face) {
    for (std::size_t i = 0; i < allFaces.size(); ++i) {
        if (allFaces[i] == face) return static_cast<int>(i);
    }
    return 0;
}

const PixelMap& body() {
    static const PixelMap map{
        "..KKKKKKKKKKKK..",
        ".KCCCCCCCCCCCCK.",
        "KCKKKKKKKKKKKKCK",
        "KCKSSSSSSSSSSKCK",
        "KCKSSSSSSSSSSKCK",
        "KCKSSSSSSSSSSKCK",
        "KCKSSSSSSSSSSKCK",
        "KCKSSSSSSSSSSKCK",
        "KCKSSSSSSSSSSKCK",
        "KCKSSSSSSSSSSKCK",
        "KCKKKKKKKKKKKKCK",
        "KCCCCCCCCCCCCCCK",
        "KCCKKKKKKKKCCDCK",
        "KCCCCCCCCCCCCCCK",
        ".KKKKKKKKKKKKKK.",
        "..KK........KK..",
    };
    return map;
}

const std::map<Face, PixelMap>& faces() {
    static const std::map<Face, PixelMap> map{
        {Face::happy,
         {"..........", ".EE....EE.", ".EE....EE.", "..........", "..M....M..", "...MMMM...",
          ".........."}},
        {Face::blink,
         {"..........", "..........", "..........", ".EE....EE.", "..M....M..", "...MMMM...",
          ".........."}},
        {Face::working,
         {"..........", "..EE...EE.", "..EE...EE.", "..........", "...MMMM...", "..........",
          ".........."}},
        {Face::shocked,
         {".EE....EE.", ".EE....EE.", "..........", "....MM....", "...M..M...", "....MM....",
          ".........."}},
        {Face::angry,
         {"..........", ".E......E.", "..EE..EE..", "..........", "...MMMM...", "..M....M..",
          ".........."}},
        {Face::sleepy,
         {"..........", "..........", ".EEE..EEE.", "..........", "....MM....", "..........",
          ".........."}},
        {Face::dead,
         {".E.E..E.E.", "..E....E..", ".E.E..E.E.", "..........", "...MMMM...", "..........",
          ".........."}},
        {Face::wink,
         {"..........", ".EE.......", ".EE....EEE", "..........", "..M....M..", "...MMMM...",
          ".........."}},
        {Face::zero,
         {"...EEEE...", "..E....E..", "..E...EE..", "..E.EE.E..", "..EE...E..", "..E....E..",
          "...EEEE..."}},
    };
    return map;
}

const PixelMap& miniBody() {
    static const PixelMap map{
        ".KKKKKKKKKK.",
        "KCKKKKKKKKCK",
        "KCKSSSSSSKCK",
        "KCKSESSESKCK",
        "KCKSSSSSSKCK",
        "KCKSMMMMSKCK",
        "KCKSSSSSSKCK",
        "KCKKKKKKKKCK",
        "KCCCCCCCCCCK",
        ".KKKKKKKKKK.",
        ".KK......KK.",
    };
    return map;
}

const PixelMap& floppy() {
    static const PixelMap map{
        "KKKKKKKKKK",
        "KDDLLLLDDK",
        "KDDLLLLDDK",
        "KDDDDDDDDK",
        "KDDDDDDDDK",
        "KDWWWWWWDK",
        "KDWWWWWWDK",
        "KDWWWWWWDK",
        "KKKKKKKKKK",
    };
    return map;
}

const PixelMap& bigFloppy() {
    // The interior doubled in both directions while the outline stays one cell thick.
    static const PixelMap map = [] {
        const PixelMap& small = floppy();
        PixelMap rows;
        for (std::size_t r = 1; r + 1 < small.size(); ++r) {
            const std::string& row = small[r];
            std::string doubled = "K";
            for (std::size_t c = 1; c + 1 < row.size(); ++c) doubled.append(2, row[c]);
            doubled += "K";
            rows.push_back(doubled);
            rows.push_back(doubled);
        }
        const std::string outline(rows.empty() ? 2 : rows.front().size(), 'K');
        rows.insert(rows.begin(), outline);
        rows.push_back(outline);
        return rows;
    }();
    return map;
}

const PixelMap& chevron() {
    static const PixelMap map{"X....", "XX...", ".XX..", "..XX.", ".XX..", "XX...", "X...."};
    return map;
}

const PixelMap& list() {
    static const PixelMap map{
        "XX.XXXXXXXXX", "XX.XXXXXXXXX", "............", "XX.XXXXXXXXX", "XX.XXXXXXXXX",
        "............", "XX.XXXXXXXXX", "XX.XXXXXXXXX", "............", "XX.XXXXXXXXX",
    };
    return map;
}

const PixelMap& gear() {
    static const PixelMap map{
        "....XXX....", "..X.XXX.X..", ".XXXXXXXXX.", "..XXX.XXX..", "XXXX...XXXX", "XXX.....XXX",
        "XXXX...XXXX", "..XXX.XXX..", ".XXXXXXXXX.", "..X.XXX.X..", "....XXX....",
    };
    return map;
}

Palette bodyPalette(bool broke, bool onScreen) {
    return Palette{
        {'K', onScreen ? Tokens::black : Tokens::ink},
        {'C', broke ? Tokens::broke : Tokens::mascotWhite},
        {'S', onScreen ? Tokens::mascotScreen : Tokens::screen},
        {'D', Tokens::acid},
    };
}

Palette facePalette(bool broke) {
    const Color features = broke ? Tokens::mascotWhite : Tokens::acid;
    return Palette{{'E', features}, {'M', features}};
}

Palette palette(bool broke) {
    const Color features = broke ? Tokens::broke : Tokens::acid;
    return Palette{
        {'K', Tokens::ink},
        {'C', broke ? Tokens::broke : Tokens::mascotWhite},
        {'S', Tokens::mascotScreen},
        {'E', features},
        {'M', features},
    };
}

const Palette& floppyPalette() {
    static const Palette colours{
        {'K', Tokens::ink},
        {'D', Tokens::acid},
        {'L', Tokens::shutter},
        {'W', Tokens::mascotWhite},
    };
    return colours;
}

std::optional<Color> lookup(const Palette& palette, char cell) {
    if (cell == '.') return std::nullopt;
    const auto found = palette.find(cell);
    if (found == palette.end()) return std::nullopt;
    return found->second;
}

}  // namespace quorvel::PixelArt

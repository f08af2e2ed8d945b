#include <gtest/gtest.h>

#include <cstdint>

#include "kit/visuals/model/Tokens.hpp"

namespace quorvel {
namespace {

TEST(Tokens, ColourFromHexSplitsTheThreeBytes) {
    const Color acid = Tokens::color(0xC8F03C, 1);
    EXPECT_EQ(acid, (Color{200 / 255.0, 240 / 255.0, 60 / 255.0, 1}));
    EXPECT_EQ(acid, Tokens::acid);
    EXPECT_EQ(Tokens::color(0xFFC8F03C, 1), Tokens::acid);
    EXPECT_EQ(Tokens::color(0x01000000), Tokens::black);
    EXPECT_EQ(Tokens::color(0x123456, 0.25).opacity, 0.25);
    EXPECT_EQ(Tokens::color(0xFFFFFF), (Color{1, 1, 1, 1}));
}

TEST(Tokens, EveryTokenHoldsItsValue) {
    const struct {
        const char* name;
        Color token;
        std::uint32_t hex;
    } table[] = {
        {"ink", Tokens::ink, 0x0E0E0E},
        {"chassis", Tokens::chassis, 0x2B2C2F},
        {"panel", Tokens::panel, 0x3A3C41},
        {"side", Tokens::side, 0x202124},
        {"top", Tokens::top, 0x3C3E43},
        {"inset", Tokens::inset, 0x1E1F22},
        {"screen", Tokens::screen, 0x0F130F},
        {"acid", Tokens::acid, 0xC8F03C},
        {"acidDeep", Tokens::acidDeep, 0x6F8A12},
        {"mascotWhite", Tokens::mascotWhite, 0xF4F3EE},
        {"dim", Tokens::dim, 0x9A9CA1},
        {"broke", Tokens::broke, 0xFF5A4F},
        {"brokeDeep", Tokens::brokeDeep, 0x8F2A22},
        {"shutter", Tokens::shutter, 0xCFCFCF},
        {"inkTapeText", Tokens::inkTapeText, 0xF4F2EC},
        {"acidTapeText", Tokens::acidTapeText, 0x18200A},
        {"nearBlack", Tokens::nearBlack, 0x0A0A0B},
        {"keyDepth", Tokens::keyDepth, 0x1C1D1F},
        {"inkTape", Tokens::inkTape, 0x111111},
        {"panelPressed", Tokens::panelPressed, 0x33352F},
        {"steel", Tokens::steel, 0x55575C},
        {"keyLegend", Tokens::keyLegend, 0xC4C6CA},
        {"graphite", Tokens::graphite, 0x18191B},
        {"slot", Tokens::slot, 0x111214},
        {"well", Tokens::well, 0x0B0B0C},
        {"mouth", Tokens::mouth, 0x050505},
        {"mascotScreen", Tokens::mascotScreen, 0x050605},
        {"black", Tokens::black, 0x000000},
    };
    for (const auto& row : table) {
        const Color expected{((row.hex >> 16) & 0xFF) / 255.0, ((row.hex >> 8) & 0xFF) / 255.0,
                             (row.hex & 0xFF) / 255.0, 1.0};
        EXPECT_EQ(row.token, expected) << row.name;
    }
}

}  // namespace
}  // namespace quorvel

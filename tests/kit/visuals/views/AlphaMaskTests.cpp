// The alpha-only blur behind every soft shadow: it must stay a true Gaussian (edges extended),
// leave flat areas exactly flat, and tint to exact premultiplied colours.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include <QImage>

#include "kit/visuals/views/kit/AlphaMask.hpp"
#include "kit/visuals/views/kit/Shadow.hpp"

namespace quorvel {
namespace {

// The blur written out plainly in double precision: sigma = radius / 2, three sigmas, clamped edges.
std::vector<double> referenceBlur(const std::vector<std::uint8_t>& plane, int width, int height, double radius) {
    const double sigma = radius / 2;
    const int spread = drawing::blurSpread(radius);
    std::vector<double> kernel;
    double sum = 0;
    for (int i = -spread; i <= spread; ++i) sum += kernel.emplace_back(std::exp(-(i * i) / (2 * sigma * sigma)));
    for (double& weight : kernel) weight /= sum;
    const auto at = [&](const std::vector<double>& samples, int x, int y) {
        return samples[static_cast<std::size_t>(std::clamp(y, 0, height - 1) * width + std::clamp(x, 0, width - 1))];
    };
    const std::vector<double> input(plane.begin(), plane.end());
    std::vector<double> across(input.size()), down(input.size());
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int k = -spread; k <= spread; ++k)
                across[static_cast<std::size_t>(y * width + x)] += kernel[static_cast<std::size_t>(k + spread)] * at(input, x + k, y);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int k = -spread; k <= spread; ++k)
                down[static_cast<std::size_t>(y * width + x)] += kernel[static_cast<std::size_t>(k + spread)] * at(across, x, y + k);
    return down;
}

TEST(AlphaMaskBlur, MatchesAPlainGaussianWithinOneLevelUpToTheEdges) {
    // 37 columns: not a whole number of vector lanes; the shape touches two edges.
    const int width = 37;
    const int height = 23;
    std::vector<std::uint8_t> plane(static_cast<std::size_t>(width * height), 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if ((x > 20 && y < 9) || (x - 8) * (x - 8) + (y - 15) * (y - 15) < 20) plane[static_cast<std::size_t>(y * width + x)] = 230;
    for (const double radius : {0.7, 3.0, 8.5}) {
        std::vector<std::uint8_t> blurred = plane;
        drawing::blurPlane(blurred.data(), width, height, width, 1, radius);
        const std::vector<double> expected = referenceBlur(plane, width, height, radius);
        for (std::size_t i = 0; i < blurred.size(); ++i)
            ASSERT_NEAR(blurred[i], expected[i], 1.0) << "radius " << radius << " at " << i % width << "," << i / width;
    }
}

TEST(AlphaMaskBlur, FlatAreasStayExactlyFlatAndOtherBytesOfAPixelAreUntouched) {
    for (const std::uint8_t level : {std::uint8_t{0}, std::uint8_t{128}, std::uint8_t{255}}) {
        // One channel of 32-bit pixels: the other three bytes must come through as they were.
        std::vector<std::uint8_t> pixels(static_cast<std::size_t>(19 * 11 * 4));
        for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = i % 4 == 3 ? level : static_cast<std::uint8_t>(i % 4 + 1);
        drawing::blurPlane(pixels.data() + 3, 19, 11, 19 * 4, 4, 6);
        for (std::size_t i = 0; i < pixels.size(); ++i)
            ASSERT_EQ(pixels[i], i % 4 == 3 ? level : i % 4 + 1) << "level " << int(level) << " byte " << i;
    }
    std::vector<std::uint8_t> untouched{10, 200, 30};
    for (const double radius : {0.0, -2.0, std::nan(""), HUGE_VAL}) {
        drawing::blurPlane(untouched.data(), 3, 1, 3, 1, radius);
        EXPECT_EQ(untouched, (std::vector<std::uint8_t>{10, 200, 30})) << radius;
    }
}

TEST(AlphaMaskBlur, EmptyStretchesChangeNothingOfWhatIsBlurredBesideThem) {
    // Two islands far apart in a wide, empty plane (as an inner shadow's band around a large
    // face) blur to exactly what each gives alone in a plane just big enough for it.
    const double radius = 4;
    const int margin = drawing::blurSpread(radius) + 2;
    const int island = 7;
    const int small = island + 2 * margin;
    std::vector<std::uint8_t> alone(static_cast<std::size_t>(small * small), 0);
    for (int y = 0; y < island; ++y)
        for (int x = 0; x < island; ++x) alone[static_cast<std::size_t>((y + margin) * small + x + margin)] = static_cast<std::uint8_t>(40 + 25 * ((x + y) % 9));
    std::vector<std::uint8_t> blurredAlone = alone;
    drawing::blurPlane(blurredAlone.data(), small, small, small, 1, radius);

    const int width = 301;  // not a whole number of column blocks
    const int height = 97;
    const std::vector<std::pair<int, int>> corners{{0, 0}, {width - small, height - small}, {140, 40}};
    std::vector<std::uint8_t> wide(static_cast<std::size_t>(width * height), 0);
    for (const auto& [left, top] : corners)
        for (int y = 0; y < small; ++y)
            for (int x = 0; x < small; ++x) wide[static_cast<std::size_t>((top + y) * width + left + x)] = alone[static_cast<std::size_t>(y * small + x)];
    drawing::blurPlane(wide.data(), width, height, width, 1, radius);
    std::size_t nonZero = 0;
    for (const std::uint8_t sample : wide) nonZero += sample != 0;
    std::size_t islandNonZero = 0;
    for (const std::uint8_t sample : blurredAlone) islandNonZero += sample != 0;
    EXPECT_EQ(nonZero, corners.size() * islandNonZero);
    for (const auto& [left, top] : corners)
        for (int y = 0; y < small; ++y)
            for (int x = 0; x < small; ++x)
                ASSERT_EQ(wide[static_cast<std::size_t>((top + y) * width + left + x)], blurredAlone[static_cast<std::size_t>(y * small + x)])
                    << "island at " << left << "," << top << ", pixel " << x << "," << y;
}

TEST(AlphaMaskTint, CoverageBecomesTheColourPremultipliedAtTheCoverageTimesItsAlpha) {
    QImage mask(3, 1, QImage::Format_ARGB32_Premultiplied);
    mask.setPixel(0, 0, qRgba(0, 0, 0, 255));
    mask.setPixel(1, 0, qRgba(0, 0, 0, 0));
    mask.setPixel(2, 0, qRgba(0, 0, 0, 102));
    mask.setDevicePixelRatio(2);
    drawing::tintMask(mask, QColor(200, 100, 50, 255));
    EXPECT_EQ(mask.pixel(0, 0), qRgba(200, 100, 50, 255));
    EXPECT_EQ(mask.pixel(1, 0), 0u);
    // 102 / 255 = 0.4: 80, 40, 20 at alpha 102.
    EXPECT_EQ(mask.pixel(2, 0), qRgba(80, 40, 20, 102));
    EXPECT_DOUBLE_EQ(mask.devicePixelRatio(), 2);

    QImage half(1, 1, QImage::Format_ARGB32_Premultiplied);
    half.setPixel(0, 0, qRgba(0, 0, 0, 255));
    drawing::tintMask(half, QColor(255, 255, 255, 128));
    EXPECT_EQ(half.pixel(0, 0), qRgba(128, 128, 128, 128));
}

TEST(AlphaMaskShadow, AGlowIsOneColourAroundTheSourcesSilhouetteAndStaysPremultiplied) {
    // A two-colour source: the glow takes only its silhouette.
    QImage source(12, 12, QImage::Format_ARGB32_Premultiplied);
    source.fill(Qt::transparent);
    for (int y = 4; y < 8; ++y)
        for (int x = 4; x < 8; ++x) source.setPixel(x, y, x < 6 ? qRgba(255, 0, 0, 255) : qRgba(0, 0, 255, 255));
    const QImage glow = drawing::shadowImage(source, QColor(0, 255, 0, 255), 4, 6);
    ASSERT_EQ(glow.size(), QSize(24, 24));
    int lit = 0;
    for (int y = 0; y < glow.height(); ++y) {
        for (int x = 0; x < glow.width(); ++x) {
            const QRgb pixel = glow.pixel(x, y);
            ASSERT_EQ(qRed(pixel), 0);
            ASSERT_EQ(qBlue(pixel), 0);
            ASSERT_EQ(qGreen(pixel), qAlpha(pixel)) << x << "," << y;
            lit += qAlpha(pixel) > 0;
        }
    }
    EXPECT_GT(lit, 16 * 4) << "the glow spreads past the silhouette";
    EXPECT_GT(qAlpha(glow.pixel(12, 12)), qAlpha(glow.pixel(12, 18)));
}

TEST(AlphaMaskBlur, AManyColouredImageKeepsEveryPixelValidlyPremultiplied) {
    QImage image(16, 9, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 16; ++x) image.setPixel(x, y, x % 3 == 0 ? qRgba(255, 255, 255, 255) : qRgba(0, 90, 0, 90));
    drawing::blurAlpha(image, 3);
    for (int y = 0; y < 9; ++y) {
        for (int x = 0; x < 16; ++x) {
            const QRgb pixel = image.pixel(x, y);
            ASSERT_LE(std::max({qRed(pixel), qGreen(pixel), qBlue(pixel)}), qAlpha(pixel)) << x << "," << y;
        }
    }
    EXPECT_GT(qRed(image.pixel(1, 4)), 0) << "white spreads into its neighbours";
}

}  // namespace
}  // namespace quorvel

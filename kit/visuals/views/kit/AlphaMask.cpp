#include "kit/visuals/views/kit/AlphaMask.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#include "kit/visuals/views/kit/Shadow.hpp"

namespace quorvel::drawing {

namespace {

// Four floats at a time through the compiler's vector extension: the build targets plain
// x86-64, where -O2 does not vectorise these loops by itself.
using Lanes = float __attribute__((vector_size(16)));
constexpr int laneCount = 4;

Lanes load(const float* at) {
    Lanes value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

void store(float* at, Lanes value) { std::memcpy(at, &value, sizeof value); }

// The kernel's centre and one side, normalised over both sides: weights[0] is the centre,
// weights[k] applies at -k and +k.
std::vector<float> halfKernel(double sigma, int spread) {
    std::vector<double> weights(static_cast<std::size_t>(spread) + 1);
    double sum = 0;
    for (int i = 0; i <= spread; ++i) {
        weights[static_cast<std::size_t>(i)] = std::exp(-(i * i) / (2 * sigma * sigma));
        sum += i == 0 ? weights[0] : 2 * weights[static_cast<std::size_t>(i)];
    }
    std::vector<float> normalised(weights.size());
    for (std::size_t i = 0; i < weights.size(); ++i) normalised[i] = static_cast<float>(weights[i] / sum);
    return normalised;
}

// out[x] = the kernel's centre times the sample at x plus, for every k, its weight times the
// samples k before and k after x; `sample.lanes(x, k)` and `sample.one(x, k)` read k after x.
template <typename Sample>
void convolve(float* out, int count, const std::vector<float>& kernel, Sample&& sample) {
    const int spread = static_cast<int>(kernel.size()) - 1;
    int x = 0;
    for (; x + laneCount <= count; x += laneCount) {
        Lanes sum = kernel[0] * sample.lanes(x, 0);
        for (int k = 1; k <= spread; ++k) sum += kernel[static_cast<std::size_t>(k)] * (sample.lanes(x, -k) + sample.lanes(x, k));
        store(out + x, sum);
    }
    for (; x < count; ++x) {
        float sum = kernel[0] * sample.one(x, 0);
        for (int k = 1; k <= spread; ++k) sum += kernel[static_cast<std::size_t>(k)] * (sample.one(x, -k) + sample.one(x, k));
        out[x] = sum;
    }
}

// A row padded by `spread` copies of its end samples on each side.
struct PaddedRow {
    const float* data;
    int spread;
    Lanes lanes(int x, int k) const { return load(data + spread + x + k); }
    float one(int x, int k) const { return data[spread + x + k]; }
};

// The rows of a column window: rows[spread + k] is the row k away from the output row.
struct RowWindow {
    const float* const* rows;
    int spread;
    Lanes lanes(int x, int k) const { return load(rows[spread + k] + x); }
    float one(int x, int k) const { return rows[spread + k][x]; }
};

std::uint8_t toSample(float value) {
    // Round half up; NaN cannot arise from finite weights and samples.
    return static_cast<std::uint8_t>(std::clamp(value + 0.5f, 0.0f, 255.0f));
}

}  // namespace

namespace {

// Columns are tracked in blocks of this many: a block of the horizontal pass's output that is
// zero in every row a column window reaches stays zero, and is skipped.
constexpr int blockColumns = 16;

// Calls `run(first, end)` for each stretch of the row whose output may be non-zero: every
// non-zero sample widened by `spread` on both sides, stretches that touch merged.
template <typename Run>
void forEachReachedStretch(const std::uint8_t* row, int width, int step, int spread, Run run) {
    int stretchFirst = -1;
    int stretchEnd = -1;
    for (int x = 0; x < width; ++x) {
        if (row[static_cast<qsizetype>(x) * step] == 0) continue;
        const int first = std::max(0, x - spread);
        const int end = std::min(width, x + spread + 1);
        if (stretchEnd >= first) {
            stretchEnd = end;
            continue;
        }
        if (stretchFirst >= 0) run(stretchFirst, stretchEnd);
        stretchFirst = first;
        stretchEnd = end;
    }
    if (stretchFirst >= 0) run(stretchFirst, stretchEnd);
}

}  // namespace

void blurPlane(std::uint8_t* samples, int width, int height, qsizetype stride, int step, double radiusPixels) {
    const double sigma = radiusPixels / 2;
    if (samples == nullptr || width <= 0 || height <= 0 || step <= 0 || !(sigma >= 0.05) || !std::isfinite(sigma))
        return;
    const int spread = std::max(1, blurSpread(radiusPixels));
    const std::vector<float> kernel = halfKernel(sigma, spread);
    const auto columns = static_cast<std::size_t>(width);
    const std::size_t blocks = (columns + blockColumns - 1) / blockColumns;

    // Across every row into floats, then down every column back into the plane. A window of
    // nothing but zeros sums to exactly zero, so only where some sample is non-zero is the sum
    // worked out: the rest stays zero, as it was. (Each output is computed alike wherever a
    // stretch starts, so the result is the same as convolving everything.)
    std::vector<float> across(columns * static_cast<std::size_t>(height), 0.0f);
    std::vector<std::uint8_t> reached(blocks * static_cast<std::size_t>(height), 0);
    std::vector<float> padded(columns + 2 * static_cast<std::size_t>(spread));
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = samples + y * stride;
        bool padding = false;
        forEachReachedStretch(row, width, step, spread, [&](int first, int end) {
            if (!padding) {
                for (int i = 0; i < width + 2 * spread; ++i)
                    padded[static_cast<std::size_t>(i)] = row[static_cast<qsizetype>(std::clamp(i - spread, 0, width - 1)) * step];
                padding = true;
            }
            float* out = across.data() + static_cast<std::size_t>(y) * columns;
            convolve(out + first, end - first, kernel, PaddedRow{padded.data() + first, spread});
            for (int block = first / blockColumns; block <= (end - 1) / blockColumns; ++block)
                reached[static_cast<std::size_t>(y) * blocks + static_cast<std::size_t>(block)] = 1;
        });
    }

    std::vector<const float*> window(2 * static_cast<std::size_t>(spread) + 1);
    std::vector<float> down(columns);
    std::vector<std::uint8_t> blockReached(blocks);
    std::vector<const float*> shifted(window.size());
    for (int y = 0; y < height; ++y) {
        std::fill(blockReached.begin(), blockReached.end(), 0);
        for (int k = -spread; k <= spread; ++k) {
            const std::size_t source = static_cast<std::size_t>(std::clamp(y + k, 0, height - 1));
            window[static_cast<std::size_t>(k + spread)] = across.data() + source * columns;
            for (std::size_t block = 0; block < blocks; ++block) blockReached[block] |= reached[source * blocks + block];
        }
        std::uint8_t* row = samples + y * stride;
        for (std::size_t block = 0; block < blocks;) {
            if (!blockReached[block]) {
                ++block;
                continue;
            }
            std::size_t endBlock = block;
            while (endBlock < blocks && blockReached[endBlock]) ++endBlock;
            const int first = static_cast<int>(block) * blockColumns;
            const int end = std::min(width, static_cast<int>(endBlock) * blockColumns);
            for (std::size_t i = 0; i < window.size(); ++i) shifted[i] = window[i] + first;
            convolve(down.data() + first, end - first, kernel, RowWindow{shifted.data(), spread});
            for (int x = first; x < end; ++x) row[static_cast<qsizetype>(x) * step] = toSample(down[static_cast<std::size_t>(x)]);
            block = endBlock;
        }
    }
}

namespace {

constexpr QImage::Format maskFormat = QImage::Format_ARGB32_Premultiplied;
// Where a pixel's alpha sits among its four bytes.
constexpr int alphaByte = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? 3 : 0;

}  // namespace

void blurMask(QImage& mask, double radiusPixels) {
    if (mask.isNull() || mask.format() != maskFormat) return;
    std::uint8_t* bytes = mask.bits();
    if (bytes == nullptr) return;
    blurPlane(bytes + alphaByte, mask.width(), mask.height(), mask.bytesPerLine(), 4, radiusPixels);
}

QImage maskOf(const QImage& image, int margin) {
    margin = std::max(0, margin);
    if (image.isNull()) return {};
    const QImage source = image.format() == maskFormat ? image : image.convertToFormat(maskFormat);
    const int width = source.width();
    const int height = source.height();
    QImage mask(width + 2 * margin, height + 2 * margin, maskFormat);
    if (mask.isNull()) return mask;
    mask.fill(Qt::transparent);
    for (int y = 0; y < height; ++y) {
        const QRgb* in = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        QRgb* out = reinterpret_cast<QRgb*>(mask.scanLine(y + margin)) + margin;
        for (int x = 0; x < width; ++x) out[x] = qRgba(0, 0, 0, qAlpha(in[x]));
    }
    mask.setDevicePixelRatio(image.devicePixelRatio());
    return mask;
}

void tintMask(QImage& mask, const QColor& color) {
    if (mask.isNull() || mask.format() != maskFormat) return;
    // Every pixel is one of 256 values; rounded as the colour's own premultiplication would.
    const QRgb tint = color.rgba();
    std::array<QRgb, 256> table{};
    for (int coverage = 0; coverage < 256; ++coverage) {
        const double alpha = coverage / 255.0 * qAlpha(tint) / 255.0;
        const auto channel = [&](int value) { return static_cast<int>(std::lround(value * alpha)); };
        table[static_cast<std::size_t>(coverage)] =
            qRgba(channel(qRed(tint)), channel(qGreen(tint)), channel(qBlue(tint)), channel(255));
    }
    const int width = mask.width();
    const int height = mask.height();
    for (int y = 0; y < height; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(mask.scanLine(y));
        for (int x = 0; x < width; ++x) row[x] = table[qAlpha(row[x])];
    }
}

}  // namespace quorvel::drawing

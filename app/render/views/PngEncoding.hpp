#pragma once
// PNG bytes of an image, made for speed rather than size: no row filters and light zlib effort
// (what libpng calls its "fast" write), and a large picture deflated in up to four bands on
// threads of its own, joined before it returns. An opaque image (no alpha channel) is written
// as RGB, any other as RGBA with straight (not premultiplied) alpha; the colours are marked sRGB.
// Safe to call from any thread.
#include <optional>

#include <QByteArray>
#include <QImage>

namespace quorvel {

/// Nothing for a null image or when zlib fails.
std::optional<QByteArray> encodePng(const QImage& image);

}  // namespace quorvel

#pragma once
// Coverage masks for shadows and glows: a shadow is one colour times a blurred alpha, so only
// the alpha is blurred (a quarter of the work of blurring four channels), and the colour is put
// on once at the end.
//
// Pure functions on images the caller owns; safe on any thread.
#include <cstdint>

#include <QColor>
#include <QImage>
#include <QtGlobal>

namespace quorvel::drawing {

/// Gaussian blur (sigma = `radiusPixels` / 2, cut at three sigmas, edges extended) of one
/// eight-bit plane of `width` x `height` samples, rows `stride` bytes apart and samples `step`
/// bytes apart (1 for a mask, 4 for one channel of a 32-bit image). Sigmas under 0.05 pixels,
/// NaN and infinity leave the plane as it is. Results are rounded half up, so a constant plane
/// stays the same constant.
void blurPlane(std::uint8_t* samples, int width, int height, qsizetype stride, int step, double radiusPixels);

/// A mask is a premultiplied ARGB image painted in opaque black: its alpha is the coverage
/// and its colour channels are zero. (Qt paints such images far faster than Alpha8 ones.)
///
/// Blurs a mask's alpha in place; the colour channels stay as they are, so a mask stays a mask.
/// Images of other formats are left untouched.
void blurMask(QImage& mask, double radiusPixels);

/// A mask of the alpha of `image` (converted to premultiplied ARGB if it is not), with
/// `margin` transparent pixels added on every side; same device pixel ratio.
QImage maskOf(const QImage& image, int margin);

/// Paints a mask in `color` in place: each pixel becomes `color` at the mask's alpha times the
/// colour's own (premultiplied). Images of other formats are left untouched.
void tintMask(QImage& mask, const QColor& color);

}  // namespace quorvel::drawing

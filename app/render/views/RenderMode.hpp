#pragma once
// `quorvel --render <target> <path>`: draws one view with sample data into a PNG file and ends
// the process, before anything else of the app exists. No model, no endpoint file, no helper
// install, no single-instance lock, so it runs beside a running app. Nothing is written on
// standard output or standard error on any path; the exit status alone tells the result:
// 0 when the file was written, 1 when no image could be made or written.
#include <optional>
#include <string>

#include <QImage>

#include "app/render/RenderRequest.hpp"
#include "app/render/views/RenderTargets.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel::RenderMode {

/// For `main`, before any Qt application object exists: when the raw command line asks for a
/// render, silences the process's standard output and error (Qt's and the font system's own
/// messages included), makes an offscreen application with arguments of its own (no argument
/// of the user's ever reaches Qt), renders, writes and returns the exit status. Absent when no
/// render was asked for: the app starts as usual.
std::optional<int> renderIfRequested(int argc, char** argv);

/// Renders the request and writes the file; needs a Qt GUI application (offscreen will do)
/// with the fonts registered. Returns the exit status.
int run(const RenderRequest& request, const RenderTargets& targets = RenderTargets(), Instant now = Instant::now());

/// The target's picture at its scale, on a transparent image whose device pixel ratio is the
/// scale; nothing when none can be made.
std::optional<QImage> render(const std::string& target, const RenderTargets& targets = RenderTargets(),
                             Instant now = Instant::now());

/// Writes `image` as PNG to `path` through a temporary file beside it and a rename: on any
/// failure the earlier file at `path`, if any, is left as it was and no partial file remains.
bool writePng(const QImage& image, const std::string& path);

}  // namespace quorvel::RenderMode

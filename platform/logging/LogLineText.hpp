#pragma once
// What a log line may hold. A line quotes outside text (payload fields, file names, errors of
// other programs), and a line break or a terminal escape in it would start a record of its own
// that reads as ours, or rewrite what a terminal shows. So every control character is written
// as an escape: \n, \r and \t by name, the other C0 controls and DEL as \xNN, the C1 controls
// and the Unicode line and paragraph separators as \uNNNN, and a byte that is not part of
// well-formed UTF-8 as \xNN, so that the record stays one line of valid UTF-8. All else,
// backslashes included, is kept as it is.
#include <string>
#include <string_view>

namespace quorvel {

/// `message` as one line of plain UTF-8 text, escaped as above. Pure; any thread.
std::string escapedForLogLine(std::string_view message);

}  // namespace quorvel

#include "tests/support/EnginePrinters.hpp"

#include <exception>
#include <iomanip>
#include <ostream>
#include <sstream>

#include "kit/engine/DeviceControls.hpp"
#include "kit/engine/FinishedRun.hpp"
#include "kit/engine/HookEvent.hpp"
#include "kit/engine/ListMirror.hpp"
#include "kit/engine/RunningRow.hpp"
#include "kit/engine/Session.hpp"

namespace quorvel {
namespace {

// A value the JSON form refuses (a time that is not finite) still prints, with the reason.
template <typename Record>
void printEncoded(const Record& record, std::ostream* out) {
    try {
        *out << json::dump(record.encode());
    } catch (const std::exception& error) {
        *out << "(cannot be encoded: " << error.what() << ")";
    }
}

}  // namespace

void PrintTo(const Instant& instant, std::ostream* out) {
    std::ostringstream seconds;
    seconds << std::setprecision(15) << instant.referenceSeconds();
    *out << "Instant(" << seconds.str() << " s since 2001)";
}
void PrintTo(const Run& run, std::ostream* out) { printEncoded(run, out); }
void PrintTo(const Session& session, std::ostream* out) { printEncoded(session, out); }
void PrintTo(const SessionState& state, std::ostream* out) { printEncoded(state, out); }
void PrintTo(const FinishedRun& run, std::ostream* out) { printEncoded(run, out); }
void PrintTo(const HookEvent& event, std::ostream* out) { printEncoded(event, out); }
void PrintTo(const RunningRow& row, std::ostream* out) { printEncoded(row, out); }
void PrintTo(const ListMirror& mirror, std::ostream* out) { printEncoded(mirror, out); }
void PrintTo(const DeviceControls& controls, std::ostream* out) { printEncoded(controls, out); }

}  // namespace quorvel

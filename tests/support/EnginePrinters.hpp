#pragma once
// How GoogleTest prints the engine's value types when an assertion on them fails: a record as
// its JSON form, an instant as its seconds since 2001, instead of their bytes. Every test
// program gets these declarations ahead of its own code (tests/CMakeLists.txt), so a type
// prints the same way in every file of a program.
#include <iosfwd>

namespace quorvel {

class Instant;
struct Run;
struct Session;
struct SessionState;
struct FinishedRun;
struct HookEvent;
struct RunningRow;
struct ListMirror;
struct DeviceControls;

void PrintTo(const Instant& instant, std::ostream* out);
void PrintTo(const Run& run, std::ostream* out);
void PrintTo(const Session& session, std::ostream* out);
void PrintTo(const SessionState& state, std::ostream* out);
void PrintTo(const FinishedRun& run, std::ostream* out);
void PrintTo(const HookEvent& event, std::ostream* out);
void PrintTo(const RunningRow& row, std::ostream* out);
void PrintTo(const ListMirror& mirror, std::ostream* out);
void PrintTo(const DeviceControls& controls, std::ostream* out);

}  // namespace quorvel

#include <gtest/gtest.h>

#include "kit/engine/HookEvent.hpp"
#include "kit/engine/QuorvelPaths.hpp"
#include "tests/hook/HelperProcess.hpp"
#include "tests/support/GraphemeTable.hpp"

namespace quorvel {
namespace {

using testing::TempFolder;

// A prompt whose 200-character cut falls right after the row's `kept`-th cluster.
std::string promptCutAfter(const testing::GraphemeRow& row, std::size_t kept) {
    return std::string(HookEvent::shortTextLimit - kept, 'x') + row.text();
}

std::string payloadWithPrompt(const std::string& prompt) {
    json::Json payload = {{"hook_event_name", "UserPromptSubmit"}, {"session_id", "cut"}, {"prompt", prompt}};
    return json::dump(payload);
}

// The built helper's first prompt line for `payload`, read from the event it spools (no app
// runs in the throw-away home).
std::optional<std::string> helperFirstLine(const std::string& payload) {
    TempFolder home;
    const QuorvelPaths paths(home.path());
    const auto run = testing::runHelper({}, {{"HOME", home.path()}, {"PATH", "/usr/bin:/bin"},
                                             {"QUORVEL_APP_EXECUTABLE", "/bin/true"}}, payload);
    EXPECT_EQ(run.exitStatus, 0);
    const auto names = TempFolder::names(paths.spool());
    if (names.size() != 1) return std::nullopt;
    return HookEvent::decode(json::parse(TempFolder::read(paths.spool() + "/" + names[0]))).promptFirstLine;
}

TEST(PromptCut, TheHelperAndTheAppCutAPromptLineAtTheSameCharacter) {
    for (const testing::GraphemeRow& row : testing::graphemeTable()) {
        std::string kept;
        for (std::size_t count = 1; count <= row.clusters.size(); ++count) {
            SCOPED_TRACE(std::string(row.name) + ", " + std::to_string(count) + " kept");
            kept += row.clusters[count - 1];
            const std::string prompt = promptCutAfter(row, count);
            const std::string expected = std::string(HookEvent::shortTextLimit - count, 'x') + kept;

            const auto inApp = HookEvent::fromPayload(json::parse(payloadWithPrompt(prompt)), Instant::now(), {});
            ASSERT_TRUE(inApp);
            EXPECT_EQ(inApp->promptFirstLine, expected);
            EXPECT_EQ(helperFirstLine(payloadWithPrompt(prompt)), expected);
        }
    }
}

TEST(PromptCut, TheHelperAndTheAppKeepAnIndicConjunctWholeAtTheCut) {
    const std::string conjunct = "\xE0\xA4\x95\xE0\xA5\x8D\xE0\xA4\xB7";  // KA VIRAMA SSA
    const std::string kept = std::string(HookEvent::shortTextLimit - 1, 'x') + conjunct;
    const std::string payload = payloadWithPrompt(kept + "\xE0\xA4\x95 and more");
    const auto inApp = HookEvent::fromPayload(json::parse(payload), Instant::now(), {});
    ASSERT_TRUE(inApp);
    EXPECT_EQ(inApp->promptFirstLine, kept);
    EXPECT_EQ(helperFirstLine(payload), kept);
}

}  // namespace
}  // namespace quorvel

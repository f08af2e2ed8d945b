#include <gtest/gtest.h>

#include "kit/engine/Session.hpp"

namespace quorvel {
namespace {

TEST(SessionCoding, EveryFieldRoundTripsWithKeysEqualToFieldNamesAndDatesFrom2001) {
    Session session;
    session.id = "s1";
    session.number = 7;
    session.termProgram = "kitty";
    session.cwd = "/work/site";
    session.run = quorvel::Run{Instant::fromReferenceSeconds(700000000.25), "fix the build"};
    session.state = SessionState::longRun(*session.run);
    session.lastEventAt = Instant::fromReferenceSeconds(700000100.5);
    session.waitingOnBackgroundSince = Instant::fromReferenceSeconds(700000090);
    session.unrecoveredFailure = Session::ShellFailure{"make", 2, Instant::fromReferenceSeconds(700000080)};

    const json::Json encoded = session.encode();
    std::vector<std::string> keys;
    for (auto member = encoded.begin(); member != encoded.end(); ++member) keys.push_back(member.key());
    EXPECT_EQ(keys, (std::vector<std::string>{"id", "number", "termProgram", "cwd", "state", "run", "lastEventAt",
                                              "waitingOnBackgroundSince", "unrecoveredFailure"}));
    EXPECT_EQ(encoded.at("lastEventAt").get<double>(), 700000100.5);
    EXPECT_EQ(encoded.at("unrecoveredFailure").at("at").get<double>(), 700000080);
    EXPECT_EQ(Session::decode(json::parse(json::dump(encoded))), session);

    // The smallest session: absent values are left out and read back absent.
    Session bare;
    bare.id = "s2";
    bare.number = 1;
    std::vector<std::string> bareKeys;
    const json::Json bareEncoded = bare.encode();
    for (auto member = bareEncoded.begin(); member != bareEncoded.end(); ++member) bareKeys.push_back(member.key());
    EXPECT_EQ(bareKeys, (std::vector<std::string>{"id", "number", "state", "lastEventAt"}));
    EXPECT_EQ(Session::decode(bare.encode()), bare);
    EXPECT_THROW(Session::decode(json::parse(R"({"id":"s2","number":1,"state":{"idle":{}}})")), json::JsonDecodeError);
    EXPECT_THROW(Session::decode(json::parse(R"({"id":"s2","number":"1","state":{"idle":{}},"lastEventAt":0})")),
                 json::JsonDecodeError);
}

}  // namespace
}  // namespace quorvel

// Every field a saved record declares, changed alone, is written under its key and read back;
// a required one missing fails the read, an absent optional one is left out. The cases come
// from the declarations, so a field added there is tested with no edit here.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

#include "kit/engine/FinishedRun.hpp"
#include "kit/engine/Run.hpp"
#include "kit/engine/Session.hpp"

namespace quorvel {
namespace {

// A value unlike each type's default, for a field changed alone. A field of a new type needs
// its sample here.
template <typename Value>
Value sample() {
    if constexpr (std::is_same_v<Value, std::string>) {
        return "a sample with \"quotes\" and ü";
    } else if constexpr (std::is_same_v<Value, std::int64_t>) {
        return -42;
    } else if constexpr (std::is_same_v<Value, double>) {
        return 12.75;
    } else if constexpr (std::is_same_v<Value, Instant>) {
        return Instant::fromReferenceSeconds(700000100.5);
    } else if constexpr (std::is_same_v<Value, FinishedRun::Chip>) {
        return FinishedRun::Chip::shell;
    } else if constexpr (std::is_same_v<Value, Run>) {
        return Run{Instant::fromReferenceSeconds(700000000.25), "fix the build"};
    } else if constexpr (std::is_same_v<Value, SessionState>) {
        return SessionState::broke("make", 2);
    } else if constexpr (std::is_same_v<Value, Session::ShellFailure>) {
        return Session::ShellFailure{"make", 2, Instant::fromReferenceSeconds(700000080)};
    } else {
        static_assert(std::is_same_v<Value, void>, "give the new field's type a sample");
    }
}

template <typename Value>
struct IsOptional : std::false_type {};
template <typename Value>
struct IsOptional<std::optional<Value>> : std::true_type {};

template <typename Record, typename Value>
void expectRoundTrip(const Record& base, const RecordField<Record, Value>& field) {
    SCOPED_TRACE(std::string(field.key));
    Record changed = base;
    if constexpr (std::is_same_v<Value, bool>) {
        changed.*field.member = !(base.*field.member);
    } else if constexpr (IsOptional<Value>::value) {
        ASSERT_FALSE(base.*field.member) << "an optional field is absent in the record to change";
        changed.*field.member = sample<typename Value::value_type>();
    } else {
        changed.*field.member = sample<Value>();
    }
    ASSERT_NE(changed, base);

    const json::Json form = changed.encode();
    ASSERT_TRUE(form.contains(std::string(field.key)));
    EXPECT_EQ(Record::decode(json::parse(json::dump(form))), changed);

    // Without its key: a required field fails the read, an optional one reads as absent.
    json::Json withoutKey = form;
    withoutKey.erase(std::string(field.key));
    if constexpr (IsOptional<Value>::value) {
        EXPECT_EQ(Record::decode(withoutKey), base);
    } else {
        EXPECT_THROW(Record::decode(withoutKey), json::JsonDecodeError);
    }
}

// `base` has every optional field absent.
template <typename Record, typename... Values>
void expectEveryFieldRoundTrips(const Record& base, const std::tuple<RecordField<Record, Values>...>& fields) {
    const json::Json baseForm = base.encode();
    EXPECT_EQ(Record::decode(baseForm), base);
    // The required keys in their declared order, the absent optionals left out.
    std::vector<std::string> written;
    for (auto member = baseForm.begin(); member != baseForm.end(); ++member) written.push_back(member.key());
    std::vector<std::string> required;
    std::apply(
        [&](const auto&... field) {
            ((IsOptional<std::remove_cvref_t<decltype(base.*field.member)>>::value
                  ? void()
                  : required.push_back(std::string(field.key))),
             ...);
            (expectRoundTrip(base, field), ...);
        },
        fields);
    EXPECT_EQ(written, required);
}

TEST(RecordFields, EverySavedFieldIsWrittenUnderItsKeyAndReadBack) {
    {
        SCOPED_TRACE("FinishedRun");
        FinishedRun base;
        base.sessionID = "s1";
        expectEveryFieldRoundTrips(base, finishedRunFields);
    }
    {
        SCOPED_TRACE("Session");
        Session base;
        base.id = "s1";
        base.number = 3;
        expectEveryFieldRoundTrips(base, sessionFields);
    }
    {
        SCOPED_TRACE("Session::ShellFailure");
        expectEveryFieldRoundTrips(Session::ShellFailure{"ls", std::nullopt, Instant()}, shellFailureFields);
    }
    {
        SCOPED_TRACE("Run");
        expectEveryFieldRoundTrips(quorvel::Run{}, runFields);
    }
}

}  // namespace
}  // namespace quorvel

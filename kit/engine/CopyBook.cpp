#include "kit/engine/CopyBook.hpp"

#include "kit/engine/Durations.hpp"

namespace quorvel::CopyBook {
namespace {

std::string elapsedSince(const Run& run, Instant now) { return Durations::shortText(now.secondsSince(run.startedAt)); }

std::optional<std::string> exitText(const std::optional<std::int64_t>& exitCode) {
    if (!exitCode) return std::nullopt;
    return "exit " + std::to_string(*exitCode);
}

std::optional<std::string> durationText(const std::optional<double>& duration) {
    if (!duration) return std::nullopt;
    return Durations::shortText(*duration);
}

}  // namespace

Headline headline(const SessionState& state) {
    switch (state.kind()) {
        case SessionState::Kind::idle: return {"ALL QUIET.", "NO BABYSITTING."};
        case SessionState::Kind::running: return {"GRINDING.", "GO MAKE A TEA."};
        case SessionState::Kind::longRun: return {"STILL", "GRINDING."};
        case SessionState::Kind::done: return {"DONE.", "GO LOOK."};
        case SessionState::Kind::needsYou: return {"OI.", "NEEDS YOU."};
        case SessionState::Kind::broke: return {"IT BROKE.", "GO FIX."};
        case SessionState::Kind::crashed: return {"CRASHED.", "NOT YOUR FAULT."};
    }
    return {"ALL QUIET.", "NO BABYSITTING."};
}

std::string stateChip(const SessionState& state) {
    switch (state.kind()) {
        case SessionState::Kind::idle: return "";
        case SessionState::Kind::running:
        case SessionState::Kind::longRun: return "GRINDING";
        case SessionState::Kind::done: return "DONE";
        case SessionState::Kind::needsYou: return "NEEDS YOU";
        case SessionState::Kind::broke: return "IT BROKE";
        case SessionState::Kind::crashed: return "CRASHED";
    }
    return "";
}

std::optional<std::string> detail(const SessionState& state, Instant now,
                                  const std::optional<std::string>& project) {
    if (const auto* running = state.as<SessionState::Running>()) {
        return joined({project, running->run.title, elapsedSince(running->run, now)});
    }
    if (const auto* longRun = state.as<SessionState::LongRun>()) {
        return joined({project, elapsedSince(longRun->run, now) + " and counting"});
    }
    if (const auto* done = state.as<SessionState::Done>()) {
        return joined({project, done->title, durationText(done->duration), done->note});
    }
    if (const auto* needsYou = state.as<SessionState::NeedsYou>()) {
        return joined({project, needsYou->message});
    }
    if (const auto* broke = state.as<SessionState::Broke>()) {
        return joined({project, broke->command, exitText(broke->exitCode)});
    }
    if (const auto* crashed = state.as<SessionState::Crashed>()) {
        return joined({project, crashed->reason});
    }
    return std::nullopt;
}

RowText rowText(const SessionState& state, Instant now) {
    if (const auto* running = state.as<SessionState::Running>()) {
        return {running->run.title, elapsedSince(running->run, now)};
    }
    if (const auto* longRun = state.as<SessionState::LongRun>()) {
        return {longRun->run.title, elapsedSince(longRun->run, now) + " and counting"};
    }
    if (const auto* done = state.as<SessionState::Done>()) {
        return {done->title.value_or(""), joined({durationText(done->duration), done->note})};
    }
    if (const auto* needsYou = state.as<SessionState::NeedsYou>()) return {needsYou->message, std::nullopt};
    if (const auto* broke = state.as<SessionState::Broke>()) return {broke->command, exitText(broke->exitCode)};
    if (const auto* crashed = state.as<SessionState::Crashed>()) return {crashed->reason, std::nullopt};
    return {"", std::nullopt};
}

std::string crashReason(const std::optional<std::string>& errorType) {
    if (!errorType) return std::string(crashFallback);
    const std::string& type = *errorType;
    if (type == "rate_limit") return "Rate limited";
    if (type == "overloaded") return "Claude is overloaded";
    if (type == "authentication_failed" || type == "oauth_org_not_allowed") return "Logged out";
    if (type == "billing_error" || type == "account_on_hold") return "Account problem";
    if (type == "server_error") return "Server error";
    if (type == "max_output_tokens") return "Reply too long";
    return std::string(crashFallback);
}

std::string watching(std::int64_t count) {
    return "watching " + std::to_string(count) + " terminal" + (count == 1 ? "" : "s");
}

std::string moreSessions(std::size_t count) { return "AND " + std::to_string(count) + " MORE."; }

std::string joined(const std::vector<std::optional<std::string>>& parts) {
    std::string result;
    for (const auto& part : parts) {
        if (!part || part->empty()) continue;
        if (!result.empty()) result += separator;
        result += *part;
    }
    return result;
}

}  // namespace quorvel::CopyBook

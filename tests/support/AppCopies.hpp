#pragma once
// The copies of the app that run for one home, found in /proc by their executable and the HOME
// in their environment, and a sampler of how many there are at once: how a test sees that
// helpers and launches never leave more than one behind. Free of any test framework.
#include <signal.h>
#include <sys/types.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/support/FileText.hpp"

namespace quorvel::testing {

class AppCopies {
public:
    /// `program` as it is started (it must exist: it is resolved here, once, to the path /proc
    /// names), `home` as the copies have it in HOME.
    AppCopies(const std::string& program, std::string home)
        : program_(std::filesystem::canonical(program).string()), homeEntry_("HOME=" + std::move(home)) {}

    /// The processes running the app for this home now. A zombie has no environment left, so
    /// it is not among them: it runs nothing. Safe to call from any thread.
    std::vector<pid_t> running() const {
        namespace fs = std::filesystem;
        std::vector<pid_t> found;
        std::error_code error;
        for (fs::directory_iterator entry("/proc", error), end; !error && entry != end; entry.increment(error)) {
            const std::string name = entry->path().filename();
            if (name.empty() || !std::all_of(name.begin(), name.end(), ::isdigit)) continue;
            std::error_code linkError;
            if (fs::read_symlink(entry->path() / "exe", linkError).string() != program_) continue;
            if (hasEntry(fileText(entry->path() / "environ"))) found.push_back(static_cast<pid_t>(std::stoi(name)));
        }
        return found;
    }

    /// Kills every copy running now, a stopped one too; doesn't wait for them to go.
    void killAll() const {
        for (const pid_t pid : running()) ::kill(pid, SIGCONT), ::kill(pid, SIGKILL);
    }

private:
    // `environment` as /proc has it: entries each ended by a NUL.
    bool hasEntry(const std::string& environment) const {
        for (std::size_t at = 0; at < environment.size();) {
            const std::size_t next = environment.find('\0', at);
            const std::size_t end = next == std::string::npos ? environment.size() : next;
            if (environment.compare(at, end - at, homeEntry_) == 0) return true;
            if (next == std::string::npos) break;
            at = next + 1;
        }
        return false;
    }

    std::string program_;
    std::string homeEntry_;
};

/// Samples a count (of copies, say) every 5 ms on a thread of its own from construction until
/// `finish`; `count` is called on that thread. The highest count seen is `finish`'s answer.
class CopyCounter {
public:
    explicit CopyCounter(std::function<std::size_t()> count)
        : count_(std::move(count)), thread_([this] {
              while (!stop_) {
                  most_ = std::max(most_.load(), count_());
                  std::this_thread::sleep_for(std::chrono::milliseconds(5));
              }
          }) {}
    ~CopyCounter() { finish(); }
    CopyCounter(const CopyCounter&) = delete;
    CopyCounter& operator=(const CopyCounter&) = delete;

    /// Stops the sampling (once; later calls only answer) and says the highest count seen.
    std::size_t finish() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        return most_;
    }

private:
    std::function<std::size_t()> count_;
    std::atomic<bool> stop_ = false;
    std::atomic<std::size_t> most_ = 0;
    std::thread thread_;
};

}  // namespace quorvel::testing

// Measures the running app: its resident memory and CPU use while idle (no sessions, then
// three running sessions) and the time from a POST being accepted to its finished run being
// saved. Starts the app binary with a throw-away home; needs a display and a session bus
// (bench/app-model.sh provides both). Prints one table.
//
//   app_model_bench <quorvel> [idle seconds] [saves]
#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "kit/engine/Endpoint.hpp"
#include "kit/engine/HookEvent.hpp"
#include "platform/Files.hpp"
#include "platform/JsonCoding.hpp"

extern char** environ;

using namespace quorvel;
using SteadyClock = std::chrono::steady_clock;

namespace {

double millisecondsSince(SteadyClock::time_point start) {
    return std::chrono::duration<double, std::milli>(SteadyClock::now() - start).count();
}

std::string post(std::uint16_t port, const std::string& token, const std::string& body) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string answer;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
        const std::string request = "POST /v1/events HTTP/1.1\r\nHost: 127.0.0.1\r\nAuthorization: Bearer " + token +
                                    "\r\nContent-Length: " + std::to_string(body.size()) +
                                    "\r\nConnection: close\r\n\r\n" + body;
        ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
        char buffer[1024];
        for (ssize_t count; (count = ::recv(fd, buffer, sizeof buffer, 0)) > 0;) answer.append(buffer, count);
    }
    ::close(fd);
    return answer;
}

std::string event(const std::string& name, const std::string& session, std::optional<std::string> prompt = {}) {
    HookEvent made = HookEvent::make(name, session, static_cast<double>(std::time(nullptr)));
    made.cwd = "/work/project-" + session;
    made.promptFirstLine = std::move(prompt);
    return json::dump(made.encode());
}

class App {
public:
    App(std::string program, std::string home) : program_(std::move(program)), home_(std::move(home)) {
        std::map<std::string, std::string> environment;
        for (char** entry = environ; *entry != nullptr; ++entry) {
            const std::string text = *entry;
            const std::size_t equals = text.find('=');
            if (equals != std::string::npos) environment[text.substr(0, equals)] = text.substr(equals + 1);
        }
        environment["HOME"] = home_;
        environment["XDG_CONFIG_HOME"] = home_ + "/.config";
        environment["XDG_DATA_HOME"] = home_ + "/.local/share";
        environment["XDG_CACHE_HOME"] = home_ + "/.cache";
        environment["QUORVEL_LOG_STDERR"] = "0";
        std::vector<std::string> entries;
        for (const auto& [name, value] : environment) entries.push_back(name + "=" + value);
        std::vector<char*> envp;
        for (std::string& entry : entries) envp.push_back(entry.data());
        envp.push_back(nullptr);
        char* argv[] = {program_.data(), nullptr};
        if (::posix_spawn(&pid_, program_.c_str(), nullptr, nullptr, argv, envp.data()) != 0) {
            std::fprintf(stderr, "couldn't start %s\n", program_.c_str());
            std::exit(1);
        }
        const auto started = SteadyClock::now();
        while (millisecondsSince(started) < 15000) {
            if (auto read = Endpoint::read(appSupport() + "/endpoint.json");
                read && post(read->port, read->token, event("SessionStart", "probe")).rfind("HTTP/1.1 202", 0) == 0) {
                endpoint_ = *read;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        std::fprintf(stderr, "the app didn't start listening\n");
        std::exit(1);
    }
    ~App() {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }

    std::string appSupport() const { return home_ + "/Library/Application Support/Quorvel"; }
    const Endpoint& endpoint() const { return endpoint_; }

    /// Resident memory in kilobytes.
    long residentKilobytes() const {
        std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
        for (std::string line; std::getline(status, line);) {
            if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
        }
        return 0;
    }

    /// User plus system CPU time so far, in seconds.
    double cpuSeconds() const {
        std::ifstream stat("/proc/" + std::to_string(pid_) + "/stat");
        std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        // Fields after the command name in parentheses; utime and stime are the 14th and 15th.
        std::istringstream fields(text.substr(text.rfind(')') + 2));
        std::string field;
        unsigned long long utime = 0, stime = 0;
        for (int index = 3; fields >> field; ++index) {
            if (index == 14) utime = std::stoull(field);
            if (index == 15) {
                stime = std::stoull(field);
                break;
            }
        }
        return static_cast<double>(utime + stime) / static_cast<double>(::sysconf(_SC_CLK_TCK));
    }

private:
    std::string program_;
    std::string home_;
    pid_t pid_ = -1;
    Endpoint endpoint_;
};

struct Idle {
    long residentKilobytes;
    double cpuPercent;
};

Idle measureIdle(const App& app, int seconds) {
    const double cpuBefore = app.cpuSeconds();
    const auto start = SteadyClock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double elapsed = millisecondsSince(start) / 1000.0;
    return {app.residentKilobytes(), 100.0 * (app.cpuSeconds() - cpuBefore) / elapsed};
}

std::size_t finishedCount(const std::string& path) {
    const auto text = files::readFile(path);
    if (!text) return 0;
    try {
        return json::parse(*text).size();
    } catch (const std::exception&) {
        return 0;
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: app_model_bench <quorvel> [idle seconds] [saves]\n");
        return 2;
    }
    const std::string program = argv[1];
    const int idleSeconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 60;
    const int saves = argc > 3 ? std::max(1, std::atoi(argv[3])) : 50;

    char pattern[] = "/tmp/quorvel-bench-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) return 1;
    const std::string home = pattern;

    Idle quiet{}, busy{};
    std::vector<double> saveMilliseconds;
    {
        App app(program, home);
        quiet = measureIdle(app, idleSeconds);

        for (const char* session : {"a", "b", "c"}) {
            post(app.endpoint().port, app.endpoint().token, event("UserPromptSubmit", session, "keep going"));
        }
        busy = measureIdle(app, idleSeconds);

        const std::string finished = app.appSupport() + "/finished.json";
        for (int round = 0; round < saves; ++round) {
            const std::string session = "save-" + std::to_string(round);
            post(app.endpoint().port, app.endpoint().token, event("UserPromptSubmit", session, "a run"));
            const std::size_t before = finishedCount(finished);
            const std::string answer = post(app.endpoint().port, app.endpoint().token, event("Stop", session));
            const auto accepted = SteadyClock::now();
            if (answer.rfind("HTTP/1.1 202", 0) != 0) {
                std::fprintf(stderr, "a POST was refused\n");
                return 1;
            }
            // The list stops growing at 50 runs; from then on the file changes in place.
            while (finishedCount(finished) == before && before < 50 && millisecondsSince(accepted) < 5000) {
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
            saveMilliseconds.push_back(millisecondsSince(accepted));
            if (before >= 50) break;
        }
    }
    std::filesystem::remove_all(home);

    std::sort(saveMilliseconds.begin(), saveMilliseconds.end());
    const auto percentile = [&](double p) {
        return saveMilliseconds[static_cast<std::size_t>(p * static_cast<double>(saveMilliseconds.size() - 1))];
    };
    std::printf("| measure | value |\n|---|---|\n");
    std::printf("| idle %d s, no sessions: resident memory | %.1f MiB |\n", idleSeconds, quiet.residentKilobytes / 1024.0);
    std::printf("| idle %d s, no sessions: CPU | %.2f %% |\n", idleSeconds, quiet.cpuPercent);
    std::printf("| idle %d s, three running sessions: resident memory | %.1f MiB |\n", idleSeconds,
                busy.residentKilobytes / 1024.0);
    std::printf("| idle %d s, three running sessions: CPU | %.2f %% |\n", idleSeconds, busy.cpuPercent);
    std::printf("| POST accepted to finished run saved, median of %zu | %.2f ms |\n", saveMilliseconds.size(),
                percentile(0.5));
    std::printf("| POST accepted to finished run saved, 95th percentile | %.2f ms |\n", percentile(0.95));
    return 0;
}

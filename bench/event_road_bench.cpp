// Measures the event road on loopback: the helper's wall time per event (against curl posting
// the same body), the helper's time when the app is down (spool path), the server's accepted
// requests per second with concurrent clients, and whether a steady 1,000 requests per
// second loses anything. Prints one table.
//
//   event_road_bench <quorvel-hook> [runs]
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "app/intake/EventServer.hpp"
#include "hook/LoopbackPost.hpp"
#include "kit/engine/Endpoint.hpp"
#include "kit/engine/QuorvelPaths.hpp"
#include "tests/support/ProgramLaunch.hpp"

using namespace quorvel;
using SteadyClock = std::chrono::steady_clock;

namespace {

const std::string payload =
    R"({"session_id":"bench-session","hook_event_name":"Stop","cwd":"/home/user/project",)"
    R"("last_assistant_message":"All tests pass.","background_tasks":[]})";

/// Milliseconds from spawning `argv` (stdin from `inputPath`) to its exit.
double timeProcess(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
                   const std::string& inputPath) {
    std::map<std::string, std::string> variables;
    for (const std::string& entry : environment) {
        const std::size_t equals = entry.find('=');
        if (equals != std::string::npos) variables[entry.substr(0, equals)] = entry.substr(equals + 1);
    }
    const quorvel::testing::ProgramEnd end = quorvel::testing::ProgramLaunch(arguments.at(0))
                                                 .searchPath()
                                                 .arguments({arguments.begin() + 1, arguments.end()})
                                                 .onlyEnvironment(variables)
                                                 .inputFromFile(inputPath)
                                                 .discardOutput()
                                                 .run();
    if (!end.started) {
        std::fprintf(stderr, "couldn't start %s\n", arguments.at(0).c_str());
        std::exit(1);
    }
    return end.seconds * 1000.0;
}

struct Stats {
    double median = 0, p99 = 0;
};

Stats stats(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    auto at = [&](double q) { return samples[std::min(samples.size() - 1, static_cast<std::size_t>(q * samples.size()))]; };
    return {at(0.5), at(0.99)};
}

Stats timeRuns(int runs, const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
               const std::string& inputPath) {
    for (int i = 0; i < 5; ++i) timeProcess(arguments, environment, inputPath);  // warm the caches
    std::vector<double> samples;
    for (int i = 0; i < runs; ++i) samples.push_back(timeProcess(arguments, environment, inputPath));
    return stats(samples);
}

/// One request on a fresh connection, as the helper makes it; true when answered 202.
bool postOnce(std::uint16_t port, const std::string& request) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool accepted = false;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size())) {
        char reply[64];
        std::size_t got = 0;
        while (got < 12) {
            ssize_t count = ::recv(fd, reply + got, sizeof reply - got, 0);
            if (count <= 0) break;
            got += static_cast<std::size_t>(count);
        }
        accepted = got >= 12 && std::string_view(reply, 12) == "HTTP/1.1 202";
    }
    ::close(fd);
    return accepted;
}

/// The request the helper sends for a stop.
std::string stopRequest(const std::string& token) {
    return eventRequest(json::dump(HookEvent::make("Stop", "bench-session", 1796714910.5).encode()), token);
}

struct LoadResult {
    long sent = 0, accepted = 0, delivered = 0;
    double seconds = 0;
};

/// `clients` threads post for `seconds`; with `rate` > 0 they are paced to that many requests
/// per second in all, otherwise as fast as they can.
LoadResult load(int clients, double seconds, double rate) {
    std::atomic<long> delivered{0};
    std::string token = Endpoint::makeToken().value();
    auto server = EventServer::start(std::nullopt, token, [&](HookEvent) { ++delivered; });
    if (!server) {
        std::fprintf(stderr, "server: %s\n", server.error().description.c_str());
        std::exit(1);
    }
    const std::uint16_t port = server.value()->port();
    const std::string request = stopRequest(token);
    std::atomic<long> sent{0}, accepted{0};
    auto start = SteadyClock::now();
    auto end = start + std::chrono::duration_cast<SteadyClock::duration>(std::chrono::duration<double>(seconds));
    std::vector<std::thread> threads;
    for (int c = 0; c < clients; ++c) {
        threads.emplace_back([&, c] {
            long n = 0;
            while (SteadyClock::now() < end) {
                if (rate > 0) {
                    // Client c sends its n-th request at (n * clients + c) / rate seconds.
                    auto due = start + std::chrono::duration_cast<SteadyClock::duration>(
                                           std::chrono::duration<double>((n * clients + c) / rate));
                    if (due >= end) break;
                    std::this_thread::sleep_until(due);
                }
                ++sent;
                if (postOnce(port, request)) ++accepted;
                ++n;
            }
        });
    }
    for (auto& thread : threads) thread.join();
    LoadResult result;
    result.seconds = std::chrono::duration<double>(SteadyClock::now() - start).count();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    result.sent = sent;
    result.accepted = accepted;
    result.delivered = delivered;
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <quorvel-hook> [runs]\n", argv[0]);
        return 2;
    }
    const std::string helper = argv[1];
    const int runs = argc > 2 ? std::atoi(argv[2]) : 200;

    char pattern[] = "/tmp/quorvel-bench-XXXXXX";
    const std::string home = ::mkdtemp(pattern);
    const std::string inputPath = home + "/payload.json";
    std::ofstream(inputPath) << payload;
    const std::vector<std::string> environment = {"HOME=" + home, "PATH=/usr/bin:/bin",
                                                  "QUORVEL_APP_EXECUTABLE=/bin/true"};

    std::atomic<long> delivered{0};
    std::string token = Endpoint::makeToken().value();
    auto server = EventServer::start(std::nullopt, token, [&](HookEvent) { ++delivered; });
    if (!server) return 1;
    const Endpoint endpoint{server.value()->port(), token};
    QuorvelPaths paths(home);
    if (!endpoint.write(paths.endpoint())) return 1;

    Stats helperUp = timeRuns(runs, {helper}, environment, inputPath);
    long helperDelivered = delivered.load();
    const std::string url = "http://127.0.0.1:" + std::to_string(endpoint.port) + "/v1/events";
    Stats curl = timeRuns(runs, {"curl", "-s", "-o", "/dev/null", "-X", "POST", "-H", "Authorization: Bearer " + token,
                                 "-H", "Content-Type: application/json", "--data-binary", "@" + inputPath, url},
                          environment, inputPath);
    server.value().reset();
    std::filesystem::remove(paths.endpoint());
    Stats helperDown = timeRuns(runs, {helper}, environment, inputPath);
    std::size_t spooled = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(paths.spool())) ++spooled;

    LoadResult throughput = load(8, 3.0, 0);
    LoadResult paced = load(8, 5.0, 1000);

    std::printf("| measurement | result |\n|---|---|\n");
    std::printf("| helper, app running: wall time per event, median / p99 (%d runs) | %.2f ms / %.2f ms |\n", runs,
                helperUp.median, helperUp.p99);
    std::printf("| curl posting the same body: median / p99 (%d runs) | %.2f ms / %.2f ms |\n", runs, curl.median,
                curl.p99);
    std::printf("| helper median / curl median | %.2f |\n", helperUp.median / curl.median);
    std::printf("| helper, app down (spool and app start): median / p99 | %.2f ms / %.2f ms |\n", helperDown.median,
                helperDown.p99);
    std::printf("| events delivered by the helper / spooled | %ld of %d / %zu of %d |\n", helperDelivered, runs + 5,
                spooled, runs + 5);
    std::printf("| server, 8 concurrent clients, fresh connection per request | %.0f accepted requests/s |\n",
                throughput.accepted / throughput.seconds);
    std::printf("| server at a steady 1,000 requests/s for 5 s: sent / accepted / delivered | %ld / %ld / %ld |\n",
                paced.sent, paced.accepted, paced.delivered);
    std::filesystem::remove_all(home);
    return 0;
}

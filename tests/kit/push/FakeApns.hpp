#pragma once
// Test support: keys and certificates made with the openssl tool, a manual clock, and the
// fake push service and relay (fake_apns.js under Node) driven over pipes.
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/json/JsonCoding.hpp"
#include "platform/text/Base64.hpp"
#include "platform/time/Instant.hpp"
#include "tests/support/LogCapture.hpp"
#include "tests/support/ProgramLaunch.hpp"
#include "tests/support/TemporaryFolder.hpp"

extern char** environ;

namespace quorvel::testing {

inline std::string readWholeFile(const std::string& path) {
    std::ifstream input(path, std::ios::binary);
    std::stringstream contents;
    contents << input.rdbuf();
    return contents.str();
}

/// Runs `arguments` (no shell), with standard output and error discarded; true on status 0.
inline bool runQuietly(const std::vector<std::string>& arguments) {
    return ProgramLaunch(arguments.at(0))
        .searchPath()
        .arguments({arguments.begin() + 1, arguments.end()})
        .inputFromNothing()
        .discardOutput()
        .run()
        .succeeded();
}

/// A new unencrypted PKCS #8 private key on `curve` ("P-256", "P-384"), as a .p8 file holds it.
inline std::string makePrivateKeyPem(const TemporaryFolder& folder, const std::string& name,
                                     const std::string& curve = "P-256") {
    const std::string path = folder / name;
    if (!runQuietly({"openssl", "genpkey", "-algorithm", "EC", "-pkeyopt", "ec_paramgen_curve:" + curve, "-out", path})) {
        throw std::runtime_error("openssl genpkey failed");
    }
    return readWholeFile(path);
}

/// The public half of the key in `privateKeyFile`, as the openssl tool writes it.
inline std::string publicKeyPemOf(const TemporaryFolder& folder, const std::string& privateKeyFile) {
    const std::string path = folder / (privateKeyFile + ".pub");
    if (!runQuietly({"openssl", "pkey", "-in", folder / privateKeyFile, "-pubout", "-out", path})) {
        throw std::runtime_error("openssl pkey failed");
    }
    return readWholeFile(path);
}

class ManualClock final : public Clock {
public:
    explicit ManualClock(Instant start) : now_(start) {}
    Instant now() const override {
        std::lock_guard lock(mutex_);
        return now_;
    }
    void set(Instant instant) {
        std::lock_guard lock(mutex_);
        now_ = instant;
    }
    void advance(double seconds) {
        std::lock_guard lock(mutex_);
        now_ = now_.adding(seconds);
    }

private:
    mutable std::mutex mutex_;
    Instant now_;
};

/// One request as the fake saw it.
struct RecordedRequest {
    std::string server;
    std::string httpVersion;
    std::string method;
    std::string path;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    /// When the fake had the whole request, in milliseconds since 1970.
    double receivedAt = 0;

    /// Header names in the order received, without the ones HTTP framing adds.
    std::vector<std::string> headerNames() const {
        std::vector<std::string> names;
        for (const auto& [name, value] : headers) {
            if (name != "content-length" && name != "host") names.push_back(name);
        }
        return names;
    }
    std::string header(const std::string& name) const {
        for (const auto& [key, value] : headers) {
            if (key == name) return value;
        }
        return "<absent>";
    }
    bool hasHeader(const std::string& name) const { return header(name) != "<absent>"; }
};

class FakeApns {
public:
    FakeApns() {
        const std::string cert = folder_ / "cert.pem";
        const std::string key = folder_ / "key.pem";
        if (!runQuietly({"openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-nodes",
                         "-keyout", key, "-out", cert, "-days", "1", "-subj", "/CN=localhost", "-addext",
                         "subjectAltName=DNS:localhost,IP:127.0.0.1"})) {
            throw std::runtime_error("openssl req failed");
        }
        caFile_ = cert;
        start({"node", std::string(QUORVEL_SOURCE_DIR) + "/tests/kit/push/fake_apns.js", cert, key});
        const json::Json ports = json::parse(readLine());
        for (const char* name : {"production", "broadcast", "channel", "relay"}) {
            ports_[name] = ports.at(name).get<int>();
        }
    }

    ~FakeApns() {
        if (toFake_ != nullptr) fclose(toFake_);
        if (fromFake_ != nullptr) fclose(fromFake_);
        // Its input closed, the fake ends by itself; one that doesn't within two seconds is
        // killed.
        if (fake_.started() && !fake_.waitForEnd(std::chrono::seconds(2))) fake_.kill();
    }

    FakeApns(const FakeApns&) = delete;
    FakeApns& operator=(const FakeApns&) = delete;

    const std::string& caFile() const { return caFile_; }
    std::string host(const std::string& server) const { return "localhost:" + std::to_string(ports_.at(server)); }
    std::string relayUrl(const std::string& path = "/push") const { return "https://" + host("relay") + path; }

    /// Queues answers for `server`: each {"status", "headers", "body"} or {"reset": true}.
    void script(const std::string& server, const json::Json& answers) {
        json::Json command = json::Json::object();
        command["cmd"] = "script";
        command["server"] = server;
        command["answers"] = answers;
        call(command);
    }

    /// One answer with `status`, optional JSON body text and headers.
    static json::Json answer(int status, const std::string& body = "", json::Json headers = json::Json::object()) {
        json::Json made = json::Json::object();
        made["status"] = status;
        made["headers"] = std::move(headers);
        made["body"] = body;
        return made;
    }

    std::vector<RecordedRequest> requests() {
        json::Json command = json::Json::object();
        command["cmd"] = "requests";
        const json::Json reply = call(command);
        std::vector<RecordedRequest> result;
        for (const auto& entry : reply.at("requests")) {
            RecordedRequest request;
            request.server = entry.at("server").get<std::string>();
            request.httpVersion = entry.at("httpVersion").get<std::string>();
            request.method = entry.at("method").get<std::string>();
            request.path = entry.at("path").get<std::string>();
            for (const auto& pair : entry.at("headers")) {
                request.headers.emplace_back(pair.at(0).get<std::string>(), pair.at(1).get<std::string>());
            }
            request.body = base64::decode(entry.at("body").get<std::string>()).value_or("<bad base64>");
            request.receivedAt = entry.at("receivedAt").get<double>();
            result.push_back(std::move(request));
        }
        return result;
    }

    void reset() {
        json::Json command = json::Json::object();
        command["cmd"] = "reset";
        call(command);
    }

private:
    void start(const std::vector<std::string>& arguments) {
        fake_ = ProgramLaunch(arguments.at(0))
                    .searchPath()
                    .arguments({arguments.begin() + 1, arguments.end()})
                    .inputFromPipe()
                    .outputToPipe()
                    .start();
        if (!fake_.started()) throw std::runtime_error("could not start node");
        toFake_ = fdopen(fake_.takeInput(), "w");
        fromFake_ = fdopen(fake_.takeOutput(), "r");
    }

    std::string readLine() {
        char* line = nullptr;
        std::size_t capacity = 0;
        const ssize_t length = getline(&line, &capacity, fromFake_);
        std::string text = length > 0 ? std::string(line, static_cast<std::size_t>(length)) : std::string();
        free(line);
        if (text.empty()) throw std::runtime_error("the fake push service said nothing");
        return text;
    }

    json::Json call(const json::Json& command) {
        const std::string line = json::dump(command) + "\n";
        fwrite(line.data(), 1, line.size(), toFake_);
        fflush(toFake_);
        return json::parse(readLine());
    }

    TemporaryFolder folder_;
    std::string caFile_;
    std::map<std::string, int> ports_;
    RunningProgram fake_;
    FILE* toFake_ = nullptr;
    FILE* fromFake_ = nullptr;
};

}  // namespace quorvel::testing

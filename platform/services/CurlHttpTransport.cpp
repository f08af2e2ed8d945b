#include "platform/services/CurlHttpTransport.hpp"

#include <cstdlib>
#include <deque>
#include <future>
#include <map>
#include <mutex>
#include <thread>

#include <curl/curl.h>

namespace quorvel {
namespace {

void initialiseCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

using Result = Expected<HttpResponse, HttpError>;

char lowered(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string lowercased(std::string_view text) {
    std::string result(text);
    for (char& c : result) c = lowered(c);
    return result;
}

std::string_view trimmedBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' || text.back() == '\n')) {
        text.remove_suffix(1);
    }
    return text;
}

bool hasHeader(const HttpHeaderList& headers, std::string_view name) {
    const std::string wanted = lowercased(name);
    for (const auto& header : headers) {
        if (lowercased(header.first) == wanted) return true;
    }
    return false;
}

// One request on its way: everything libcurl points into lives here until the transfer ends.
struct Transfer {
    CURL* easy = nullptr;
    curl_slist* headerLines = nullptr;
    std::string method;
    std::string requestBody;
    HttpResponse response;
    /// The answer passed `HttpTransport::answerLimitBytes`; the transfer was aborted.
    bool tooLarge = false;
    char errorBuffer[CURL_ERROR_SIZE] = {};
    std::promise<Result> promise;

    Transfer() = default;
    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;
    ~Transfer() {
        if (easy != nullptr) curl_easy_cleanup(easy);
        curl_slist_free_all(headerLines);
    }

    bool addHeaderLine(const std::string& line) {
        curl_slist* extended = curl_slist_append(headerLines, line.c_str());
        if (extended == nullptr) return false;
        headerLines = extended;
        return true;
    }
};

// Returning anything but the count handed in aborts the transfer; libcurl then closes the
// connection (HTTP/1.1) or resets the stream (HTTP/2), so nothing more of it is read.
constexpr std::size_t abortTransfer = 0;

std::size_t receiveBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto& transfer = *static_cast<Transfer*>(user);
    // libcurl always passes a size of 1 and at most its buffer's length.
    const std::size_t bytes = size * count;
    if (bytes > HttpTransport::answerLimitBytes - transfer.response.body.size()) {
        transfer.tooLarge = true;
        return abortTransfer;
    }
    transfer.response.body.append(data, bytes);
    return bytes;
}

/// True when the header `name`: `value` announces a body longer than the limit.
bool announcesTooLargeBody(std::string_view name, std::string_view value) {
    if (name != "content-length" || value.empty()) return false;
    std::size_t length = 0;
    for (const char digit : value) {
        if (digit < '0' || digit > '9') return false;
        if (length > (HttpTransport::answerLimitBytes + 1) / 10) return true;
        length = length * 10 + static_cast<std::size_t>(digit - '0');
    }
    return length > HttpTransport::answerLimitBytes;
}

std::size_t receiveHeader(char* data, std::size_t size, std::size_t count, void* user) {
    auto& transfer = *static_cast<Transfer*>(user);
    auto& response = transfer.response;
    const std::string_view line = trimmedBlanks(std::string_view(data, size * count));
    if (line.rfind("HTTP/", 0) == 0) {
        // A new head (after an interim answer such as 100): only the final one counts.
        response.headers.clear();
    } else if (const std::size_t colon = line.find(':'); colon != std::string_view::npos && colon > 0) {
        std::string name = lowercased(line.substr(0, colon));
        const std::string_view value = trimmedBlanks(line.substr(colon + 1));
        // Refused before a byte of it arrives.
        if (announcesTooLargeBody(name, value)) {
            transfer.tooLarge = true;
            return abortTransfer;
        }
        response.headers.emplace_back(std::move(name), std::string(value));
    }
    return size * count;
}

HttpError errorFor(CURLcode code, const char* detailBuffer) {
    std::string detail = (detailBuffer != nullptr && *detailBuffer != '\0') ? detailBuffer : curl_easy_strerror(code);
    using Code = HttpError::Code;
    switch (code) {
        case CURLE_UNSUPPORTED_PROTOCOL:
        case CURLE_URL_MALFORMAT:
            return HttpError::make(Code::badURL, std::move(detail));
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
            return HttpError::make(Code::cannotFindHost, std::move(detail));
        case CURLE_COULDNT_CONNECT:
            return HttpError::make(Code::cannotConnectToHost, std::move(detail));
        case CURLE_OPERATION_TIMEDOUT:
            return HttpError::make(Code::timedOut, std::move(detail));
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CERTPROBLEM:
        case CURLE_SSL_CIPHER:
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_ISSUER_ERROR:
        case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
        case CURLE_SSL_CRL_BADFILE:
        case CURLE_SSL_ENGINE_NOTFOUND:
        case CURLE_SSL_ENGINE_SETFAILED:
        case CURLE_SSL_ENGINE_INITFAILED:
        case CURLE_SSL_SHUTDOWN_FAILED:
        case CURLE_USE_SSL_FAILED:
            return HttpError::make(Code::secureConnectionFailed, std::move(detail));
        case CURLE_WEIRD_SERVER_REPLY:
        case CURLE_BAD_CONTENT_ENCODING:
            return HttpError::make(Code::badServerResponse, std::move(detail));
        case CURLE_GOT_NOTHING:
        case CURLE_SEND_ERROR:
        case CURLE_RECV_ERROR:
        case CURLE_PARTIAL_FILE:
        case CURLE_HTTP2:
        case CURLE_HTTP2_STREAM:
            return HttpError::make(Code::networkConnectionLost, std::move(detail));
        case CURLE_ABORTED_BY_CALLBACK:
            return HttpError::make(Code::cancelled, std::move(detail));
        default:
            return HttpError::make(Code::other, std::move(detail));
    }
}

}  // namespace

class CurlHttpTransport::Engine {
public:
    explicit Engine(Options options) : options_(std::move(options)) {
        initialiseCurlOnce();
        multi_ = curl_multi_init();
        if (multi_ != nullptr) {
            curl_multi_setopt(multi_, CURLMOPT_PIPELINING, CURLPIPE_MULTIPLEX);
            thread_ = std::thread([this] { run(); });
        }
    }

    ~Engine() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        if (multi_ != nullptr) {
            curl_multi_wakeup(multi_);
            if (thread_.joinable()) thread_.join();
            curl_multi_cleanup(multi_);
        }
    }

    void cancelAll() {
        {
            std::lock_guard lock(mutex_);
            cancelled_ = true;
        }
        if (multi_ != nullptr) curl_multi_wakeup(multi_);
    }

    Result perform(const HttpRequest& request) {
        if (!isValidHeaderName(request.method)) return unexpected(HttpError::make(HttpError::Code::invalidRequest));
        for (const auto& [name, value] : request.headers) {
            if (!isValidHeaderName(name) || !isValidHeaderValue(value)) {
                return unexpected(HttpError::make(HttpError::Code::invalidRequest, "header " + name));
            }
        }
        if (request.url.find('\0') != std::string::npos) return unexpected(HttpError::make(HttpError::Code::badURL));
        if (multi_ == nullptr) return unexpected(HttpError::make(HttpError::Code::other, "curl_multi_init failed"));

        auto transfer = std::make_unique<Transfer>();
        if (!configure(*transfer, request)) {
            return unexpected(HttpError::make(HttpError::Code::badURL, transfer->errorBuffer));
        }
        std::future<Result> answer = transfer->promise.get_future();
        {
            std::lock_guard lock(mutex_);
            if (stopping_ || cancelled_) return unexpected(HttpError::make(HttpError::Code::cancelled));
            incoming_.push_back(std::move(transfer));
        }
        curl_multi_wakeup(multi_);
        return answer.get();
    }

private:
    bool configure(Transfer& transfer, const HttpRequest& request) {
        transfer.easy = curl_easy_init();
        CURL* easy = transfer.easy;
        if (easy == nullptr) return false;
        transfer.method = request.method;
        curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, transfer.errorBuffer);
        curl_easy_setopt(easy, CURLOPT_PRIVATE, &transfer);
        curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "https");
        curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "https");
        curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
        curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_2TLS));
        curl_easy_setopt(easy, CURLOPT_PIPEWAIT, 1L);
        // "/a/../b" must reach the server as written, never folded into another path.
        curl_easy_setopt(easy, CURLOPT_PATH_AS_IS, 1L);
        curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, static_cast<long>(request.timeout.count()));
        if (options_.caFile) curl_easy_setopt(easy, CURLOPT_CAINFO, options_.caFile->c_str());
        if (curl_easy_setopt(easy, CURLOPT_URL, request.url.c_str()) != CURLE_OK) return false;

        if (request.method == "GET" && !request.body) {
            curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
        } else if (request.method == "HEAD" && !request.body) {
            curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
        } else {
            if (request.body) {
                transfer.requestBody = *request.body;
                curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(transfer.requestBody.size()));
                curl_easy_setopt(easy, CURLOPT_POSTFIELDS, transfer.requestBody.data());
            }
            if (request.method != "POST" || !request.body) {
                curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, transfer.method.c_str());
            }
        }

        for (const auto& [name, value] : request.headers) {
            // "name;" is libcurl's way to send a header with an empty value.
            if (!transfer.addHeaderLine(value.empty() ? name + ";" : name + ": " + value)) return false;
        }
        // libcurl would add these of its own accord; the caller's headers are all that go out.
        for (const char* own : {"Accept", "Expect", "Content-Type"}) {
            if (!hasHeader(request.headers, own) && !transfer.addHeaderLine(std::string(own) + ":")) return false;
        }
        curl_easy_setopt(easy, CURLOPT_HTTPHEADER, transfer.headerLines);
        curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, receiveHeader);
        curl_easy_setopt(easy, CURLOPT_HEADERDATA, &transfer);
        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, receiveBody);
        curl_easy_setopt(easy, CURLOPT_WRITEDATA, &transfer);
        return true;
    }

    void run() {
        std::unique_lock lock(mutex_);
        while (!stopping_) {
            if (cancelled_) dropAll();
            while (!incoming_.empty()) {
                std::unique_ptr<Transfer> transfer = std::move(incoming_.front());
                incoming_.pop_front();
                CURL* easy = transfer->easy;
                if (curl_multi_add_handle(multi_, easy) != CURLM_OK) {
                    transfer->promise.set_value(unexpected(HttpError::make(HttpError::Code::other, "curl_multi_add_handle failed")));
                    continue;
                }
                active_.emplace(easy, std::move(transfer));
            }
            lock.unlock();

            int running = 0;
            curl_multi_perform(multi_, &running);
            int remaining = 0;
            while (CURLMsg* message = curl_multi_info_read(multi_, &remaining)) {
                if (message->msg != CURLMSG_DONE) continue;
                CURL* easy = message->easy_handle;
                const CURLcode code = message->data.result;
                curl_multi_remove_handle(multi_, easy);
                auto node = active_.extract(easy);
                if (!node.empty()) finish(*node.mapped(), code);
            }
            curl_multi_poll(multi_, nullptr, 0, 1000, nullptr);
            lock.lock();
        }
        dropAll();
    }

    /// Ends every transfer waiting or under way with `cancelled`; their connections close.
    /// Called with `mutex_` held.
    void dropAll() {
        for (auto& transfer : incoming_) transfer->promise.set_value(unexpected(HttpError::make(HttpError::Code::cancelled)));
        incoming_.clear();
        for (auto& [easy, transfer] : active_) {
            curl_multi_remove_handle(multi_, easy);
            transfer->promise.set_value(unexpected(HttpError::make(HttpError::Code::cancelled)));
        }
        active_.clear();
    }

    static void finish(Transfer& transfer, CURLcode code) {
        if (transfer.tooLarge) {
            transfer.promise.set_value(unexpected(HttpError::make(HttpError::Code::tooLarge)));
            return;
        }
        if (code != CURLE_OK) {
            transfer.promise.set_value(unexpected(errorFor(code, transfer.errorBuffer)));
            return;
        }
        long status = 0;
        curl_easy_getinfo(transfer.easy, CURLINFO_RESPONSE_CODE, &status);
        if (status < 100 || status > 999) {
            transfer.promise.set_value(unexpected(HttpError::make(HttpError::Code::badServerResponse)));
            return;
        }
        transfer.response.status = static_cast<int>(status);
        transfer.promise.set_value(std::move(transfer.response));
    }

    Options options_;
    CURLM* multi_ = nullptr;
    std::mutex mutex_;
    std::deque<std::unique_ptr<Transfer>> incoming_;
    bool stopping_ = false;
    bool cancelled_ = false;
    // Touched only by the transport's thread.
    std::map<CURL*, std::unique_ptr<Transfer>> active_;
    std::thread thread_;
};

CurlHttpTransport::Options CurlHttpTransport::optionsFromEnvironment() {
    Options options;
    if (const char* caFile = std::getenv("QUORVEL_CA_FILE"); caFile != nullptr && *caFile != '\0') {
        options.caFile = caFile;
    }
    return options;
}

CurlHttpTransport::CurlHttpTransport(Options options) : engine_(std::make_unique<Engine>(std::move(options))) {}

CurlHttpTransport::~CurlHttpTransport() = default;

Expected<HttpResponse, HttpError> CurlHttpTransport::perform(const HttpRequest& request) {
    return engine_->perform(request);
}

void CurlHttpTransport::cancelAll() { engine_->cancelAll(); }

}  // namespace quorvel

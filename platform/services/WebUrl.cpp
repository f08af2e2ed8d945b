#include "platform/services/WebUrl.hpp"

#include <memory>

#include <curl/curl.h>

namespace quorvel {
namespace {

struct UrlHandleFree {
    void operator()(CURLU* handle) const { curl_url_cleanup(handle); }
};

std::optional<std::string> part(CURLU* handle, CURLUPart which) {
    char* value = nullptr;
    if (curl_url_get(handle, which, &value, 0) != CURLUE_OK || value == nullptr) return std::nullopt;
    std::string text(value);
    curl_free(value);
    return text;
}

}  // namespace

std::optional<WebUrl> WebUrl::parse(std::string_view text) {
    // The parser reads C strings: a NUL inside would cut the text short unseen.
    if (text.empty() || text.find('\0') != std::string_view::npos) return std::nullopt;
    std::unique_ptr<CURLU, UrlHandleFree> handle(curl_url());
    if (!handle) return std::nullopt;
    const std::string owned(text);
    if (curl_url_set(handle.get(), CURLUPART_URL, owned.c_str(), CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK) {
        return std::nullopt;
    }
    std::optional<std::string> scheme = part(handle.get(), CURLUPART_SCHEME);
    if (!scheme) return std::nullopt;
    WebUrl url;
    url.text_ = owned;
    url.scheme_ = *scheme;
    if (std::optional<std::string> host = part(handle.get(), CURLUPART_HOST); host && !host->empty()) {
        if (host->size() >= 2 && host->front() == '[' && host->back() == ']') {
            *host = host->substr(1, host->size() - 2);
        }
        url.host_ = std::move(*host);
    }
    return url;
}

}  // namespace quorvel

#pragma once
// An absolute URL as the user typed it (a relay's address): parsed once, kept as its text.
// Text with blanks, control characters or no scheme is not a URL.
#include <optional>
#include <string>
#include <string_view>

namespace quorvel {

class WebUrl {
public:
    /// The URL in `text`, or absent when it does not parse as an absolute URL.
    static std::optional<WebUrl> parse(std::string_view text);

    /// The URL as given.
    const std::string& absoluteString() const { return text_; }
    /// The scheme in lower case ("https").
    const std::string& scheme() const { return scheme_; }
    /// The host without brackets or port; absent when the URL has none.
    const std::optional<std::string>& host() const { return host_; }

    bool operator==(const WebUrl& other) const { return text_ == other.text_; }

private:
    WebUrl() = default;
    std::string text_;
    std::string scheme_;
    std::optional<std::string> host_;
};

}  // namespace quorvel

#include <gtest/gtest.h>

#include <string>

#include "app/intake/ConstantTimeEquals.hpp"
#include "app/intake/HTTPRequest.hpp"

namespace quorvel {
namespace {

using Kind = HTTPRequest::ParseResult::Kind;

std::string header(std::string lines) { return lines + "\r\n\r\n"; }

struct InvalidCase {
    const char* name;
    std::string data;
    int status;
};

TEST(HTTPRequestParse, RefusesMalformedRequestsWithTheirStatus) {
    const std::string longHeaderLine = "X-Pad: " + std::string(8192, 'a');
    const std::vector<InvalidCase> cases = {
        {"no terminator past the limit", std::string(8193, 'a'), 431},
        {"terminator past the limit", "POST /v1/events HTTP/1.1\r\nX: " + std::string(8193 - 29, 'a') + "\r\n\r\n", 400},
        {"method and path only", header("POST /v1/events"), 400},
        {"four words", header("POST /v1/events HTTP/1.1 extra"), 400},
        {"version not HTTP/1.", header("POST /v1/events HTTP/2"), 400},
        {"version in lower case", header("POST /v1/events http/1.1"), 400},
        {"header without colon", header("POST /v1/events HTTP/1.1\r\nHost 127.0.0.1"), 400},
        {"invalid UTF-8 in header", header("POST /v1/events HTTP/1.1\r\nX: \xff"), 400},
        {"empty request", "\r\n\r\n", 400},
        {"negative length", header("POST /v1/events HTTP/1.1\r\nContent-Length: -1"), 400},
        {"letter after digits", header("POST /v1/events HTTP/1.1\r\nContent-Length: 12a"), 400},
        {"empty length", header("POST /v1/events HTTP/1.1\r\nContent-Length:"), 400},
        {"sign only", header("POST /v1/events HTTP/1.1\r\nContent-Length: +"), 400},
        {"beyond int64", header("POST /v1/events HTTP/1.1\r\nContent-Length: 9223372036854775808"), 400},
        {"length over the body limit", header("POST /v1/events HTTP/1.1\r\nContent-Length: 65537"), 413},
        {"huge length within int64", header("POST /v1/events HTTP/1.1\r\nContent-Length: 9223372036854775807"), 413},
    };
    for (const auto& c : cases) {
        auto result = HTTPRequest::parse(c.data);
        EXPECT_EQ(result, HTTPRequest::ParseResult::invalid(c.status)) << c.name;
    }
}

TEST(HTTPRequestParse, AsksForMoreUntilTheRequestIsWhole) {
    const std::vector<std::string> prefixes = {
        "",
        "POST /v1/ev",
        std::string(8192, 'a'),  // exactly the limit without a terminator
        header("POST /v1/events HTTP/1.1\r\nContent-Length: 10") + "abcd",
    };
    for (const auto& data : prefixes) {
        EXPECT_EQ(HTTPRequest::parse(data).kind, Kind::needMore) << data.substr(0, 40);
    }
}

TEST(HTTPRequestParse, ReadsRequestLineHeadersAndBody) {
    auto result = HTTPRequest::parse(
        header("POST   /v1/events?x=1    HTTP/1.1\r\nAUTHORIZATION:   Bearer abc  \t\r\nX-Twice: one\r\nx-twice: two\r\n"
               "Content-Length: +10") +
        "0123456789ab");
    ASSERT_EQ(result.kind, Kind::complete);
    const HTTPRequest& request = result.request;
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.path, "/v1/events?x=1");
    EXPECT_EQ(request.headers.at("authorization"), "Bearer abc");
    EXPECT_EQ(request.headers.at("x-twice"), "two");
    EXPECT_EQ(request.body, "0123456789");
}

TEST(HTTPRequestParse, AcceptsTheLimitsExactly) {
    std::string atLimit = header("POST /v1/events HTTP/1.1\r\nContent-Length: 65536") + std::string(65536, 'x');
    auto body = HTTPRequest::parse(atLimit);
    ASSERT_EQ(body.kind, Kind::complete);
    EXPECT_EQ(body.request.body.size(), 65536u);

    // A header section of exactly 8192 bytes before its terminator.
    std::string line = "POST /v1/events HTTP/1.1\r\nX: ";
    std::string headerAtLimit = line + std::string(8192 - line.size(), 'a') + "\r\n\r\n";
    EXPECT_EQ(HTTPRequest::parse(headerAtLimit).kind, Kind::complete);
}

TEST(HTTPRequestParse, WithoutContentLengthTheBodyIsEmpty) {
    auto result = HTTPRequest::parse(header("GET /v1/events HTTP/1.0") + "trailing bytes");
    ASSERT_EQ(result.kind, Kind::complete);
    EXPECT_EQ(result.request.method, "GET");
    EXPECT_EQ(result.request.body, "");
}

TEST(HTTPRequestResponse, HasTheExactBytes) {
    EXPECT_EQ(HTTPRequest::responseText(202),
              "HTTP/1.1 202 Accepted\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(HTTPRequest::responseText(202).size(), 63u);
    EXPECT_EQ(HTTPRequest::responseText(431),
              "HTTP/1.1 431 Request Header Fields Too Large\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(HTTPRequest::responseText(418), "HTTP/1.1 418 Error\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
}

TEST(ConstantTimeEquals, ComparesWholeStrings) {
    const std::string token(43, 'k');
    std::string lastDiffers = token;
    lastDiffers.back() = 'j';
    EXPECT_TRUE(constantTimeEquals("", ""));
    EXPECT_FALSE(constantTimeEquals("abc", "abcd"));
    EXPECT_TRUE(constantTimeEquals(token, std::string(43, 'k')));
    EXPECT_FALSE(constantTimeEquals(token, lastDiffers));
}

}  // namespace
}  // namespace quorvel

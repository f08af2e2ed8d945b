#include "kit/engine/Endpoint.hpp"

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "kit/engine/QuorvelPaths.hpp"
#include "platform/files/Files.hpp"
#include "platform/json/JsonCoding.hpp"
#include "tests/support/FileMode.hpp"
#include "tests/support/OddFiles.hpp"
#include "tests/support/TemporaryFolder.hpp"

namespace quorvel {
namespace {

using testing::modeOf;

class EndpointFile : public ::testing::Test {
protected:
    std::string fileWith(const std::string& contents) {
        const std::string path = home_ + "/endpoint.json";
        EXPECT_TRUE(files::writeFileAtomically(path, contents));
        return path;
    }
    testing::TemporaryFolder folder_;
    const std::string home_ = folder_.path();
};

const std::string goodToken = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJ0123-_9";

TEST_F(EndpointFile, TokensAre43UrlSafeCharactersAndDiffer) {
    const auto first = Endpoint::makeToken();
    const auto second = Endpoint::makeToken();
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->size(), 43u);
    EXPECT_EQ(first->find_first_of("+/="), std::string::npos);
    EXPECT_TRUE(Endpoint::isWellFormedToken(*first));
    EXPECT_NE(*first, *second);
    EXPECT_EQ(goodToken.size(), 43u);
}

TEST_F(EndpointFile, WriteCreatesPrivateFolderAndFileAndRoundTrips) {
    const mode_t previous = ::umask(0);
    const QuorvelPaths paths(home_);
    const Endpoint endpoint{49152, *Endpoint::makeToken()};
    const auto written = endpoint.write(paths.endpoint());
    ::umask(previous);
    ASSERT_TRUE(written) << written.error().message;
    EXPECT_EQ(modeOf(paths.appSupport()), 0700u);
    EXPECT_EQ(modeOf(home_ + "/Library/Application Support"), 0700u);
    EXPECT_EQ(modeOf(paths.endpoint()), 0600u);
    EXPECT_EQ(*files::readFile(paths.endpoint()), R"({"port":49152,"token":")" + endpoint.token + "\"}");
    EXPECT_EQ(*Endpoint::read(paths.endpoint()), endpoint);

    const Endpoint replacement{8080, goodToken};
    ASSERT_TRUE(replacement.write(paths.endpoint()));
    EXPECT_EQ(*Endpoint::read(paths.endpoint()), replacement);
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(paths.appSupport())) names.push_back(entry.path().filename());
    EXPECT_EQ(names, std::vector<std::string>{"endpoint.json"});
}

TEST_F(EndpointFile, ExistingFolderIsKeptAsItIs) {
    const QuorvelPaths paths(home_);
    ASSERT_TRUE(files::createDirectories(paths.appSupport(), 0755));
    ASSERT_TRUE((Endpoint{1, goodToken}.write(paths.endpoint())));
    EXPECT_EQ(modeOf(paths.appSupport()), 0755u);
}

TEST_F(EndpointFile, WriteOverAFolderFailsAndLeavesNoTemporary) {
    const std::string target = home_ + "/endpoint.json";
    ASSERT_EQ(::mkdir(target.c_str(), 0700), 0);
    ASSERT_TRUE(files::writeFileAtomically(target + "/x", "x"));
    const auto written = Endpoint{1, goodToken}.write(target);
    ASSERT_FALSE(written);
    EXPECT_EQ(written.error().kind, EndpointError::Kind::file);
    EXPECT_NE(written.error().code, 0);
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(home_)) names.push_back(entry.path().filename());
    EXPECT_EQ(names, std::vector<std::string>{"endpoint.json"});
}

TEST_F(EndpointFile, ReadsEitherOrderAndIgnoresUnknownKeys) {
    EXPECT_EQ(*Endpoint::read(fileWith(R"({"token":")" + goodToken + R"(","port":0})")), (Endpoint{0, goodToken}));
    EXPECT_EQ(*Endpoint::read(fileWith(R"({"port":65535,"token":")" + goodToken + R"(","pid":12,"v":[1]})")),
              (Endpoint{65535, goodToken}));
    EXPECT_EQ(*Endpoint::read(fileWith(" {\n \"port\" : 7 , \"token\" : \"" + goodToken + "\" }\n")),
              (Endpoint{7, goodToken}));
}

TEST_F(EndpointFile, RefusesMalformedFiles) {
    const std::string token = "\"" + goodToken + "\"";
    const std::string cases[] = {
        R"({"port":70000,"token":)" + token + "}",
        R"({"port":-1,"token":)" + token + "}",
        R"({"port":"8080","token":)" + token + "}",
        R"({"port":80.5,"token":)" + token + "}",
        R"({"port":null,"token":)" + token + "}",
        R"({"token":)" + token + "}",
        R"({"port":8080})",
        R"({"port":8080,"token":null})",
        R"({"port":8080,"token":42})",
        "[8080]",
        "",
        R"({"port":8080,"token":)" + token,
    };
    for (const std::string& contents : cases) {
        SCOPED_TRACE(contents);
        const auto read = Endpoint::read(fileWith(contents));
        ASSERT_FALSE(read);
        EXPECT_EQ(read.error().kind, EndpointError::Kind::malformed);
        EXPECT_FALSE(read.error().message.empty());
    }
}

// A token every request would fail on must not be reused: the app makes a new one instead.
TEST_F(EndpointFile, RefusesTokensNotOf43UrlSafeCharacters) {
    const std::string tokens[] = {
        "",
        "   ",
        goodToken.substr(0, 42),
        goodToken + "A",
        goodToken.substr(0, 42) + " ",
        goodToken.substr(0, 42) + "\n",
        goodToken.substr(0, 42) + "=",
        goodToken.substr(0, 42) + "+",
        goodToken.substr(0, 42) + "/",
        " " + goodToken.substr(1),
    };
    for (const std::string& token : tokens) {
        SCOPED_TRACE(token);
        json::Json object = json::Json::object();
        object["port"] = 8080;
        object["token"] = token;
        EXPECT_FALSE(Endpoint::read(fileWith(json::dump(object))));
    }
}

TEST_F(EndpointFile, MissingFileIsAFileError) {
    const auto read = Endpoint::read(home_ + "/none.json");
    ASSERT_FALSE(read);
    EXPECT_EQ(read.error().kind, EndpointError::Kind::file);
    EXPECT_EQ(read.error().code, ENOENT);
}

TEST_F(EndpointFile, TellsWhetherTheFileKeptTheTokenPrivate) {
    const std::string path = fileWith(R"({"port":5000,"token":")" + goodToken + R"("})");
    auto stored = Endpoint::readStored(path);
    ASSERT_TRUE(stored);
    EXPECT_TRUE(stored->isPrivate);
    EXPECT_EQ(stored->permissions, 0600u);
    EXPECT_EQ(stored->endpoint, (Endpoint{5000, goodToken}));

    for (mode_t open : {0644, 0660, 0602}) {
        ASSERT_EQ(::chmod(path.c_str(), open), 0);
        stored = Endpoint::readStored(path);
        ASSERT_TRUE(stored);
        EXPECT_FALSE(stored->isPrivate) << std::oct << open;
    }
    ASSERT_EQ(::chmod(path.c_str(), 0400), 0);
    stored = Endpoint::readStored(path);
    ASSERT_TRUE(stored);
    EXPECT_TRUE(stored->isPrivate);
    EXPECT_EQ(stored->permissions, 0400u);
}

TEST_F(EndpointFile, IsOnlyFollowedWhenNoOneElseCouldHaveWrittenIt) {
    const std::string path = fileWith(R"({"port":5000,"token":")" + goodToken + R"("})");
    // Readable by others, the token is spent, but the port still leads to this user's app.
    ASSERT_EQ(::chmod(path.c_str(), 0644), 0);
    EXPECT_TRUE(Endpoint::read(path));
    for (mode_t open : {0620, 0602, 0666}) {
        ASSERT_EQ(::chmod(path.c_str(), open), 0);
        const auto read = Endpoint::read(path);
        ASSERT_FALSE(read) << std::oct << open;
        EXPECT_EQ(read.error().code, EACCES);
        EXPECT_NE(read.error().message.find(path), std::string::npos);
        EXPECT_TRUE(Endpoint::readStored(path)) << "the app still reads it, to replace it";
    }
    if (::geteuid() == 0) {
        ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
        ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
        EXPECT_FALSE(Endpoint::read(path));
    }
}

class OddEndpointFile : public ::testing::TestWithParam<testing::OddFile> {};

TEST_P(OddEndpointFile, IsUnreadableAtOnce) {
    testing::TemporaryFolder folder;
    const std::string path = folder / "endpoint.json";
    ASSERT_TRUE(testing::plantOddFile(GetParam(), path, folder / "elsewhere.json",
                                      R"({"port":5000,"token":")" + goodToken + R"("})"));
    const auto read = Endpoint::read(path);
    ASSERT_FALSE(read);
    EXPECT_EQ(read.error().kind, EndpointError::Kind::file);
}

INSTANTIATE_TEST_SUITE_P(EachKind, OddEndpointFile, ::testing::ValuesIn(testing::allOddFiles()),
                         [](const auto& info) { return std::string(testing::nameOf(info.param)); });

}  // namespace
}  // namespace quorvel

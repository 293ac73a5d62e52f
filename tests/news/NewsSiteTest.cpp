// The NewsSite setting and the rules of the news page check that need no network.
#include "news/NewsSite.h"

#include <gtest/gtest.h>

namespace {

std::string Url(std::string_view site) {
    const auto parsed = news::ParseSite(site);
    return parsed ? news::SiteUrl(*parsed, "/tessaly/?v=2.1") : "-";
}

} // namespace

TEST(NewsSite, HostAndPortAsTheSettingGivesThem) {
    EXPECT_EQ(Url("www.example.org"), "http://www.example.org/tessaly/?v=2.1");
    EXPECT_EQ(Url("127.0.0.1:8080"), "http://127.0.0.1:8080/tessaly/?v=2.1");
    EXPECT_EQ(Url("  news.example:80 "), "http://news.example/tessaly/?v=2.1");
    EXPECT_EQ(Url("http://Example.org/"), "http://Example.org/tessaly/?v=2.1");
    EXPECT_EQ(Url("[::1]:9000"), "http://[::1]:9000/tessaly/?v=2.1");
    EXPECT_EQ(Url("[fe80::1]"), "http://[fe80::1]/tessaly/?v=2.1");
    const auto site = news::ParseSite("host:65535");
    ASSERT_TRUE(site);
    EXPECT_EQ(site->host, "host");
    EXPECT_EQ(site->port, 65535);
    EXPECT_EQ(news::SiteUrl(*site), "http://host:65535/");
}

TEST(NewsSite, NoSiteForAnythingElse) {
    for (const char* text : {"", "   ", "https://secure.example", "ftp://x", "host:", "host:0",
                             "host:65536", "host:12a", "host/path", "a b", "-host", ".host", "[::1",
                             "[]", "[::1]x", "[::1]:", "user@host", "host?x=1"})
        EXPECT_FALSE(news::ParseSite(text)) << text;
}

TEST(NewsSite, ReachableAnswersAndRequestWording) {
    EXPECT_TRUE(news::IsReachableStatus(200));
    EXPECT_TRUE(news::IsReachableStatus(302));
    for (int status : {0, 201, 204, 301, 303, 304, 307, 308, 403, 404, 500, 503})
        EXPECT_FALSE(news::IsReachableStatus(status)) << status;
    EXPECT_EQ(news::kUserAgent, "Internet Exporer");
    EXPECT_EQ(news::kAccept, "text/*");
    EXPECT_EQ(news::kStartDelayMs, 3000);
    EXPECT_EQ(news::kConnectTimeoutMs, 20000);
}

// Version ordering and the feed reader: table-driven, on feed texts as servers write them.
#include "update/Appcast.h"
#include "update/Version.h"

#include <gtest/gtest.h>

using namespace lumara::update;

TEST(Version, OrdersReleasesAndPreReleases)
{
    struct Case {
        const char* a;
        const char* b;
        int expected; // sign of compareVersions(a, b)
    };
    const Case cases[] = {
        {"1.10", "1.9", 1},          {"1.0", "1.0.0", 0},        {"2", "1.99.99", 1},
        {"0.1.0", "0.1.0", 0},       {"1.0.1", "1.0", 1},        {"v1.2", "1.2", 0},
        {"2.0b1", "2.0", -1},        {"2.0-beta.2", "2.0", -1},  {"2.0rc1", "2.0b9", 1},
        {"2.0a3", "2.0b1", -1},      {"2.0b2", "2.0b10", -1},    {"2.0-rc.1", "1.9", 1},
        {"010", "9", 1},             {"1.2.3.4.5", "1.2.3.4", 1}, {"99999999999999999999", "99999999999999999998", 1},
        {"", "0", 0},                {"garbage", "0.0.1", -1},
    };
    for (const Case& c : cases) {
        const int forward = compareVersions(c.a, c.b);
        const int backward = compareVersions(c.b, c.a);
        EXPECT_EQ((forward > 0) - (forward < 0), c.expected) << c.a << " vs " << c.b;
        EXPECT_EQ((backward > 0) - (backward < 0), -c.expected) << c.b << " vs " << c.a << " (antisymmetric)";
    }
}

namespace {

QByteArray feed(const QByteArray& items)
{
    return "<?xml version=\"1.0\"?><rss version=\"2.0\" xmlns:rel=\"https://lumara.quillfen.com/xml/release\">"
           "<channel><title>Lumara</title>" + items + "</channel></rss>";
}

} // namespace

TEST(Appcast, ReadsItemsFromElementsOrEnclosures)
{
    const auto items = parseAppcast(feed(
        "<item><title>One</title><rel:version>1.2</rel:version><rel:shortVersionString>1.2 (Spring)</rel:shortVersionString>"
        "<rel:releaseNotesLink>https://example.com/notes/1.2</rel:releaseNotesLink><link>https://example.com/get</link></item>"
        "<item><title>Two</title><enclosure url=\"https://example.com/2.tar.gz\" rel:version=\"2.0\" length=\"1\"/>"
        "<rel:releaseNotesLink>file:///etc/passwd</rel:releaseNotesLink><link>javascript:alert(1)</link></item>"
        "<item><rel:version>0.1</rel:version><link>http://example.com/plain</link></item>"));
    ASSERT_TRUE(items.ok()) << items.error().message;
    ASSERT_EQ(items->size(), 3u);
    EXPECT_TRUE((*items)[2].downloadLink.isEmpty()) << "plain http links are not offered";
    EXPECT_EQ((*items)[0].version, "1.2");
    EXPECT_EQ((*items)[0].shortVersionString, "1.2 (Spring)");
    EXPECT_EQ((*items)[0].releaseNotesLink, QUrl("https://example.com/notes/1.2"));
    EXPECT_EQ((*items)[0].downloadLink, QUrl("https://example.com/get"));
    EXPECT_EQ((*items)[1].version, "2.0");
    EXPECT_EQ((*items)[1].shortVersionString, "2.0") << "the version stands in for a missing display version";
    EXPECT_TRUE((*items)[1].releaseNotesLink.isEmpty()) << "only web links are kept";
    EXPECT_EQ((*items)[1].downloadLink, QUrl("https://example.com/2.tar.gz")) << "a non-web page link yields to the enclosure";
    EXPECT_EQ(newestItem(*items)->title, "Two");
}

TEST(Appcast, BadFeedsGiveTypedErrors)
{
    struct Case {
        const char* name;
        QByteArray xml;
        UpdateError expected;
    };
    const Case cases[] = {
        {"empty", "", UpdateError::malformedFeed},
        {"not xml", "HTTP/1.1 200 OK", UpdateError::malformedFeed},
        {"unclosed", feed("<item><rel:version>1</rel:version>").left(90), UpdateError::malformedFeed},
        {"trailing junk", feed("") + "<oops", UpdateError::malformedFeed},
        {"not rss", "<feed><entry/></feed>", UpdateError::malformedFeed},
        {"no channel", "<rss version=\"2.0\"/>", UpdateError::malformedFeed},
        {"missing version", feed("<item><rel:version>1</rel:version></item><item><title>x</title></item>"),
         UpdateError::missingVersion},
        {"entity bomb", "<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
                        "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\"><!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">"
                        "<!ENTITY e \"&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;\">]><rss><channel><item><title>&e;&e;&e;</title>"
                        "</item></channel></rss>",
         UpdateError::malformedFeed},
    };
    for (const Case& c : cases) {
        const auto result = parseAppcast(c.xml);
        ASSERT_FALSE(result.ok()) << c.name;
        EXPECT_EQ(result.error().code, c.expected) << c.name << ": " << result.error().message;
        EXPECT_FALSE(updateErrorMessage(result.error().code).isEmpty());
    }
}

TEST(Appcast, NewestReleaseDecidesAgainstTheRunningVersion)
{
    const QByteArray xml = feed("<item><rel:version>1.9</rel:version></item><item><rel:version>1.10</rel:version></item>"
                                "<item><rel:version>1.11b1</rel:version></item>");
    struct Case {
        const char* running;
        bool updateAvailable;
    };
    for (const Case& c : {Case{"1.9", true}, Case{"1.10.0", true}, Case{"1.11b1", false}, Case{"1.11", false}, Case{"2.0", false}}) {
        const auto outcome = evaluateAppcast(xml, c.running);
        ASSERT_TRUE(outcome.ok());
        EXPECT_EQ(outcome->newest.version, "1.11b1") << "a pre-release above the newest release still counts";
        EXPECT_EQ(outcome->updateAvailable, c.updateAvailable) << c.running;
    }
    const auto empty = evaluateAppcast(feed(""), "1.0");
    ASSERT_TRUE(empty.ok());
    EXPECT_FALSE(empty->updateAvailable) << "a feed without releases means nothing newer";
}

#include "check/Duplicates.h"

#include <gtest/gtest.h>

namespace {

struct Pair {
    const char* a;
    const char* b;
    bool same;
    bool ignoreFragment = false;
};

// What browsers treat as one address, and what they do not.
const Pair PAIRS[] = {
    {"https://Example.ORG/Page", "https://example.org/Page", true},
    {"HTTPS://example.org/", "https://example.org/", true},
    {"https://example.org/Page", "https://example.org/page", false}, // paths keep their case
    {"http://example.org:80/a", "http://example.org/a", true},
    {"https://example.org:443/a", "https://example.org/a", true},
    {"http://example.org:443/a", "http://example.org/a", false},
    {"https://example.org:8443/a", "https://example.org/a", false},
    {"https://example.org", "https://example.org/", true},
    {"https://example.org?q=1", "https://example.org/?q=1", true},
    {"https://example.org/a/", "https://example.org/a", false}, // only an empty path
    {"https://example.org/a#top", "https://example.org/a", false},
    {"https://example.org/a#top", "https://example.org/a", true, true},
    {"https://example.org/a#top", "https://example.org/a#end", true, true},
    {"http://example.org/a", "https://example.org/a", false},
    {"www.example.org/a", "http://www.example.org/a", true},
    {"https://User@example.org/", "https://user@example.org/", false},
    {"http://[::1]:80/", "http://[::1]/", true},
    {"  https://example.org/a ", "https://example.org/a", true},
    {"/home/me/notes.txt", "file:///home/me/notes.txt", true},
    {"/home/me/My%20File", "file:///home/me/My%20File", false},
    {"/home/me/My File", "file:///home/me/My%20File", true},
    {"/home/me/docs/", "/home/me/./docs", true},
    {"/home/me//a/../docs", "file://localhost/home/me/docs", true},
    {"/home/me/Docs", "/home/me/docs", false},
    {"mailto:me@example.org", "mailto:me@example.org", true},
    {"mailto:Me@example.org", "mailto:me@example.org", false},
};

} // namespace

TEST(DuplicatesTest, addressPairsAreTheSameOrNot) {
    for (const Pair& pair : PAIRS) {
        SCOPED_TRACE(std::string(pair.a) + " | " + pair.b);
        SDuplicateOptions options;
        options.ignoreFragment = pair.ignoreFragment;
        EXPECT_EQ(NormaliseAddress(pair.a, options) == NormaliseAddress(pair.b, options), pair.same)
            << NormaliseAddress(pair.a, options) << " vs " << NormaliseAddress(pair.b, options);
    }
}

TEST(DuplicatesTest, groupsInTheOrderOfTheirFirstMember) {
    const std::vector<std::string_view> targets = {
        "https://b.example/",    "https://A.example",  "", "https://a.example/#x",
        "https://b.example:443", "https://a.example/", "", "https://c.example/"};
    EXPECT_EQ(FindDuplicateGroups(targets),
              (std::vector<std::vector<std::size_t>>{{0, 4}, {1, 5}}));
    SDuplicateOptions options;
    options.ignoreFragment = true;
    EXPECT_EQ(FindDuplicateGroups(targets, options),
              (std::vector<std::vector<std::size_t>>{{0, 4}, {1, 3, 5}}));
}

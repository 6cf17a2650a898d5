// SPDX-License-Identifier: MIT
#include "check/Duplicates.h"

#include <gtest/gtest.h>

namespace {

struct CPair {
    const char* m_a;
    const char* m_b;
    bool m_same;
    bool m_ignoreFragment = false;
};

// What browsers treat as one address, and what they do not.
const CPair PAIRS[] = {
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
    for (const CPair& pair : PAIRS) {
        SCOPED_TRACE(std::string(pair.m_a) + " | " + pair.m_b);
        CDuplicateOptions options;
        options.m_ignoreFragment = pair.m_ignoreFragment;
        EXPECT_EQ(NormaliseAddress(pair.m_a, options) == NormaliseAddress(pair.m_b, options),
                  pair.m_same)
            << NormaliseAddress(pair.m_a, options) << " vs " << NormaliseAddress(pair.m_b, options);
    }
}

TEST(DuplicatesTest, groupsInTheOrderOfTheirFirstMember) {
    const std::vector<std::string_view> targets = {
        "https://b.example/",    "https://A.example",  "", "https://a.example/#x",
        "https://b.example:443", "https://a.example/", "", "https://c.example/"};
    EXPECT_EQ(FindDuplicateGroups(targets),
              (std::vector<std::vector<std::size_t>>{{0, 4}, {1, 5}}));
    CDuplicateOptions options;
    options.m_ignoreFragment = true;
    EXPECT_EQ(FindDuplicateGroups(targets, options),
              (std::vector<std::vector<std::size_t>>{{0, 4}, {1, 3, 5}}));
}

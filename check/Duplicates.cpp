// SPDX-License-Identifier: MIT
#include "check/Duplicates.h"

#include <algorithm>
#include <unordered_map>

namespace {

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (Lower(text[i]) != prefix[i])
            return false;
    return true;
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

// The scheme's length before "://", or 0 when text does not start with one.
std::size_t SchemeLength(std::string_view text) {
    const std::size_t colon = text.find("://");
    if (colon == 0 || colon == std::string_view::npos)
        return 0;
    for (std::size_t i = 0; i < colon; ++i) {
        const char c = Lower(text[i]);
        const bool alpha = c >= 'a' && c <= 'z';
        const bool other = (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
        if (!alpha && !(i > 0 && other))
            return 0;
    }
    return colon;
}

std::string_view DefaultPort(std::string_view scheme) {
    if (scheme == "http")
        return "80";
    if (scheme == "https")
        return "443";
    if (scheme == "ftp")
        return "21";
    return {};
}

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    c = Lower(c);
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// "file:" and the path with ".", "..", doubled and trailing slashes resolved.
void AppendPath(std::string_view path, bool decode, std::string& out) {
    out += "file:";
    const std::size_t start = out.size();
    std::size_t i = 0;
    while (i < path.size()) {
        while (i < path.size() && path[i] == '/')
            ++i;
        std::size_t end = path.find('/', i);
        if (end == std::string_view::npos)
            end = path.size();
        const std::string_view part = path.substr(i, end - i);
        i = end;
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            const std::size_t slash = out.rfind('/');
            out.resize(slash == std::string::npos || slash < start ? start : slash);
            continue;
        }
        out += '/';
        for (std::size_t k = 0; k < part.size(); ++k) {
            if (decode && part[k] == '%' && k + 2 < part.size() + 0 && HexValue(part[k + 1]) >= 0 &&
                HexValue(part[k + 2]) >= 0) {
                out += char(HexValue(part[k + 1]) * 16 + HexValue(part[k + 2]));
                k += 2;
            } else {
                out += part[k];
            }
        }
    }
    if (out.size() == start)
        out += '/';
}

void AppendUrl(std::string_view scheme, std::string_view rest, const CDuplicateOptions& options,
               std::string& out) {
    const std::size_t schemeStart = out.size();
    for (char c : scheme)
        out += Lower(c);
    const std::string_view lowScheme(out.data() + schemeStart, scheme.size());
    const std::string_view port = DefaultPort(std::string(lowScheme));
    out += "://";
    const std::size_t authorityEnd = std::min(rest.find_first_of("/?#"), rest.size());
    std::string_view authority = rest.substr(0, authorityEnd);
    std::string_view tail = rest.substr(authorityEnd);
    if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos) {
        out += authority.substr(0, at + 1); // user names keep their case
        authority.remove_prefix(at + 1);
    }
    // The port follows the last colon, after an IPv6 literal's bracket.
    std::string_view host = authority;
    std::string_view givenPort;
    const std::size_t colon = authority.rfind(':');
    const std::size_t bracket = authority.rfind(']');
    if (colon != std::string_view::npos && (bracket == std::string_view::npos || colon > bracket)) {
        host = authority.substr(0, colon);
        givenPort = authority.substr(colon + 1);
    }
    while (host.size() > 1 && host.back() == '.')
        host.remove_suffix(1); // "example.org." is the same host
    for (char c : host)
        out += Lower(c);
    while (givenPort.size() > 1 && givenPort.front() == '0')
        givenPort.remove_prefix(1);
    if (!givenPort.empty() && givenPort != port) {
        out += ':';
        out += givenPort;
    }
    if (options.m_ignoreFragment)
        tail = tail.substr(0, std::min(tail.find('#'), tail.size()));
    if (tail.empty() || tail.front() != '/')
        out += '/';
    out += tail;
}

} // namespace

void NormaliseAddress(std::string_view target, const CDuplicateOptions& options, std::string& out) {
    out.clear();
    target = Trim(target);
    if (target.empty())
        return;
    if (StartsWithNoCase(target, "www.")) {
        AppendUrl("http", target, options, out);
        return;
    }
    const std::size_t scheme = SchemeLength(target);
    if (scheme == 4 && StartsWithNoCase(target, "file")) {
        std::string_view rest = target.substr(7);
        // file://localhost/path and file:///path name the same file.
        if (StartsWithNoCase(rest, "localhost/"))
            rest.remove_prefix(9);
        if (!rest.empty() && rest.front() == '/') {
            if (options.m_ignoreFragment)
                rest = rest.substr(0, std::min(rest.find('#'), rest.size()));
            AppendPath(rest, true, out);
            return;
        }
    } else if (scheme > 0) {
        AppendUrl(target.substr(0, scheme), target.substr(scheme + 3), options, out);
        return;
    }
    if (target.front() == '/') {
        AppendPath(target, false, out);
        return;
    }
    out.assign(target);
}

std::string NormaliseAddress(std::string_view target, const CDuplicateOptions& options) {
    std::string out;
    NormaliseAddress(target, options, out);
    return out;
}

std::vector<std::vector<std::size_t>>
FindDuplicateGroups(const std::vector<std::string_view>& targets,
                    const CDuplicateOptions& options) {
    constexpr std::size_t NONE = std::size_t(-1);
    // The normalised texts live side by side in one buffer reserved to hold
    // them all (a text grows by at most a scheme, a slash and "file:"), so
    // the table's keys are views that stay valid.
    std::size_t room = 0;
    for (std::string_view each : targets)
        room += each.size() + 16;
    std::string keys;
    keys.reserve(room);
    struct CSlot {
        std::size_t m_first, m_last, m_count;
    };
    std::unordered_map<std::string_view, CSlot> slots;
    slots.reserve(targets.size());
    std::vector<std::size_t> next(targets.size(), NONE);
    std::string key;
    for (std::size_t i = 0; i < targets.size(); ++i) {
        NormaliseAddress(targets[i], options, key);
        if (key.empty())
            continue;
        const std::size_t at = keys.size();
        keys += key;
        const auto [it, added] =
            slots.try_emplace(std::string_view(keys.data() + at, key.size()), CSlot{i, i, 1});
        if (added)
            continue;
        keys.resize(at); // the key is already kept
        next[it->second.m_last] = i;
        it->second.m_last = i;
        ++it->second.m_count;
    }
    std::vector<std::size_t> firsts;
    for (const auto& [text, slot] : slots)
        if (slot.m_count > 1)
            firsts.push_back(slot.m_first);
    std::sort(firsts.begin(), firsts.end());
    std::vector<std::vector<std::size_t>> groups;
    groups.reserve(firsts.size());
    for (std::size_t first : firsts) {
        std::vector<std::size_t>& group = groups.emplace_back();
        for (std::size_t i = first; i != NONE; i = next[i])
            group.push_back(i);
    }
    return groups;
}

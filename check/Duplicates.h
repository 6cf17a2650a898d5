// SPDX-License-Identifier: MIT
#pragma once
// Duplicate addresses. Two targets are the same when they differ only in
// what browsers treat as equal: the case of the scheme and of the host, a
// default port written out (80 for http, 443 for https, 21 for ftp), an empty
// path against "/", and (as an option) the #fragment. A text starting "www."
// is the http address the shell would open. Local paths (absolute, or
// file: URLs) are the same when they name the same path after "." and ".."
// and doubled or trailing slashes are resolved. Everything else must match
// byte for byte. Nothing is looked up: no file system, no network.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

struct CDuplicateOptions {
    bool m_ignoreFragment = false; // "page#a" and "page#b" are the same page
};

// The text two targets share exactly when they are the same (see above),
// written into out (reused, so that many calls do not allocate).
void NormaliseAddress(std::string_view target, const CDuplicateOptions& options, std::string& out);
std::string NormaliseAddress(std::string_view target, const CDuplicateOptions& options = {});

// Groups of indexes into targets that are the same, each group in the order
// of targets and at least two long, the groups in the order of their first
// member. Empty targets are never duplicates.
std::vector<std::vector<std::size_t>>
FindDuplicateGroups(const std::vector<std::string_view>& targets,
                    const CDuplicateOptions& options = {});

// SPDX-License-Identifier: MIT
#pragma once
// A window's commands by identifier: each identifier, or a run of them, with
// the handler that carries it out.

#include <functional>
#include <vector>

class CCommandTable final {
public:
    using Handler = std::function<void()>;
    // A handler for a run of identifiers gets the one's offset from first.
    using RangeHandler = std::function<void(int offset)>;

    CCommandTable& Add(int id, Handler handler);
    CCommandTable& Add(int first, int last, RangeHandler handler);

    // Runs the handler for id; false when there is none.
    bool Run(int id) const;

private:
    struct CRange {
        int m_first;
        int m_last;
        RangeHandler m_handler;
    };
    std::vector<CRange> m_entries;
};

// SPDX-License-Identifier: MIT
#include "app/CommandTable.h"

#include <utility>

CCommandTable& CCommandTable::Add(int id, Handler handler) {
    return Add(id, id, [run = std::move(handler)](int) { run(); });
}

CCommandTable& CCommandTable::Add(int first, int last, RangeHandler handler) {
    m_entries.push_back({first, last, std::move(handler)});
    return *this;
}

bool CCommandTable::Run(int id) const {
    for (const CRange& entry : m_entries)
        if (id >= entry.m_first && id <= entry.m_last) {
            entry.m_handler(id - entry.m_first);
            return true;
        }
    return false;
}

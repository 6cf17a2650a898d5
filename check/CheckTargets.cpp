// SPDX-License-Identifier: MIT
#include "check/CheckTargets.h"

#include "tree/Item.h"

#include <QDir>

namespace {

void Collect(const CItem& item, std::vector<CCollected>& out) {
    if (const auto* entry = dynamic_cast<const CEntry*>(&item)) {
        if (!entry->IsBlank() && !entry->Target().empty())
            out.push_back({const_cast<CEntry*>(entry), entry->Target()});
        return;
    }
    const int count = item.GetCount();
    for (int i = 0; i < count; ++i)
        if (const CItem* child = item.GetChild(i))
            Collect(*child, out);
}

void Index(CItem& folder, std::vector<int>& rows,
           std::unordered_map<const CEntry*, CEntryIndex::CPlace>& places) {
    const int count = folder.GetCount();
    for (int i = 0; i < count; ++i) {
        CItem* child = folder.GetChild(i);
        if (!child)
            continue;
        rows.push_back(i);
        if (auto* entry = dynamic_cast<CEntry*>(child); entry && !entry->IsBlank())
            places.emplace(entry, CEntryIndex::CPlace{entry, &folder, rows});
        else if (dynamic_cast<CFolder*>(child))
            Index(*child, rows, places);
        rows.pop_back();
    }
}

} // namespace

CTargetKind ClassifyTarget(const std::string& target) {
    const QString text = QString::fromUtf8(target).trimmed();
    CTargetKind kind;
    const auto web = [&kind](const QString& address) {
        kind.m_kind = ETargetKind::Web;
        kind.m_url = QUrl(address, QUrl::TolerantMode); // as browsers take what users paste
        kind.m_valid = kind.m_url.isValid() && !kind.m_url.host().isEmpty();
    };
    if (text.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) ||
        text.startsWith(QLatin1String("https://"), Qt::CaseInsensitive)) {
        web(text);
    } else if (text.startsWith(QLatin1String("www."), Qt::CaseInsensitive)) {
        web(QStringLiteral("http://") + text);
    } else if (text.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)) {
        const QUrl url(text);
        if (url.isLocalFile()) {
            kind.m_kind = ETargetKind::Local;
            kind.m_path = url.toLocalFile();
        }
    } else if (text.startsWith(QLatin1Char('/'))) {
        kind.m_kind = ETargetKind::Local;
        kind.m_path = text;
    } else if (text.startsWith(QLatin1String("~/"))) {
        kind.m_kind = ETargetKind::Local;
        kind.m_path = QDir::homePath() + text.mid(1);
    }
    return kind;
}

std::vector<CCollected> CollectEntries(const CItem& item) {
    std::vector<CCollected> out;
    Collect(item, out);
    return out;
}

CEntryIndex::CEntryIndex(CItem& top) {
    std::vector<int> rows;
    Index(top, rows, m_places);
}

const CEntryIndex::CPlace* CEntryIndex::Find(const CEntry* entry, const std::string& target) const {
    const auto it = m_places.find(entry);
    if (it == m_places.end() || it->second.m_entry->Target() != target)
        return nullptr;
    return &it->second;
}

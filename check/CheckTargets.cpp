#include "check/CheckTargets.h"

#include "tree/Item.h"

#include <QDir>

namespace {

void Collect(const CItem& item, std::vector<SCollected>& out) {
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
           std::unordered_map<const CEntry*, CEntryIndex::SPlace>& places) {
    const int count = folder.GetCount();
    for (int i = 0; i < count; ++i) {
        CItem* child = folder.GetChild(i);
        if (!child)
            continue;
        rows.push_back(i);
        if (auto* entry = dynamic_cast<CEntry*>(child); entry && !entry->IsBlank())
            places.emplace(entry, CEntryIndex::SPlace{entry, &folder, rows});
        else if (dynamic_cast<CFolder*>(child))
            Index(*child, rows, places);
        rows.pop_back();
    }
}

} // namespace

STargetKind ClassifyTarget(const std::string& target) {
    const QString text = QString::fromUtf8(target).trimmed();
    STargetKind kind;
    const auto web = [&kind](const QString& address) {
        kind.kind = ETargetKind::Web;
        kind.url = QUrl(address, QUrl::TolerantMode); // as browsers take what users paste
        kind.valid = kind.url.isValid() && !kind.url.host().isEmpty();
    };
    if (text.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) ||
        text.startsWith(QLatin1String("https://"), Qt::CaseInsensitive)) {
        web(text);
    } else if (text.startsWith(QLatin1String("www."), Qt::CaseInsensitive)) {
        web(QStringLiteral("http://") + text);
    } else if (text.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)) {
        const QUrl url(text);
        if (url.isLocalFile()) {
            kind.kind = ETargetKind::Local;
            kind.path = url.toLocalFile();
        }
    } else if (text.startsWith(QLatin1Char('/'))) {
        kind.kind = ETargetKind::Local;
        kind.path = text;
    } else if (text.startsWith(QLatin1String("~/"))) {
        kind.kind = ETargetKind::Local;
        kind.path = QDir::homePath() + text.mid(1);
    }
    return kind;
}

std::vector<SCollected> CollectEntries(const CItem& item) {
    std::vector<SCollected> out;
    Collect(item, out);
    return out;
}

CEntryIndex::CEntryIndex(CItem& top) {
    std::vector<int> rows;
    Index(top, rows, m_places);
}

const CEntryIndex::SPlace* CEntryIndex::Find(const CEntry* entry, const std::string& target) const {
    const auto it = m_places.find(entry);
    if (it == m_places.end() || it->second.entry->Target() != target)
        return nullptr;
    return &it->second;
}

// SPDX-License-Identifier: MIT
#include "exchange/BrowserProfiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>

namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("Import", text);
}

QString SqlError(const QSqlQuery& query) {
    return query.lastError().text();
}

CImportResult Failed(const QString& why) {
    CImportResult result;
    result.m_status = CImportResult::Failed;
    result.m_error = why;
    return result;
}

QString DepthError() {
    return Tr("The folders are nested deeper than %1 levels, which Quillbox cannot keep.")
        .arg(MaxImportDepth());
}

// ------------------------------------------------------------ Chromium

// Fills folder from a JSON folder node's children; false when too deep.
bool ReadChromiumFolder(const QJsonObject& node, CImportNode& folder, CImportCounts& counts,
                        int depth) {
    const QJsonArray children = node.value(QLatin1String("children")).toArray();
    for (const auto& value : children) {
        const QJsonObject child = value.toObject();
        const QString type = child.value(QLatin1String("type")).toString();
        const std::string name = child.value(QLatin1String("name")).toString().toStdString();
        if (type == QLatin1String("folder")) {
            if (depth + 1 > MaxImportDepth())
                return false;
            folder.m_children.push_back(
                CImportNode{CImportNode::Folder, NormalizeName(name), {}, {}});
            CImportNode& inner = folder.m_children.back();
            if (inner.m_name.empty())
                inner.m_name = Tr("Folder").toStdString();
            ++counts.m_folders;
            if (!ReadChromiumFolder(child, inner, counts, depth + 1))
                return false;
        } else if (type == QLatin1String("url")) {
            AddLink(folder, counts, name,
                    child.value(QLatin1String("url")).toString().toStdString());
        }
    }
    return true;
}

// ------------------------------------------------------------ Firefox

struct CPlace {
    int m_type = 0;
    qint64 m_parent = 0;
    qint64 m_position = 0;
    QString m_title;
    QString m_url;
    QString m_guid;
};

constexpr int PLACE_BOOKMARK = 1;
constexpr int PLACE_FOLDER = 2;
constexpr int PLACE_SEPARATOR = 3;

class CPlacesTree {
public:
    CPlacesTree(QHash<qint64, CPlace> places, CImportCounts& counts)
        : m_places(std::move(places)), m_counts(counts) {
        for (auto it = m_places.cbegin(); it != m_places.cend(); ++it)
            m_children[it->m_parent].push_back(it.key());
        for (auto& list : m_children)
            std::sort(list.begin(), list.end(), [this](qint64 a, qint64 b) {
                return m_places[a].m_position < m_places[b].m_position;
            });
    }

    QList<qint64> Children(qint64 id) const { return m_children.value(id); }
    const CPlace& Place(qint64 id) const { return m_places.find(id).value(); }

    // false when too deep
    bool Fill(qint64 id, CImportNode& folder, int depth) {
        for (const qint64 childId : Children(id)) {
            const CPlace& child = Place(childId);
            if (child.m_type == PLACE_SEPARATOR) {
                folder.m_children.push_back(CImportNode{CImportNode::Separator, {}, {}, {}});
                ++m_counts.m_separators;
            } else if (child.m_type == PLACE_BOOKMARK) {
                AddLink(folder, m_counts, child.m_title.toStdString(), child.m_url.toStdString());
            } else if (child.m_type == PLACE_FOLDER) {
                if (depth + 1 > MaxImportDepth())
                    return false;
                folder.m_children.push_back(CImportNode{
                    CImportNode::Folder, NormalizeName(child.m_title.toStdString()), {}, {}});
                CImportNode& inner = folder.m_children.back();
                if (inner.m_name.empty())
                    inner.m_name = Tr("Folder").toStdString();
                ++m_counts.m_folders;
                if (!Fill(childId, inner, depth + 1))
                    return false;
            }
        }
        return true;
    }

private:
    QHash<qint64, CPlace> m_places;
    QHash<qint64, QList<qint64>> m_children;
    CImportCounts& m_counts;
};

// The rows of moz_bookmarks with their urls; false with the reason when a
// query or any step of one fails (or progress cancels: error stays empty).
bool ReadPlaceRows(QSqlDatabase& db, QHash<qint64, CPlace>* places, QString* error,
                   const ProgressFn& progress) {
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT count(*) FROM moz_bookmarks")) || !query.next()) {
        *error = SqlError(query);
        return false;
    }
    const qint64 total = query.value(0).toLongLong();
    query.finish();
    if (!query.exec(
            QStringLiteral("SELECT b.id, b.type, b.parent, b.position, b.title, p.url, b.guid "
                           "FROM moz_bookmarks b LEFT JOIN moz_places p ON p.id = b.fk"))) {
        *error = SqlError(query);
        return false;
    }
    qint64 done = 0;
    while (query.next()) {
        CPlace place;
        place.m_type = query.value(1).toInt();
        place.m_parent = query.value(2).toLongLong();
        place.m_position = query.value(3).toLongLong();
        place.m_title = query.value(4).toString();
        place.m_url = query.value(5).toString();
        place.m_guid = query.value(6).toString();
        places->insert(query.value(0).toLongLong(), place);
        if (++done % 1024 == 0 && progress && !progress(done, total))
            return false;
    }
    // next() is false at the end and on a failed step alike.
    if (query.lastError().isValid()) {
        *error =
            Tr("The database is damaged (%1); %2 of its %3 bookmark rows could be read.")
                .arg(query.lastError().text(), QLocale().toString(done), QLocale().toString(total));
        return false;
    }
    if (done != total) {
        *error = Tr("The database is damaged; %1 of its %2 bookmark rows could be read.")
                     .arg(QLocale().toString(done), QLocale().toString(total));
        return false;
    }
    return true;
}

// Reads the rows of moz_bookmarks (with their urls) from the database at path.
// Every step's error counts: a damaged database ends the row loop early, and
// what was read by then is no profile's bookmarks, so nothing is kept.
bool ReadPlaces(const QString& path, QHash<qint64, CPlace>* places, QString* error,
                const ProgressFn& progress) {
    static std::atomic<int> serial{0};
    const QString connection = QStringLiteral("qb-places-%1").arg(++serial);
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        if (!db.isValid()) {
            *error = Tr("Reading Firefox bookmarks needs Qt's SQLite driver (libqt6sql6-sqlite).");
        } else if (!db.open()) {
            *error = db.lastError().text();
        } else {
            ok = ReadPlaceRows(db, places, error, progress);
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(connection);
    return ok;
}

// ------------------------------------------------------------ finding profiles

QJsonObject ReadJsonObject(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

void FindChromium(const QString& base, const QString& browser, QList<CBrowserProfile>* found) {
    const QDir dir(base);
    if (!dir.exists())
        return;
    // The names the browser shows for its profile folders.
    const QJsonObject names = ReadJsonObject(dir.filePath(QStringLiteral("Local State")))
                                  .value(QLatin1String("profile"))
                                  .toObject()
                                  .value(QLatin1String("info_cache"))
                                  .toObject();
    QStringList folders = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& folder : folders) {
        const QString file = dir.filePath(folder + QStringLiteral("/Bookmarks"));
        if (!QFileInfo(file).isFile())
            continue;
        QString profile = names.value(folder).toObject().value(QLatin1String("name")).toString();
        if (profile.isEmpty())
            profile = folder;
        found->append({CBrowserProfile::Chromium, browser, profile, file});
    }
}

void FindFirefox(const QString& base, const QString& browser, QList<CBrowserProfile>* found) {
    const QString ini = base + QStringLiteral("/profiles.ini");
    if (!QFileInfo(ini).isFile())
        return;
    QSettings settings(ini, QSettings::IniFormat);
    QStringList groups = settings.childGroups();
    std::sort(groups.begin(), groups.end());
    for (const QString& group : groups) {
        if (!group.startsWith(QLatin1String("Profile")))
            continue;
        settings.beginGroup(group);
        const QString name = settings.value(QStringLiteral("Name")).toString();
        QString path = settings.value(QStringLiteral("Path")).toString();
        if (settings.value(QStringLiteral("IsRelative"), 1).toInt() != 0)
            path = base + QLatin1Char('/') + path;
        settings.endGroup();
        const QString places = path + QStringLiteral("/places.sqlite");
        if (QFileInfo(places).isFile())
            found->append(
                {CBrowserProfile::Firefox, browser, name.isEmpty() ? group : name, places});
    }
}

} // namespace

CImportResult ReadChromiumBookmarks(const QByteArray& json) {
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    const QJsonObject roots = document.object().value(QLatin1String("roots")).toObject();
    if (parseError.error != QJsonParseError::NoError || roots.isEmpty())
        return Failed(Tr("This is not a browser's bookmarks file."));

    CImportResult result;
    static const char* const rootNames[][2] = {{"bookmark_bar", "Bookmarks bar"},
                                               {"other", "Other bookmarks"},
                                               {"synced", "Mobile bookmarks"}};
    for (const auto& root : rootNames) {
        const QJsonObject node = roots.value(QLatin1String(root[0])).toObject();
        if (node.value(QLatin1String("children")).toArray().isEmpty())
            continue;
        CImportNode folder{
            CImportNode::Folder,
            NormalizeName(node.value(QLatin1String("name")).toString().toStdString()),
            {},
            {}};
        if (folder.m_name.empty())
            folder.m_name = Tr(root[1]).toStdString();
        if (!ReadChromiumFolder(node, folder, result.m_counts, 1))
            return Failed(DepthError());
        result.m_root.m_children.push_back(std::move(folder));
        ++result.m_counts.m_folders;
    }
    if (result.m_root.m_children.empty())
        return Failed(Tr("The profile holds no bookmarks."));
    return result;
}

CImportResult ReadFirefoxPlaces(const QString& path, const ProgressFn& progress) {
    // A copy, with the write-ahead log beside it under the same name, so the
    // browser's lock and its latest changes are both taken care of.
    QTemporaryDir scratch;
    if (!scratch.isValid())
        return Failed(Tr("Cannot make a temporary folder: %1").arg(scratch.errorString()));
    const QString copy = scratch.filePath(QStringLiteral("places.sqlite"));
    if (!QFile::copy(path, copy))
        return Failed(Tr("Cannot read %1").arg(QDir::toNativeSeparators(path)));
    // Without its log the database would be read as it was some time ago.
    const QString log = path + QStringLiteral("-wal");
    if (QFileInfo::exists(log) && !QFile::copy(log, copy + QStringLiteral("-wal")))
        return Failed(Tr("Cannot read %1").arg(QDir::toNativeSeparators(log)));

    QHash<qint64, CPlace> places;
    QString error;
    if (!ReadPlaces(copy, &places, &error, progress)) {
        if (error.isEmpty()) {
            CImportResult cancelled;
            cancelled.m_status = CImportResult::Cancelled;
            return cancelled;
        }
        return Failed(
            Tr("Cannot read the bookmarks in %1: %2").arg(QDir::toNativeSeparators(path), error));
    }

    CImportResult result;
    CPlacesTree tree(std::move(places), result.m_counts);
    qint64 rootId = -1;
    for (const qint64 id : tree.Children(0))
        if (tree.Place(id).m_guid == QLatin1String("root________"))
            rootId = id;
    if (rootId < 0)
        return Failed(Tr("This is not a browser's bookmarks file."));

    static const char* const rootNames[][2] = {{"menu________", "Bookmarks Menu"},
                                               {"toolbar_____", "Bookmarks Toolbar"},
                                               {"unfiled_____", "Other Bookmarks"},
                                               {"mobile______", "Mobile Bookmarks"}};
    const QList<qint64> top = tree.Children(rootId);
    for (const auto& root : rootNames) {
        for (const qint64 id : top) {
            if (tree.Place(id).m_guid != QLatin1String(root[0]) || tree.Children(id).isEmpty())
                continue;
            CImportNode folder{CImportNode::Folder, Tr(root[1]).toStdString(), {}, {}};
            if (!tree.Fill(id, folder, 1))
                return Failed(DepthError());
            result.m_root.m_children.push_back(std::move(folder));
            ++result.m_counts.m_folders;
        }
    }
    for (const qint64 id : top)
        if (tree.Place(id).m_guid == QLatin1String("tags________"))
            result.m_counts.m_tags += static_cast<int>(tree.Children(id).size());
    if (result.m_root.m_children.empty())
        return Failed(Tr("The profile holds no bookmarks."));
    return result;
}

CImportResult ReadBrowserProfile(const CBrowserProfile& profile, const ProgressFn& progress) {
    if (profile.m_format == CBrowserProfile::Firefox)
        return ReadFirefoxPlaces(profile.m_path, progress);
    QFile file(profile.m_path);
    if (!file.open(QIODevice::ReadOnly))
        return Failed(Tr("Cannot read %1: %2")
                          .arg(QDir::toNativeSeparators(profile.m_path), file.errorString()));
    return ReadChromiumBookmarks(file.readAll());
}

QList<CBrowserProfile> FindBrowserProfiles(const QString& home, const QString& configHome) {
    static const char* const chromium[][2] = {
        {".config/chromium", "Chromium"},
        {".config/google-chrome", "Google Chrome"},
        {".config/google-chrome-beta", "Google Chrome Beta"},
        {".config/google-chrome-unstable", "Google Chrome Dev"},
        {".config/BraveSoftware/Brave-Browser", "Brave"},
        {".config/microsoft-edge", "Microsoft Edge"},
        {".config/microsoft-edge-beta", "Microsoft Edge Beta"},
        {".config/microsoft-edge-dev", "Microsoft Edge Dev"},
        {".config/vivaldi", "Vivaldi"},
        {"snap/chromium/common/chromium", "Chromium (snap)"},
        {"snap/brave/current/.config/BraveSoftware/Brave-Browser", "Brave (snap)"},
        {".var/app/org.chromium.Chromium/config/chromium", "Chromium (flatpak)"},
        {".var/app/com.google.Chrome/config/google-chrome", "Google Chrome (flatpak)"},
        {".var/app/com.brave.Browser/config/BraveSoftware/Brave-Browser", "Brave (flatpak)"},
        {".var/app/com.microsoft.Edge/config/microsoft-edge", "Microsoft Edge (flatpak)"},
        {".var/app/com.vivaldi.Vivaldi/config/vivaldi", "Vivaldi (flatpak)"},
    };
    static const char* const firefox[][2] = {
        {".mozilla/firefox", "Firefox"},
        {"snap/firefox/common/.mozilla/firefox", "Firefox (snap)"},
        {".var/app/org.mozilla.firefox/.mozilla/firefox", "Firefox (flatpak)"},
    };
    QList<CBrowserProfile> found;
    const auto below = [&](const char* path) {
        const QLatin1String relative(path);
        return relative.startsWith(QLatin1String(".config/"))
                   ? configHome + QLatin1Char('/') + relative.mid(8)
                   : home + QLatin1Char('/') + relative;
    };
    for (const auto& place : chromium)
        FindChromium(below(place[0]), QLatin1String(place[1]), &found);
    for (const auto& place : firefox)
        FindFirefox(home + QLatin1Char('/') + QLatin1String(place[0]), QLatin1String(place[1]),
                    &found);
    return found;
}

QString ConfigHome(const QString& home) {
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    return QDir::isAbsolutePath(config) ? config : home + QStringLiteral("/.config");
}

int CountBookmarks(const CImportNode& node) {
    int count = node.m_kind == CImportNode::Entry ? 1 : 0;
    for (const CImportNode& child : node.m_children)
        count += CountBookmarks(child);
    return count;
}

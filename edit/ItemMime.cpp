// SPDX-License-Identifier: MIT
#include "edit/ItemMime.h"

#include "text/TextCodec.h"
#include "tree/Archive.h"
#include "tree/Item.h"

#include <QFileInfo>
#include <QHash>
#include <QMimeData>
#include <QStringDecoder>
#include <QUrl>
#include <cstring>

const QString ITEMS_MIME_TYPE = QStringLiteral("application/x-quillbox-items");

namespace {

const QString MOZ_URL_TYPE = QStringLiteral("text/x-moz-url");

// The record tags of an item, as the data file holds them.
constexpr std::int32_t TAG_SEPARATOR = 0;
constexpr std::int32_t TAG_FOLDER = 1;
constexpr std::int32_t TAG_ENTRY = 2;

// Integers and strings in a byte array, as ITEMS_MIME_TYPE describes.
class CBytesArchive final : public CArchive {
public:
    CBytesArchive() = default; // storing
    explicit CBytesArchive(const QByteArray& bytes) : m_bLoading(true), m_bytes(bytes) {}

    bool IsLoading() const override { return m_bLoading; }
    void WriteInt(std::int32_t value) override {
        const auto v = static_cast<std::uint32_t>(value);
        const char raw[4] = {char(v & 0xff), char((v >> 8) & 0xff), char((v >> 16) & 0xff),
                             char((v >> 24) & 0xff)};
        m_bytes.append(raw, 4);
    }
    std::int32_t ReadInt() override {
        if (m_bytes.size() - m_nNext < 4)
            throw CArchiveException(CArchiveException::EndOfFile);
        std::uint32_t v = 0;
        for (int k = 3; k >= 0; --k)
            v = (v << 8) | static_cast<unsigned char>(m_bytes[m_nNext + k]);
        m_nNext += 4;
        return static_cast<std::int32_t>(v);
    }
    void WriteString(const std::string& text) override {
        WriteInt(static_cast<std::int32_t>(text.size()));
        m_bytes.append(text.data(), static_cast<qsizetype>(text.size()));
    }
    std::string ReadString() override {
        const std::int32_t count = ReadInt();
        if (count <= 0)
            return std::string();
        if (m_bytes.size() - m_nNext < count)
            throw CArchiveException(CArchiveException::EndOfFile);
        std::string text(m_bytes.constData() + m_nNext, static_cast<std::size_t>(count));
        m_nNext += count;
        return text;
    }

    // Passes over a string without copying it.
    void SkipString() {
        const std::int32_t count = ReadInt();
        if (count <= 0)
            return;
        if (m_bytes.size() - m_nNext < count)
            throw CArchiveException(CArchiveException::EndOfFile);
        m_nNext += count;
    }

    const QByteArray& Bytes() const { return m_bytes; }

private:
    bool m_bLoading = false;
    QByteArray m_bytes;
    qsizetype m_nNext = 0;
};

std::unique_ptr<CItem> MakeEntry(const QString& name, const QString& target) {
    std::string bytes = TrimWhiteSpace(BytesFromText(target));
    if (bytes.empty())
        return nullptr;
    std::string label = TrimWhiteSpace(BytesFromText(name));
    if (label.empty())
        label = bytes;
    return std::make_unique<CEntry>(std::move(label), std::move(bytes), nullptr);
}

// A local file or folder: named by its last part.
QString NameOfPath(const QString& path) {
    QString trimmed = path;
    while (trimmed.size() > 1 && trimmed.endsWith(QLatin1Char('/')))
        trimmed.chop(1);
    const QString name = QFileInfo(trimmed).fileName();
    return name.isEmpty() ? trimmed : name;
}

// text/x-moz-url: UTF-16 lines, a URL and its title, pair after pair.
struct CTitles {
    QList<QUrl> m_urls; // in the order given
    QHash<QString, QString> m_byUrl;
};

CTitles MozTitles(const QMimeData& mime) {
    CTitles titles;
    if (!mime.hasFormat(MOZ_URL_TYPE))
        return titles;
    const QByteArray raw = mime.data(MOZ_URL_TYPE);
    QString text;
    if (raw.size() >= 2 && raw.size() % 2 == 0) {
        QStringDecoder utf16(QStringDecoder::Utf16);
        text = utf16.decode(raw);
    }
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i + 1 < lines.size(); i += 2) {
        titles.m_urls.append(QUrl(lines[i].trimmed()));
        titles.m_byUrl.insert(lines[i].trimmed(), lines[i + 1].trimmed());
    }
    return titles;
}

// The message for a paste or drop over the bounds; what is the amount.
QString TooMuch(const QString& what) {
    return QStringLiteral("Nothing was inserted: what was pasted or dropped holds %1, more than "
                          "Quillbox takes at once (%2 items, %3 MB). Insert it in smaller parts.")
        .arg(what)
        .arg(MAX_DROP_ITEMS)
        .arg(MAX_DROP_BYTES >> 20);
}

// Why the format the items would be read from is over the bounds; empty
// when it is not. Only sizes and line ends are looked at.
QString OverBounds(const QMimeData& mime) {
    for (const QString& format : {ITEMS_MIME_TYPE, QStringLiteral("text/uri-list"), MOZ_URL_TYPE,
                                  QStringLiteral("text/plain")}) {
        if (!mime.hasFormat(format))
            continue;
        const QByteArray bytes = mime.data(format);
        if (bytes.size() > MAX_DROP_BYTES)
            return TooMuch(QStringLiteral("%1 MB").arg(bytes.size() >> 20));
        const qsizetype count = format == ITEMS_MIME_TYPE ? CountEncodedItems(bytes, MAX_DROP_ITEMS)
                                : format == MOZ_URL_TYPE  ? bytes.count('\n') / 4 // UTF-16 pairs
                                                          : bytes.count('\n');
        if (count > MAX_DROP_ITEMS)
            return TooMuch(QStringLiteral("more than %1 items").arg(MAX_DROP_ITEMS));
    }
    return {};
}

// The URLs of text/uri-list, or of text/x-moz-url when only that came.
QList<QUrl> DroppedUrls(const QMimeData& mime, const CTitles& titles) {
    QList<QUrl> urls = mime.hasUrls() ? mime.urls() : QList<QUrl>();
    return urls.isEmpty() ? titles.m_urls : urls;
}

} // namespace

QByteArray EncodeItems(const std::vector<const CItem*>& items) {
    CBytesArchive ar;
    ar.WriteInt(static_cast<std::int32_t>(items.size()));
    for (const CItem* item : items)
        const_cast<CItem*>(item)->Serialize(ar); // storing reads the item only
    return ar.Bytes();
}

qsizetype CountEncodedItems(const QByteArray& bytes, qsizetype limit) {
    // The walk of CFolder::Load without making a thing: each record's tag,
    // its strings skipped by their lengths, a folder's count on a stack.
    CBytesArchive ar(bytes);
    qsizetype items = 0;
    try {
        std::vector<std::int32_t> left{ar.ReadInt()};
        while (!left.empty() && items <= limit) {
            if (left.back() <= 0) {
                left.pop_back();
                continue;
            }
            --left.back();
            ++items;
            const std::int32_t tag = ar.ReadInt();
            if (tag == TAG_SEPARATOR)
                continue;
            ar.SkipString();
            if (tag == TAG_FOLDER)
                left.push_back(ar.ReadInt());
            else if (tag == TAG_ENTRY)
                ar.SkipString();
        }
    } catch (const CArchiveException&) {
        // damaged: counted as far as it reads
    }
    return items;
}

std::vector<std::unique_ptr<CItem>> DecodeItems(const QByteArray& bytes) {
    std::vector<std::unique_ptr<CItem>> items;
    CFolder holder(std::string{});
    try {
        CBytesArchive ar(bytes);
        holder.Serialize(ar);
    } catch (const CArchiveException&) {
        return items;
    }
    items.resize(static_cast<std::size_t>(holder.GetCount()));
    for (int i = holder.GetCount() - 1; i >= 0; --i)
        items[static_cast<std::size_t>(i)] = holder.Take(i);
    return items;
}

QUrl LocalFileUrl(const QByteArray& path) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(path);
    if (!utf8.hasError())
        return QUrl::fromLocalFile(text);
    // QUrl keeps a percent-encoded byte that is no UTF-8 as it is.
    return QUrl::fromEncoded("file://" + path.toPercentEncoding("/"), QUrl::StrictMode);
}

QUrl UrlFromTarget(const std::string& target) {
    if (!target.empty() && target.front() == '/')
        return LocalFileUrl(QByteArray::fromStdString(target));
    const QString text = TextFromBytes(target);
    const QUrl url(text, QUrl::StrictMode);
    return url.isValid() && !url.scheme().isEmpty() ? url : QUrl();
}

std::unique_ptr<QMimeData> MakeItemsMime(const std::vector<const CItem*>& items) {
    auto mime = std::make_unique<QMimeData>();
    mime->setData(ITEMS_MIME_TYPE, EncodeItems(items));
    QList<QUrl> urls;
    QStringList targets;
    for (const CItem* item : items) {
        const std::string target = item->GetTarget();
        if (target.empty())
            continue;
        targets.append(TextFromBytes(target));
        const QUrl url = UrlFromTarget(target);
        if (url.isValid())
            urls.append(url);
    }
    if (!urls.isEmpty())
        mime->setUrls(urls);
    if (!targets.isEmpty())
        mime->setText(targets.join(QLatin1Char('\n')));
    return mime;
}

std::vector<std::unique_ptr<CItem>> ItemsFromMime(const QMimeData& mime, QString* refusal) {
    std::vector<std::unique_ptr<CItem>> items;
    if (const QString over = OverBounds(mime); !over.isEmpty()) {
        if (refusal)
            *refusal = over;
        return items;
    }
    if (mime.hasFormat(ITEMS_MIME_TYPE)) {
        items = DecodeItems(mime.data(ITEMS_MIME_TYPE));
        if (!items.empty())
            return items;
    }
    const CTitles titles = MozTitles(mime);
    for (const QUrl& url : DroppedUrls(mime, titles)) {
        if (!url.isValid() || url.isEmpty())
            continue;
        std::unique_ptr<CItem> entry;
        if (url.isLocalFile()) {
            const QString path = url.toLocalFile();
            entry = MakeEntry(NameOfPath(path), path);
        } else {
            const QString target = url.toString();
            entry = MakeEntry(titles.m_byUrl.value(
                                  target, titles.m_byUrl.value(url.toString(QUrl::FullyEncoded))),
                              target);
        }
        if (entry)
            items.push_back(std::move(entry));
    }
    if (!items.empty() || !mime.hasText())
        return items;
    const QString text = mime.text().trimmed();
    if (text.isEmpty())
        return items;
    // One entry for the whole text; a path is named by its last part, any
    // other text by its first line.
    QString name = text.section(QLatin1Char('\n'), 0, 0).trimmed();
    if (text.startsWith(QLatin1Char('/')) && !text.contains(QLatin1Char('\n')))
        name = NameOfPath(text);
    if (auto entry = MakeEntry(name, text))
        items.push_back(std::move(entry));
    return items;
}

bool AcceptsMime(const QMimeData& mime) {
    return mime.hasFormat(ITEMS_MIME_TYPE) || mime.hasUrls() || mime.hasFormat(MOZ_URL_TYPE) ||
           mime.hasText();
}

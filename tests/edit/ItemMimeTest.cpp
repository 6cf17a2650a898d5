// SPDX-License-Identifier: MIT
#include "edit/ItemMime.h"

#include "edit/EditKeys.h"
#include "tree/Item.h"
#include "tree/Menu.h"
#include "tree/MenuResource.h"

#include <QMimeData>
#include <QUrl>
#include <functional>
#include <gtest/gtest.h>

namespace {

// An item as "kind name|target", a folder with its content in braces.
std::string Describe(const CItem& item) {
    if (item.IsSeparator())
        return "-";
    if (auto* entry = dynamic_cast<const CEntry*>(&item))
        return (entry->IsBlank() ? "B " : "E ") + item.GetName() + "|" + entry->GetTarget();
    std::string out = "F " + item.GetName() + "{";
    for (int i = 0; i < item.GetCount(); ++i)
        out += (i ? "," : "") + Describe(*item.GetChild(i));
    return out + "}";
}

std::vector<std::string> Describe(const std::vector<std::unique_ptr<CItem>>& items) {
    std::vector<std::string> out;
    out.reserve(items.size());
    for (const auto& item : items)
        out.push_back(Describe(*item));
    return out;
}

QByteArray Utf16(const QString& text) {
    return QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
}

QByteArray SampleItems() {
    CFolder folder("Folder");
    folder.Append(std::make_unique<CEntry>("inner", "http://inner", nullptr));
    folder.Append(std::make_unique<CItem>(SEPARATOR_TEXT));
    folder.Append(std::make_unique<CEntry>("blank", std::string(), &folder));
    CEntry entry("Entry", "/home/u/file.txt", nullptr);
    return EncodeItems({&folder, &entry});
}

struct CDropCase {
    const char* m_what;
    std::function<void(QMimeData&)> m_fill;
    std::vector<std::string> m_items;
    bool m_accepted = true; // offered to a drop at all
};

class DropTest : public ::testing::TestWithParam<CDropCase> {};

TEST_P(DropTest, makesTheseItems) {
    QMimeData mime;
    GetParam().m_fill(mime);
    EXPECT_EQ(AcceptsMime(mime), GetParam().m_accepted);
    EXPECT_EQ(Describe(ItemsFromMime(mime)), GetParam().m_items);
}

const std::string LONG_TEXT = "http://long.example/" + std::string(100000, 'q');

INSTANTIATE_TEST_SUITE_P(
    Mime, DropTest,
    ::testing::ValuesIn(std::vector<CDropCase>{
        {"link",
         [](QMimeData& m) { m.setUrls({QUrl("https://a.example/x?y=1")}); },
         {"E https://a.example/x?y=1|https://a.example/x?y=1"}},
        {"link with title",
         [](QMimeData& m) {
             m.setUrls({QUrl("https://a.example/")});
             m.setData("text/x-moz-url", Utf16("https://a.example/\nA \xc3\xa9 page"));
         },
         {"E A \xc3\xa9 page|https://a.example/"}},
        {"title and link alone",
         [](QMimeData& m) {
             m.setData("text/x-moz-url", Utf16("https://b.example/\nB\nhttps://c.example/\nC"));
         },
         {"E B|https://b.example/", "E C|https://c.example/"}},
        {"files and a folder",
         [](QMimeData& m) {
             m.setUrls({QUrl::fromLocalFile("/home/u/notes.txt"), QUrl("file:///home/u/Music/")});
         },
         {"E notes.txt|/home/u/notes.txt", "E Music|/home/u/Music/"}},
        {"text that is a link",
         [](QMimeData& m) { m.setText("  https://t.example/  "); },
         {"E https://t.example/|https://t.example/"}},
        {"text that is a path",
         [](QMimeData& m) { m.setText("/srv/data/report.pdf"); },
         {"E report.pdf|/srv/data/report.pdf"}},
        {"text of two lines",
         [](QMimeData& m) { m.setText("first line\nsecond"); },
         {"E first line|first line\nsecond"}},
        {"text of any length",
         [](QMimeData& m) { m.setText(QString::fromStdString(LONG_TEXT)); },
         {"E " + LONG_TEXT + "|" + LONG_TEXT}},
        {"white space only", [](QMimeData& m) { m.setText(" \n\t "); }, {}},
        {"an image",
         [](QMimeData& m) { m.setData("image/png", QByteArray("\x89PNG", 4)); },
         {},
         false},
        {"the tree's items",
         [](QMimeData& m) {
             m.setData(ITEMS_MIME_TYPE, SampleItems());
             m.setText("ignored");
         },
         {"F Folder{E inner|http://inner,-,B blank|}", "E Entry|/home/u/file.txt"}},
        {"damaged items fall back to the text",
         [](QMimeData& m) {
             m.setData(ITEMS_MIME_TYPE, SampleItems().left(30));
             m.setText("http://rest");
         },
         {"E http://rest|http://rest"}},
        {"damaged items alone",
         [](QMimeData& m) { m.setData(ITEMS_MIME_TYPE, "\xff\xff\xff\x7f"); },
         {}},
    }),
    [](const ::testing::TestParamInfo<CDropCase>& row) {
        std::string name = row.param.m_what;
        for (char& c : name)
            if (!std::isalnum(static_cast<unsigned char>(c)))
                c = '_';
        return name;
    });

TEST(ItemsMime, entriesGoOutAsUrlsAndText) {
    CEntry web("Web", "https://w.example/p", nullptr);
    CEntry file("File", "/home/u/a b.txt", nullptr);
    CFolder folder("Folder");
    const std::unique_ptr<QMimeData> mime = MakeItemsMime({&web, &file, &folder});
    EXPECT_EQ(mime->urls(),
              (QList<QUrl>{QUrl("https://w.example/p"), QUrl::fromLocalFile("/home/u/a b.txt")}));
    EXPECT_EQ(mime->text(), QStringLiteral("https://w.example/p\n/home/u/a b.txt"));
    EXPECT_EQ(Describe(ItemsFromMime(*mime)),
              (std::vector<std::string>{"E Web|https://w.example/p", "E File|/home/u/a b.txt",
                                        "F Folder{}"}));

    const std::unique_ptr<QMimeData> folderOnly = MakeItemsMime({&folder});
    EXPECT_FALSE(folderOnly->hasUrls());
    EXPECT_FALSE(folderOnly->hasText());
}

// Little-endian words, as the items format holds them.
QByteArray Words(std::initializer_list<std::int32_t> words) {
    QByteArray bytes;
    for (std::int32_t w : words)
        for (int k = 0; k < 4; ++k)
            bytes.append(char((std::uint32_t(w) >> (8 * k)) & 0xff));
    return bytes;
}

// count separators at the top, or inside one folder.
QByteArray Separators(qsizetype count, bool inFolder) {
    QByteArray bytes = inFolder ? Words({1, 1, 1}) + "F" + Words({std::int32_t(count)})
                                : Words({std::int32_t(count)});
    bytes.append(Words({0}).repeated(count));
    return bytes;
}

struct CBoundCase {
    const char* m_what;
    QString m_format;
    std::function<QByteArray()> m_bytes;
    bool m_refused;
    std::size_t m_items = 0; // what comes when not refused
};

// Data as the desktop's clipboard hands it over: bytes, parsed only when asked.
class CRawMime final : public QMimeData {
public:
    CRawMime(QString format, QByteArray bytes)
        : m_strFormat(std::move(format)), m_bytes(std::move(bytes)) {}
    QStringList formats() const override { return {m_strFormat}; }
    bool hasFormat(const QString& format) const override { return format == m_strFormat; }

protected:
    QVariant retrieveData(const QString& format, QMetaType) const override {
        return format == m_strFormat ? QVariant(m_bytes) : QVariant();
    }

private:
    QString m_strFormat;
    QByteArray m_bytes;
};

class BoundTest : public ::testing::TestWithParam<CBoundCase> {};

// One paste or drop is bounded in items and bytes before anything is made.
TEST_P(BoundTest, refusesTooMuchWhole) {
    const CRawMime mime(GetParam().m_format, GetParam().m_bytes());
    QString refusal;
    const auto items = ItemsFromMime(mime, &refusal);
    EXPECT_EQ(!refusal.isEmpty(), GetParam().m_refused) << refusal.toStdString();
    if (GetParam().m_refused) {
        EXPECT_TRUE(items.empty());
        EXPECT_TRUE(refusal.startsWith(QStringLiteral("Nothing was inserted: what was pasted or "
                                                      "dropped holds ")));
    } else {
        EXPECT_EQ(items.size(), GetParam().m_items);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Bounds, BoundTest,
    ::testing::ValuesIn(std::vector<CBoundCase>{
        {"items40MB", ITEMS_MIME_TYPE, [] { return Separators(10'000'000, false); }, true},
        {"itemsAtTheBound", ITEMS_MIME_TYPE, [] { return Separators(MAX_DROP_ITEMS, false); },
         false, std::size_t(MAX_DROP_ITEMS)},
        {"itemsOneOver", ITEMS_MIME_TYPE, [] { return Separators(MAX_DROP_ITEMS + 1, false); },
         true},
        {"nestedOver", ITEMS_MIME_TYPE, [] { return Separators(MAX_DROP_ITEMS, true); }, true},
        {"damagedCount", ITEMS_MIME_TYPE,
         [] {
             return Words({2'000'000'000, 0});
         },
         false},
        {"uriList40MB", QStringLiteral("text/uri-list"),
         [] { return QByteArray("https://a.example/\r\n").repeated(2'000'000); }, true},
        {"uriListFew", QStringLiteral("text/uri-list"),
         [] { return QByteArray("https://a.example/\r\nhttps://b.example/\r\n"); }, false, 2},
        {"uriListLines", QStringLiteral("text/uri-list"),
         [] { return QByteArray("http://a/\n").repeated(MAX_DROP_ITEMS + 1); }, true},
        {"text40MB", QStringLiteral("text/plain"), [] { return QByteArray(40 << 20, 'x'); }, true},
    }),
    [](const ::testing::TestParamInfo<CBoundCase>& row) { return std::string(row.param.m_what); });

TEST(ItemsMime, aLocalPathGoesOutAsItsOwnBytes) {
    EXPECT_EQ(UrlFromTarget("/tmp/t-\xff\xfe").toEncoded(), "file:///tmp/t-%FF%FE");
    EXPECT_EQ(UrlFromTarget("/tmp/caf\xc3\xa9 #1").toEncoded(), "file:///tmp/caf%C3%A9%20%231");
    const std::unique_ptr<QMimeData> mime =
        MakeItemsMime({std::make_unique<CEntry>("T", "/tmp/t-\xff\xfe", nullptr).get()});
    ASSERT_EQ(mime->urls().size(), 1);
    EXPECT_EQ(mime->urls()[0].toEncoded(), "file:///tmp/t-%FF%FE");
}

TEST(ItemsMime, countsNestedItemsWithoutMakingThem) {
    CFolder top("Top");
    auto inner = std::make_unique<CFolder>("Inner");
    inner->Append(std::make_unique<CEntry>("A", "https://a.example/", nullptr));
    inner->Append(std::make_unique<CItem>(SEPARATOR_TEXT));
    top.Append(std::move(inner));
    CEntry blank("Blank", "", nullptr);
    const QByteArray bytes = EncodeItems({&top, &blank});
    EXPECT_EQ(CountEncodedItems(bytes, 100), 5);
    EXPECT_EQ(CountEncodedItems(bytes, 2), 3); // stops past the limit
    EXPECT_EQ(CountEncodedItems(bytes.left(bytes.size() - 3), 100), 5);
}

struct CKeyCase {
    QKeyCombination m_key;
    unsigned m_id;
};

class KeyTest : public ::testing::TestWithParam<CKeyCase> {};

TEST_P(KeyTest, givesThisCommand) {
    EXPECT_EQ(CommandForKey(GetParam().m_key), GetParam().m_id);
}

INSTANTIATE_TEST_SUITE_P(Keys, KeyTest,
                         ::testing::ValuesIn(std::vector<CKeyCase>{
                             {Qt::Key_Delete, ID_OP_DELETE},
                             {Qt::KeypadModifier | Qt::Key_Delete, ID_OP_DELETE},
                             {Qt::Key_Insert, ID_OP_INSERT},
                             {Qt::ControlModifier | Qt::Key_Up, ID_OP_UP},
                             {Qt::ControlModifier | Qt::Key_Down, ID_OP_DOWN},
                             {Qt::ControlModifier | Qt::Key_Left, ID_COLUMNS_UP},
                             {Qt::ControlModifier | Qt::Key_Right, ID_COLUMNS_DOWN},
                             {Qt::ControlModifier | Qt::Key_X, ID_OP_CUT},
                             {Qt::ControlModifier | Qt::Key_C, ID_OP_COPY},
                             {Qt::ControlModifier | Qt::Key_V, ID_OP_PASTE},
                             {Qt::ShiftModifier | Qt::Key_Delete, ID_OP_CUT},
                             {Qt::ControlModifier | Qt::Key_Insert, ID_OP_COPY},
                             {Qt::ShiftModifier | Qt::Key_Insert, ID_OP_PASTE},
                             {Qt::ControlModifier | Qt::Key_Z, ID_OP_UNDO},
                             {Qt::ControlModifier | Qt::ShiftModifier | Qt::Key_Z, ID_OP_REDO},
                             {Qt::ControlModifier | Qt::Key_Y, ID_OP_REDO},
                             // The list's own keys and the keys that do nothing on purpose.
                             {Qt::Key_F2, 0},
                             {Qt::Key_Up, 0},
                             {Qt::Key_Escape, 0},
                             {Qt::Key_Return, 0},
                             {Qt::Key_Enter, 0},
                             {Qt::AltModifier | Qt::Key_Delete, 0},
                             {Qt::Key_Z, 0},
                         }));

// The "OP" pop-up keeps its items; the new ones follow a separator line, and
// every mnemonic stays unique.
TEST(EditMenu, newCommandsFollowTheOwnItems) {
    std::unique_ptr<CMenu> menu = MakeEditMenu();
    const int own = menu->GetMenuItemCount();
    AppendEditCommands(*menu);
    ASSERT_EQ(menu->GetMenuItemCount(), own + 7);
    EXPECT_EQ(menu->GetItem(own)->m_kind, CMenu::EKind::Separator);
    std::vector<unsigned> ids;
    std::string mnemonics;
    for (int i = 0; i < menu->GetMenuItemCount(); ++i) {
        const CMenu::CMenuItem* item = menu->GetItem(i);
        if (i >= own + 1)
            ids.push_back(item->m_id);
        const std::size_t amp = item->m_text.find('&');
        if (amp != std::string::npos) {
            const char key = char(std::tolower(static_cast<unsigned char>(item->m_text[amp + 1])));
            EXPECT_EQ(mnemonics.find(key), std::string::npos) << item->m_text;
            mnemonics += key;
        }
    }
    EXPECT_EQ(ids, (std::vector<unsigned>{ID_OP_CUT, ID_OP_COPY, ID_OP_PASTE, ID_OP_SORT,
                                          ID_OP_UNDO, ID_OP_REDO}));
}

} // namespace

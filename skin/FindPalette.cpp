// SPDX-License-Identifier: MIT
#include "skin/FindPalette.h"

#include "skin/LeatherPanel.h"
#include "text/TextCodec.h"
#include "tree/Item.h"
#include "tree/TextFold.h"

#include <QAbstractListModel>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QTextLayout>
#include <limits>
#include <optional>

namespace {

// The skin's colours: leather, brass, paper and ink.
const QColor PAPER(0xfa, 0xf4, 0xe2);
const QColor PAPER_WARM(0xf4, 0xec, 0xd6);
const QColor PAPER_SHADE(0xd9, 0xc9, 0xa4);
const QColor INK(0x2c, 0x22, 0x18);
const QColor INK_SOFT(0x8a, 0x76, 0x5c);
const QColor BRASS(0xc9, 0xa2, 0x55);
const QColor BRASS_DARK(0x86, 0x64, 0x2a);
const QColor BRASS_LIGHT(0xf2, 0xdc, 0xa0);
const QColor CREAM(0xf7, 0xea, 0xcb);
const QColor BLUE(0x2d, 0x5a, 0x92);
const QColor MARK(0xf0, 0xc8, 0x6a);

constexpr QSize PALETTE_SIZE(460, 372);
constexpr int MARGIN = 14;
constexpr int BUTTON = 22;       // the reveal button's side
constexpr int SHOWN_TEXT = 1000; // characters of a long target shown in a row

QString Count(std::size_t n) {
    return QLocale(QLocale::English).toString(static_cast<qulonglong>(n));
}

} // namespace

// ------------------------------------------------------------------ the rows

class CFindModel final : public QAbstractListModel {
public:
    struct CRow {
        QString m_name, m_path, m_target;
        std::vector<std::pair<int, int>> m_nameMarks, m_targetMarks;
        bool m_folder = false;
        int m_children = 0;
    };

    CFindModel(const CTreeSearch& search, const CItem* top, QObject* parent)
        : QAbstractListModel(parent), m_search(search), m_pTop(top) {}

    void SetMatches(std::vector<CTreeSearch::CMatch> matches) {
        beginResetModel();
        m_matches = std::move(matches);
        m_rows.assign(m_matches.size(), std::nullopt);
        m_words = m_search.GetWords();
        endResetModel();
    }

    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_matches.size());
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= rowCount(QModelIndex()))
            return {};
        if (role == Qt::DisplayRole)
            return RowAt(index.row()).m_name;
        if (role == Qt::ToolTipRole)
            return RowAt(index.row()).m_target;
        return {};
    }

    std::uint32_t RecordAt(int row) const {
        return m_matches[static_cast<std::size_t>(row)].m_record;
    }

    // Made when first shown: only the rows on screen cost anything.
    const CRow& RowAt(int row) const {
        std::optional<CRow>& made = m_rows[static_cast<std::size_t>(row)];
        if (made)
            return *made;
        made.emplace();
        std::vector<const CItem*> folders;
        const CItem* item = m_pTop ? m_search.Locate(*m_pTop, RecordAt(row), &folders) : nullptr;
        if (!item)
            return *made; // the tree changed under the palette: an empty row
        made->m_name = TextFromBytes(item->GetName());
        made->m_nameMarks = MarkWords(item->GetName(), m_words);
        for (const CItem* folder : folders) {
            if (!made->m_path.isEmpty())
                made->m_path += QStringLiteral(" \u203a ");
            made->m_path += TextFromBytes(folder->GetName());
        }
        made->m_folder = item->GetCount() >= 0;
        if (made->m_folder) {
            made->m_children = item->GetCount();
        } else {
            const std::string target = item->GetTarget();
            made->m_target = TextFromBytes(target).left(SHOWN_TEXT);
            made->m_targetMarks = MarkWords(target, m_words);
        }
        return *made;
    }

private:
    const CTreeSearch& m_search;
    const CItem* m_pTop;
    std::vector<CTreeSearch::CMatch> m_matches;
    std::vector<std::string> m_words;
    mutable std::vector<std::optional<CRow>> m_rows;
};

namespace {

QRect ButtonRect(const QRect& row) {
    return QRect(row.right() - BUTTON - 6, row.center().y() - BUTTON / 2 + 1, BUTTON, BUTTON);
}

// Draws text from the left of box, the marked ranges bold on a brass ground,
// cut with an ellipsis where it does not fit. Returns the width used.
int DrawMarked(QPainter& p, const QRect& box, const QString& text,
               const std::vector<std::pair<int, int>>& marks, const QFont& font,
               const QColor& colour, const QColor& ground) {
    if (text.isEmpty() || box.width() <= 0)
        return 0;
    QTextLayout layout(text, font);
    QList<QTextLayout::FormatRange> formats;
    for (const auto& [begin, end] : marks) {
        if (begin >= text.size())
            continue;
        QTextLayout::FormatRange range;
        range.start = begin;
        range.length = std::min<int>(end, static_cast<int>(text.size())) - begin;
        range.format.setFontWeight(QFont::Bold);
        range.format.setBackground(MARK);
        formats << range;
    }
    layout.setFormats(formats);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    if (!line.isValid()) {
        layout.endLayout();
        return 0;
    }
    line.setLineWidth(std::numeric_limits<int>::max() / 4.0);
    layout.endLayout();
    const int natural = static_cast<int>(std::ceil(line.naturalTextWidth()));
    p.save();
    p.setClipRect(box);
    p.setPen(colour);
    const qreal y = box.top() + (box.height() - line.height()) / 2;
    layout.draw(&p, QPointF(box.left(), y));
    p.restore();
    if (natural <= box.width())
        return natural;
    const QFontMetrics metrics(font);
    const QString ellipsis(QChar(0x2026));
    const int w = metrics.horizontalAdvance(ellipsis) + 4;
    const QRect cover(box.right() - w + 1, box.top(), w, box.height());
    p.fillRect(cover, ground);
    p.setPen(colour);
    p.setFont(font);
    p.drawText(cover, Qt::AlignRight | Qt::AlignVCenter, ellipsis);
    return box.width();
}

// A folder: a brass folder shape; an entry: the skin's blue ribbon.
void DrawGlyph(QPainter& p, const QRect& box, bool folder) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF c = QRectF(box).center();
    if (folder) {
        QPainterPath tab;
        tab.addRoundedRect(QRectF(c.x() - 7, c.y() - 6, 7, 4), 1.5, 1.5);
        p.fillPath(tab, BRASS_DARK);
        QPainterPath body;
        body.addRoundedRect(QRectF(c.x() - 7, c.y() - 4, 14, 10), 2, 2);
        p.fillPath(body, BRASS);
        p.setPen(QPen(BRASS_DARK, 1));
        p.drawPath(body);
    } else {
        QPainterPath ribbon;
        ribbon.moveTo(c.x() - 4, c.y() - 7);
        ribbon.lineTo(c.x() + 4, c.y() - 7);
        ribbon.lineTo(c.x() + 4, c.y() + 7);
        ribbon.lineTo(c.x(), c.y() + 3.5);
        ribbon.lineTo(c.x() - 4, c.y() + 7);
        ribbon.closeSubpath();
        p.fillPath(ribbon, BLUE);
    }
    p.restore();
}

// The reveal button: three small columns, the last one lit.
void DrawRevealButton(QPainter& p, const QRect& box, bool selected) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(selected ? BRASS_DARK : PAPER_SHADE, 1));
    p.setBrush(selected ? CREAM : PAPER);
    p.drawRoundedRect(QRectF(box).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
    for (int i = 0; i < 3; ++i) {
        const QRectF column(box.left() + 4.5 + i * 5, box.top() + 6, 4, box.height() - 12);
        p.setPen(Qt::NoPen);
        p.setBrush(i == 2 ? BLUE : (selected ? BRASS_DARK : INK_SOFT));
        p.drawRoundedRect(column, 1, 1);
    }
    p.restore();
}

class CFindRowDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override {
        const QFontMetrics name(option.font);
        const QFontMetrics small(SmallFont(option.font));
        return QSize(100, name.height() + small.height() + 10);
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const auto* model = static_cast<const CFindModel*>(index.model());
        const CFindModel::CRow& row = model->RowAt(index.row());
        QPainter& p = *painter;
        const QRect r = option.rect;
        const bool selected = option.state & QStyle::State_Selected;
        const QColor ground = selected ? BRASS_LIGHT : (index.row() % 2 ? PAPER_WARM : PAPER);
        p.fillRect(r, ground);
        if (selected)
            p.fillRect(QRect(r.left(), r.top(), 3, r.height()), BRASS_DARK);
        p.setPen(PAPER_SHADE);
        p.drawLine(r.bottomLeft(), r.bottomRight());

        DrawGlyph(p, QRect(r.left() + 6, r.top(), 18, r.height()), row.m_folder);
        const QRect button = ButtonRect(r);
        DrawRevealButton(p, button, selected);

        const QFont nameFont = option.font;
        const QFont small = SmallFont(option.font);
        const int left = r.left() + 30;
        const int right = button.left() - 8;
        const int nameHeight = QFontMetrics(nameFont).height();
        const QRect line1(left, r.top() + 4, right - left, nameHeight);
        const QRect line2(left, line1.bottom() + 2, right - left,
                          r.bottom() - 4 - line1.bottom() - 2);

        const int used = DrawMarked(p, line1, row.m_name, row.m_nameMarks, nameFont, INK, ground);
        if (!row.m_path.isEmpty() && used + 24 < line1.width()) {
            const QRect rest(line1.left() + used + 10, line1.top(), line1.width() - used - 10,
                             line1.height());
            DrawMarked(p, rest, row.m_path, {}, small, INK_SOFT, ground);
        }
        if (row.m_folder) {
            QFont italic = small;
            italic.setItalic(true);
            const QString what = row.m_children == 1
                                     ? QStringLiteral("folder, 1 item")
                                     : QStringLiteral("folder, %1 items").arg(row.m_children);
            DrawMarked(p, line2, what, {}, italic, INK_SOFT, ground);
        } else {
            DrawMarked(p, line2, row.m_target, row.m_targetMarks, small, BLUE, ground);
        }
    }

    static QFont SmallFont(QFont font) {
        if (font.pointSizeF() > 0)
            font.setPointSizeF(font.pointSizeF() * 0.88);
        else
            font.setPixelSize(std::max(8, font.pixelSize() * 7 / 8));
        return font;
    }
};

} // namespace

// --------------------------------------------------------------- the palette

CFindPalette::CFindPalette(const CItem* top, QWidget* parent)
    : QWidget(parent, Qt::Popup | Qt::FramelessWindowHint), m_pTop(top) {
    setObjectName(QStringLiteral("FindPalette"));
    setWindowTitle(QStringLiteral("Quillbox find")); // for the desktop's tools and scripts
    setAttribute(Qt::WA_DeleteOnClose);
    resize(PALETTE_SIZE);

    m_pEdit = new QLineEdit(this);
    m_pEdit->setObjectName(QStringLiteral("FindText"));
    m_pEdit->setPlaceholderText(QStringLiteral("Find a bookmark or folder"));
    m_pEdit->setMaxLength(std::numeric_limits<int>::max());
    m_pEdit->setClearButtonEnabled(false);
    m_pEdit->setStyleSheet(
        QStringLiteral("QLineEdit { background: #faf4e2; color: #2c2218; border: 1px solid #86642a;"
                       " border-radius: 5px; padding: 3px 7px; font-size: 11pt;"
                       " selection-background-color: #2d5a92; selection-color: #faf4e2; }"));
    m_pEdit->installEventFilter(this);

    m_pModel = new CFindModel(m_search, m_pTop, this);
    m_pList = new QListView(this);
    m_pList->setObjectName(QStringLiteral("FindList"));
    m_pList->setModel(m_pModel);
    m_pList->setItemDelegate(new CFindRowDelegate(m_pList));
    m_pList->setUniformItemSizes(true);
    m_pList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_pList->setFocusPolicy(Qt::NoFocus); // the keys stay in the text field
    m_pList->setStyleSheet(QStringLiteral(
        "QListView { background: #faf4e2; border: 1px solid #86642a; border-radius: 3px; }"));
    m_pList->viewport()->installEventFilter(this);
    connect(m_pList, &QListView::doubleClicked, this,
            [this](const QModelIndex& index) { Activate(index.row(), false); });

    m_pStatus = new QLabel(this);
    m_pStatus->setObjectName(QStringLiteral("FindStatus"));
    QPalette status = m_pStatus->palette();
    status.setColor(QPalette::WindowText, CREAM);
    m_pStatus->setPalette(status);

    connect(m_pEdit, &QLineEdit::textChanged, this, [this](const QString& text) { Search(text); });
    Search(QString());
}

CFindPalette::~CFindPalette() = default;

void CFindPalette::CloseAll(QWidget* parent) {
    if (!parent)
        return;
    for (CFindPalette* palette : parent->findChildren<CFindPalette*>())
        palette->close();
}

void CFindPalette::Open(const QPoint& globalPos, const QString& text) {
    if (m_pTop)
        m_search.Build(*m_pTop);
    QPoint pos = globalPos;
    if (const QScreen* screen = QGuiApplication::screenAt(globalPos)) {
        const QRect room = screen->availableGeometry();
        pos.setX(std::clamp(pos.x(), room.left(), std::max(room.left(), room.right() - width())));
        pos.setY(std::clamp(pos.y(), room.top(), std::max(room.top(), room.bottom() - height())));
    }
    move(pos);
    m_pEdit->blockSignals(true);
    m_pEdit->setText(text);
    m_pEdit->blockSignals(false);
    Search(text);
    show();
    activateWindow();
    m_pEdit->setFocus(Qt::PopupFocusReason);
}

void CFindPalette::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int w = width() - 2 * MARGIN;
    m_pEdit->setGeometry(MARGIN, MARGIN, w, 30);
    const int statusHeight = 18;
    const int listTop = MARGIN + 30 + 8;
    m_pList->setGeometry(MARGIN, listTop, w, height() - listTop - MARGIN - statusHeight - 4);
    m_pStatus->setGeometry(MARGIN + 2, height() - MARGIN - statusHeight, w - 4, statusHeight);
    // Frameless and without an alpha channel: the window is cut to its shape.
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), LEATHER_PANEL_RADIUS, LEATHER_PANEL_RADIUS);
    setMask(QRegion(shape.toFillPolygon().toPolygon()));
}

void CFindPalette::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PaintLeatherPanel(painter, rect());
}

QString CFindPalette::GetStatus() const {
    return m_pStatus->text();
}

QRect CFindPalette::RevealButtonRect(int row) const {
    return ButtonRect(m_pList->visualRect(m_pModel->index(row)));
}

void CFindPalette::Search(const QString& text) {
    // Built when the palette opens, and again when the tree has changed since.
    if (m_pTop && isVisible() && !m_search.IsCurrent())
        m_search.Build(*m_pTop);
    const CTreeSearch::CResult result = m_search.GetCount()
                                            ? m_search.Find(BytesFromText(text), SHOWN_LIMIT)
                                            : CTreeSearch::CResult{};
    m_nTotal = result.m_total;
    m_pModel->SetMatches(result.m_shown);
    if (!result.m_shown.empty())
        m_pList->setCurrentIndex(m_pModel->index(0));
    if (text.trimmed().isEmpty())
        m_pStatus->setText(QStringLiteral("Type part of a name or an address"));
    else if (m_nTotal == 0)
        m_pStatus->setText(QStringLiteral("No matches"));
    else if (m_nTotal == 1)
        m_pStatus->setText(QStringLiteral("1 match"));
    else if (m_nTotal <= result.m_shown.size())
        m_pStatus->setText(QStringLiteral("%1 matches").arg(Count(m_nTotal)));
    else
        m_pStatus->setText(QStringLiteral("%1 matches, the first %2 shown")
                               .arg(Count(m_nTotal), Count(result.m_shown.size())));
}

void CFindPalette::Move(int rows) {
    const int count = m_pModel->rowCount(QModelIndex());
    if (count == 0)
        return;
    const int now = m_pList->currentIndex().isValid() ? m_pList->currentIndex().row() : 0;
    const int next = std::clamp(now + rows, 0, count - 1);
    m_pList->setCurrentIndex(m_pModel->index(next));
}

void CFindPalette::Activate(int row, bool reveal) {
    if (row < 0 || row >= m_pModel->rowCount(QModelIndex()) || !m_pTop)
        return;
    const std::uint32_t record = m_pModel->RecordAt(row);
    const CItem* item = m_search.Locate(*m_pTop, record);
    if (!item)
        return;
    // A folder, or an entry without a target yet, can only be shown.
    const std::string target = item->GetCount() >= 0 ? std::string() : item->GetTarget();
    if (target.empty())
        reveal = true;
    const std::vector<int> rows = m_search.GetRows(record);
    // Closed first: what the choice does may open windows of its own. The
    // palette is deleted later, after this event.
    const auto open = m_onOpen;
    const auto show = m_onReveal;
    close();
    if (reveal) {
        if (show)
            show(rows);
    } else if (open) {
        open(target);
    }
}

bool CFindPalette::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_pEdit && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const int page =
            std::max(1, m_pList->viewport()->height() / std::max(1, m_pList->sizeHintForRow(0)));
        switch (key->key()) {
        case Qt::Key_Up:
            Move(-1);
            return true;
        case Qt::Key_Down:
            Move(1);
            return true;
        case Qt::Key_PageUp:
            Move(-page);
            return true;
        case Qt::Key_PageDown:
            Move(page);
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            Activate(m_pList->currentIndex().isValid() ? m_pList->currentIndex().row() : -1,
                     key->modifiers() & Qt::ControlModifier);
            return true;
        case Qt::Key_Escape:
            close();
            return true;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return true; // nowhere else to go
        default:
            break;
        }
    }
    if (watched == m_pList->viewport() && event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const QModelIndex index = m_pList->indexAt(mouse->position().toPoint());
        if (index.isValid() && mouse->button() == Qt::LeftButton &&
            RevealButtonRect(index.row()).contains(mouse->position().toPoint())) {
            Activate(index.row(), true);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// SPDX-License-Identifier: MIT
#include "skin/BookmarkListCtrl.h"

#include "skin/MenuRenderer.h"
#include "text/TextCodec.h"
#include "tree/Item.h"
#include "tree/ItemObserver.h"

#include <QDrag>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPointer>
#include <QStyledItemDelegate>
#include <limits>

namespace {

constexpr int BYTES_ROLE = Qt::UserRole + 1; // the row's text as stored

// The label editor takes a name of any length: a line edit keeps 32767
// characters by default, which would cut a longer name when it is shown
// for editing and again when it is handed back.
class CNameDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto* line = qobject_cast<QLineEdit*>(editor))
            line->setMaxLength(std::numeric_limits<int>::max());
        return editor;
    }
};

} // namespace

CBookmarkListCtrl::CBookmarkListCtrl(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setUniformItemSizes(true);
    // Names are edited through the window's Insert and Rename commands, or F2.
    setEditTriggers(QAbstractItemView::EditKeyPressed);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setContextMenuPolicy(Qt::NoContextMenu);
    setItemDelegate(new CNameDelegate(this));
    m_rowSize = RowSize();
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { ReportSelection(); });
}

CBookmarkListCtrl::~CBookmarkListCtrl() {
    if (m_pObserver && m_pObserver->GetOutput() == this)
        m_pObserver->SetOutput(nullptr);
}

void CBookmarkListCtrl::SetObserver(CItemObserver* level) {
    if (m_pObserver && m_pObserver != level && m_pObserver->GetOutput() == this)
        m_pObserver->SetOutput(nullptr);
    m_pObserver = level;
    if (level)
        level->SetOutput(this);
}

CItem* CBookmarkListCtrl::GetShownItem() const {
    return m_pObserver ? m_pObserver->GetSubject() : nullptr;
}

void CBookmarkListCtrl::MakeActive() {
    if (m_onActivate)
        m_onActivate(this);
}

// ------------------------------------------------------------------ rows

QSize CBookmarkListCtrl::RowSize() const {
    return QSize(NAME_COLUMN_WIDTH, fontMetrics().height() + 4);
}

void CBookmarkListCtrl::changeEvent(QEvent* event) {
    QListWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        m_rowSize = RowSize();
        for (int i = 0; i < count(); ++i)
            item(i)->setSizeHint(m_rowSize);
    }
}

void CBookmarkListCtrl::InsertRow(int index, const std::string& text) {
    auto* row = new QListWidgetItem(TextFromBytes(text));
    row->setData(BYTES_ROLE, QByteArray(text.data(), static_cast<qsizetype>(text.size())));
    row->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable |
                  Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled);
    // Every row as wide as the one column, so the selection spans it.
    row->setSizeHint(m_rowSize);
    ++m_nQuiet;
    insertItem(index, row);
    --m_nQuiet;
}

void CBookmarkListCtrl::DeleteAllRows() {
    ++m_nQuiet;
    clear();
    --m_nQuiet;
}

void CBookmarkListCtrl::DeleteRowQuietly(int row) {
    ++m_nQuiet;
    delete takeItem(row);
    --m_nQuiet;
}

int CBookmarkListCtrl::GetFirstSelectedRow() const {
    int first = -1;
    for (const QModelIndex& index : selectionModel()->selectedIndexes())
        if (first == -1 || index.row() < first)
            first = index.row();
    return first;
}

void CBookmarkListCtrl::SetRowSelectedFocused(int index) {
    if (index < 0 || index >= count())
        return;
    // Reported like any change of the selection (selectionChanged).
    setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
}

std::string CBookmarkListCtrl::GetRowText(int index) const {
    const QListWidgetItem* row = item(index);
    if (!row)
        return std::string();
    const QByteArray bytes = row->data(BYTES_ROLE).toByteArray();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

void CBookmarkListCtrl::ReportSelection() {
    if (m_nQuiet == 0 && m_onSelection)
        m_onSelection(this);
}

// ------------------------------------------------------------------ label editing

bool CBookmarkListCtrl::CanEditRow(int row) const {
    const CItem* shown = GetShownItem();
    if (!shown)
        return false;
    if (count() != shown->GetCount())
        return true; // the placeholder of a new entry
    const CItem* child = shown->GetChild(row);
    return child && !child->IsSeparator();
}

bool CBookmarkListCtrl::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    // Starting an editor on a row that may not be named is refused.
    if (index.isValid() && state() != QAbstractItemView::EditingState && !CanEditRow(index.row()))
        return false;
    const bool started = QListWidget::edit(index, trigger, event);
    if (started && state() == QAbstractItemView::EditingState && !m_pEditor) {
        m_nEditRow = index.row();
        m_pEditor = indexWidget(index);
        m_committed.reset();
    }
    return started;
}

void CBookmarkListCtrl::commitData(QWidget* editor) {
    // The row is not written: the tree decides what the rows become.
    if (editor != m_pEditor)
        return;
    if (auto* line = qobject_cast<QLineEdit*>(editor))
        m_committed = line->text();
}

void CBookmarkListCtrl::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint) {
    if (editor != m_pEditor) {
        QListWidget::closeEditor(editor, QAbstractItemDelegate::NoHint);
        return;
    }
    const int row = m_nEditRow;
    std::optional<QString> text = std::move(m_committed);
    m_nEditRow = -1;
    m_pEditor = nullptr;
    m_committed.reset();
    // No moving on to another row (Tab) and nothing kept from the editor.
    QListWidget::closeEditor(editor, QAbstractItemDelegate::NoHint);
    if (row >= 0)
        EndLabelEdit(row, text);
}

void CBookmarkListCtrl::EndLabelEdit(int row, const std::optional<QString>& text) {
    CItem* shown = GetShownItem();
    if (shown && count() == shown->GetCount()) {
        // An existing child: the tree trims and ignores an empty name.
        if (text && m_onName)
            m_onName(this, row, BytesFromText(*text), false);
        else if (text)
            shown->Rename(row, BytesFromText(*text));
    } else if (shown) {
        const std::string name = text ? TrimWhiteSpace(BytesFromText(*text)) : std::string();
        if (!name.empty() && m_onName)
            m_onName(this, row, name, true);
        else if (!name.empty())
            shown->Insert(row, std::make_unique<CEntry>(name, std::string(), shown));
        // A refused insert (a folder would lie too deep) leaves the
        // placeholder; shown may be gone after one that was taken.
        if (const CItem* now = GetShownItem(); name.empty() || (now && count() != now->GetCount()))
            DeleteRowQuietly(row);
    } else if (row < count()) {
        DeleteRowQuietly(row);
    }
    setFocus(Qt::OtherFocusReason);
}

// ------------------------------------------------------------------ keys

void CBookmarkListCtrl::keyPressEvent(QKeyEvent* event) {
    if (!IsEditing() && m_onKey && m_onKey(this, event->keyCombination())) {
        event->accept();
        return;
    }
    QListWidget::keyPressEvent(event);
}

// ------------------------------------------------------------------ drag and drop

void CBookmarkListCtrl::startDrag(Qt::DropActions) {
    const int row = GetFirstSelectedRow();
    if (row < 0 || !m_onDragStart)
        return;
    QMimeData* mime = m_onDragStart(this, row);
    if (!mime)
        return;
    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    drag->exec(Qt::MoveAction | Qt::CopyAction, Qt::MoveAction);
    if (m_onDragEnd)
        m_onDragEnd(this);
}

QStringList CBookmarkListCtrl::mimeTypes() const {
    return m_dropTypes;
}

Qt::DropActions CBookmarkListCtrl::supportedDropActions() const {
    return Qt::MoveAction | Qt::CopyAction | Qt::LinkAction;
}

void CBookmarkListCtrl::dragEnterEvent(QDragEnterEvent* event) {
    if (!m_onDrop || !m_onCanDrop || !m_onCanDrop(this, event->mimeData())) {
        event->ignore();
        return;
    }
    QListWidget::dragEnterEvent(event);
    event->acceptProposedAction();
}

void CBookmarkListCtrl::dragMoveEvent(QDragMoveEvent* event) {
    if (!m_onDrop || !m_onCanDrop || !m_onCanDrop(this, event->mimeData())) {
        event->ignore();
        return;
    }
    // The view draws the line between rows or the frame on a row.
    QListWidget::dragMoveEvent(event);
    event->acceptProposedAction();
}

void CBookmarkListCtrl::dropEvent(QDropEvent* event) {
    const QPoint pos = event->position().toPoint();
    const QModelIndex index = indexAt(pos);
    int row = count();
    bool onto = false;
    if (index.isValid()) {
        // As the view shows it: near a row's edge between rows, else on it.
        const QRect rect = visualRect(index);
        const int margin = qBound(2, qRound(qreal(rect.height()) / 5.5), 12);
        row = index.row();
        if (pos.y() - rect.top() < margin) {
        } else if (rect.bottom() - pos.y() < margin) {
            ++row;
        } else {
            onto = true;
        }
    }
    // The rows are the tree's: the view itself never moves or adds any.
    setState(QAbstractItemView::NoState);
    viewport()->update();
    if (m_onDrop && m_onDrop(this, event->mimeData(), row, onto)) {
        event->setDropAction(Qt::CopyAction); // the source keeps its rows
        event->accept();
    } else {
        event->ignore();
    }
}

// ------------------------------------------------------------------ mouse and focus

void CBookmarkListCtrl::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton || event->button() == Qt::RightButton)
        MakeActive();
    const QPoint pos = event->position().toPoint();
    if (!indexAt(pos).isValid() && event->button() != Qt::MiddleButton) {
        // A press beside the rows deselects, as a list view does.
        clearSelection();
    }
    QListWidget::mousePressEvent(event);
    if (event->button() == Qt::RightButton && m_pEditMenu) {
        const QPointer<CBookmarkListCtrl> self(this);
        const unsigned id = TrackPopupMenu(*m_pEditMenu, event->globalPosition().toPoint(), this);
        if (self && id != 0 && m_onMenuCommand)
            QMetaObject::invokeMethod(
                this,
                [this, id] {
                    if (m_onMenuCommand)
                        m_onMenuCommand(this, id);
                },
                Qt::QueuedConnection);
    }
}

void CBookmarkListCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
    // The list itself never sees the double click (no editing, no
    // activation): it means Go, posted so that the click finishes first.
    event->accept();
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_onGo)
                m_onGo(this);
        },
        Qt::QueuedConnection);
}

void CBookmarkListCtrl::focusInEvent(QFocusEvent* event) {
    QListWidget::focusInEvent(event);
    if (m_onFocusIn)
        m_onFocusIn(this);
}

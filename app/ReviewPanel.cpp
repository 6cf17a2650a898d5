// SPDX-License-Identifier: MIT
#include "app/ReviewPanel.h"

#include "app/TidyActions.h"
#include "check/Duplicates.h"
#include "edit/TreeEditor.h"
#include "skin/LeatherPanel.h"
#include "text/TextCodec.h"
#include "tree/Item.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QTreeWidget>
#include <QUndoCommand>
#include <QVBoxLayout>
#include <algorithm>
#include <set>

namespace {

constexpr int ROW_ROLE = Qt::UserRole;

const char STYLE[] = R"(
QLabel { color: #f7eacb; }
QLabel#ReviewTitle { font-weight: bold; font-size: 14px; }
QTreeWidget { background: #faf4e2; alternate-background-color: #f4ecd6; color: #2c2218;
  border: 1px solid #86642a; border-radius: 6px; selection-background-color: #2d5a92;
  selection-color: #faf4e2; }
QHeaderView::section { background: #f4ecd6; color: #8a765c; border: none;
  border-bottom: 1px solid #d9c9a4; padding: 2px 6px; }
QPushButton { color: #f7eacb; font-weight: bold; padding: 3px 12px; border-radius: 11px;
  border: 1px solid #c9a255; background: qlineargradient(x1:0, y1:0, x2:0, y2:1,
  stop:0 #5a3a24, stop:1 #2e1b10); min-height: 18px; }
QPushButton:hover { border-color: #f2dca0; }
QPushButton:pressed { background: #2e1b10; }
QPushButton:disabled { color: #8a765c; border-color: #86642a; }
QProgressBar { background: #faf4e2; border: 1px solid #86642a; border-radius: 5px;
  color: #2c2218; text-align: center; max-height: 14px; }
QProgressBar::chunk { background: #c9a255; border-radius: 4px; }
)";

QString Count(std::size_t n) {
    return QLocale(QLocale::English).toString(static_cast<qulonglong>(n));
}

QPushButton* Button(const char* name, const QString& text, const QString& tip, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setToolTip(tip);
    button->setAutoDefault(false);
    return button;
}

// Keep: remembered addresses, one undoable step like every other action.
class CKeepCommand final : public QUndoCommand {
public:
    CKeepCommand(CKeptLinks& kept, std::vector<std::string> targets)
        : QUndoCommand(QStringLiteral("Keep links")), m_kept(kept), m_targets(std::move(targets)) {}
    void redo() override {
        for (const std::string& each : m_targets)
            m_kept.Add(each);
    }
    void undo() override {
        for (const std::string& each : m_targets)
            m_kept.Remove(each);
    }

private:
    CKeptLinks& m_kept;
    std::vector<std::string> m_targets;
};

} // namespace

CReviewPanel::CReviewPanel(CHost host, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint), m_host(std::move(host)) {
    setObjectName(QStringLiteral("ReviewPanel"));
    setWindowTitle(QStringLiteral("Quillbox review"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_TranslucentBackground);
    setStyleSheet(QString::fromLatin1(STYLE));
    resize(600, 400);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 14, 18, 16);
    layout->setSpacing(8);
    auto* top = new QHBoxLayout;
    m_pTitle = new QLabel(this);
    m_pTitle->setObjectName(QStringLiteral("ReviewTitle"));
    top->addWidget(m_pTitle);
    top->addStretch();
    auto* close = Button("ReviewClose", QStringLiteral("Close"),
                         QStringLiteral("Close the list (a running check stops)"), this);
    top->addWidget(close);
    layout->addLayout(top);

    auto* progress = new QHBoxLayout;
    m_pStatus = new QLabel(this);
    m_pStatus->setObjectName(QStringLiteral("ReviewStatus"));
    m_pStatus->setWordWrap(true);
    progress->addWidget(m_pStatus, 1);
    m_pProgress = new QProgressBar(this);
    m_pProgress->setTextVisible(false);
    m_pProgress->setFixedWidth(140);
    progress->addWidget(m_pProgress);
    m_pCancel = Button("ReviewCancel", QStringLiteral("Cancel"),
                       QStringLiteral("Stop the check; nothing is changed"), this);
    progress->addWidget(m_pCancel);
    layout->addLayout(progress);

    m_pList = new QTreeWidget(this);
    m_pList->setObjectName(QStringLiteral("ReviewList"));
    m_pList->setColumnCount(3);
    m_pList->setHeaderLabels(
        {QStringLiteral("Entry"), QStringLiteral("Address"), QStringLiteral("Found")});
    m_pList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_pList->setAlternatingRowColors(true);
    m_pList->setRootIsDecorated(true);
    m_pList->setUniformRowHeights(true);
    m_pList->header()->setStretchLastSection(true);
    m_pList->setColumnWidth(0, 150);
    m_pList->setColumnWidth(1, 230);
    layout->addWidget(m_pList, 1);

    layout->addLayout(MakeActions());
    Connect(close);
    UpdateButtons();
}

QHBoxLayout* CReviewPanel::MakeActions() {
    auto* actions = new QHBoxLayout;
    m_pDelete = Button("ReviewDelete", QStringLiteral("Delete"),
                       QStringLiteral("Delete the selected entries (Delete key; Ctrl+Z in the "
                                      "columns brings them back)"),
                       this);
    m_pUpdate = Button("ReviewUpdate", QStringLiteral("Update address"),
                       QStringLiteral("Give the selected moved entries their new address"), this);
    m_pKeep = Button("ReviewKeep", QStringLiteral("Keep"),
                     QStringLiteral("Keep the selected entries as they are and do not list "
                                    "them in later checks"),
                     this);
    m_pKeepOne = Button("ReviewKeepOne", QStringLiteral("Keep this one"),
                        QStringLiteral("Keep the selected entry and delete the other entries "
                                       "with its address"),
                        this);
    m_pShow =
        Button("ReviewShow", QStringLiteral("Show"),
               QStringLiteral("Show the entry in the columns (Enter, or a double click)"), this);
    for (QPushButton* each : {m_pDelete, m_pUpdate, m_pKeep, m_pKeepOne})
        actions->addWidget(each);
    actions->addStretch();
    actions->addWidget(m_pShow);
    return actions;
}

void CReviewPanel::Connect(QPushButton* close) {
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    connect(m_pCancel, &QPushButton::clicked, this, &CReviewPanel::Stop);
    connect(m_pDelete, &QPushButton::clicked, this, &CReviewPanel::DeleteSelected);
    connect(m_pUpdate, &QPushButton::clicked, this, &CReviewPanel::UpdateSelected);
    connect(m_pKeep, &QPushButton::clicked, this, &CReviewPanel::KeepSelected);
    connect(m_pKeepOne, &QPushButton::clicked, this, &CReviewPanel::KeepOneOfGroup);
    connect(m_pShow, &QPushButton::clicked, this, &CReviewPanel::RevealCurrent);
    connect(m_pList, &QTreeWidget::itemDoubleClicked, this, [this] { RevealCurrent(); });
    connect(m_pList, &QTreeWidget::itemSelectionChanged, this, &CReviewPanel::UpdateButtons);
    connect(m_pList, &QTreeWidget::currentItemChanged, this, &CReviewPanel::UpdateButtons);
    auto* del = new QShortcut(QKeySequence::Delete, this);
    connect(del, &QShortcut::activated, this, [this] {
        if (m_bLinks)
            DeleteSelected();
    });
    for (const QKeySequence& key : {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)}) {
        auto* reveal = new QShortcut(key, this);
        connect(reveal, &QShortcut::activated, this, &CReviewPanel::RevealCurrent);
    }
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
}

CReviewPanel::~CReviewPanel() {
    Stop();
}

void CReviewPanel::SetMode(bool links) {
    m_bLinks = links;
    m_pDelete->setVisible(links);
    m_pUpdate->setVisible(links);
    m_pKeep->setVisible(links);
    m_pKeepOne->setVisible(!links);
    m_pList->clear();
    m_rows.clear();
}

bool CReviewPanel::IsChecking() const {
    return m_pChecker && m_pChecker->IsRunning();
}

void CReviewPanel::StartCheck(std::vector<CCollected> entries) {
    Stop();
    SetMode(true);
    m_pTitle->setText(QStringLiteral("Check links"));
    m_entries = std::move(entries);
    std::vector<CLinkJob> jobs;
    jobs.reserve(m_entries.size());
    for (std::size_t i = 0; i < m_entries.size(); ++i)
        jobs.push_back({i, m_entries[i].m_target});
    m_pChecker = std::make_unique<CLinkChecker>();
    connect(m_pChecker.get(), &CLinkChecker::Progress, this, [this](int done, int total) {
        m_pProgress->setMaximum(std::max(total, 1));
        m_pProgress->setValue(done);
        m_pStatus->setText(QStringLiteral("Checking %1 of %2 addresses…")
                               .arg(Count(std::size_t(done)), Count(std::size_t(total))));
    });
    connect(m_pChecker.get(), &CLinkChecker::Finished, this, &CReviewPanel::OnFinished);
    m_pProgress->show();
    m_pCancel->show();
    m_pProgress->setValue(0);
    m_pStatus->setText(QStringLiteral("Checking…"));
    m_pChecker->Start(jobs); // finished comes at once when no address needs the network
}

void CReviewPanel::Stop() {
    if (!IsChecking())
        return;
    m_pChecker->Cancel();
    m_pProgress->hide();
    m_pCancel->hide();
    m_pStatus->setText(QStringLiteral("Cancelled: nothing was changed."));
}

void CReviewPanel::OnFinished() {
    m_pProgress->hide();
    m_pCancel->hide();
    CFolder* top = m_host.m_top();
    if (!top || !m_pChecker)
        return;
    const CEntryIndex index(*top);
    std::size_t fine = 0, kept = 0, changed = 0;
    std::size_t counts[4] = {};
    std::vector<std::size_t> byState[4];
    // Rows in the collection's order, whatever order the answers came in.
    std::vector<const CLinkResult*> results;
    results.reserve(m_pChecker->Results().size());
    for (const CLinkResult& result : m_pChecker->Results())
        results.push_back(&result);
    std::sort(results.begin(), results.end(),
              [](const CLinkResult* a, const CLinkResult* b) { return a->m_key < b->m_key; });
    for (const CLinkResult* each : results) {
        const CLinkResult& result = *each;
        if (result.m_key >= m_entries.size())
            continue;
        const CCollected& entry = m_entries[result.m_key];
        if (!index.Find(entry.m_entry, entry.m_target)) {
            ++changed; // edited or deleted while the check ran
            continue;
        }
        if (result.m_state == ELinkState::Fine) {
            ++fine;
            continue;
        }
        if (m_host.m_kept && m_host.m_kept->Contains(entry.m_target)) {
            ++kept;
            continue;
        }
        const auto state = static_cast<std::size_t>(result.m_state);
        ++counts[state];
        byState[state].push_back(m_rows.size());
        m_rows.push_back({entry.m_entry, entry.m_target, result.m_state, result.m_movedTo,
                          result.m_state == ELinkState::Moved
                              ? QStringLiteral("moved to ") + result.m_movedTo
                              : result.m_note});
    }
    const struct {
        ELinkState m_state;
        const char* m_name;
    } groups[] = {
        {ELinkState::Gone, "Gone"}, {ELinkState::Moved, "Moved"}, {ELinkState::Failing, "Failing"}};
    QTreeWidgetItem* gone = nullptr;
    for (const auto& group : groups) {
        const std::vector<std::size_t>& rows = byState[static_cast<std::size_t>(group.m_state)];
        if (rows.empty())
            continue;
        QTreeWidgetItem* header = AddGroup(QString::fromLatin1(group.m_name));
        for (std::size_t row : rows)
            AddRow(header, row, m_rows[row].m_note);
        if (group.m_state == ELinkState::Gone)
            gone = header;
    }
    m_pList->expandAll();
    m_pStatus->setText(Summary(fine, counts, kept, changed));
    if (gone) {
        m_pList->setCurrentItem(gone);
        gone->setSelected(true);
    }
    m_pList->setFocus();
    UpdateButtons();
}

QString CReviewPanel::Summary(std::size_t fine, const std::size_t* counts, std::size_t kept,
                              std::size_t changed) const {
    QStringList parts;
    if (m_pChecker->NoNetwork()) {
        parts << QStringLiteral("No network: none of the %1 web addresses could be reached, so "
                                "none is listed. Check the connection and try again.")
                     .arg(Count(std::size_t(m_pChecker->WebCount())));
    }
    const std::size_t checked = m_pChecker->Results().size();
    parts << QStringLiteral("Checked %1: %2 fine, %3 gone, %4 moved, %5 failing.")
                 .arg(Count(checked), Count(fine),
                      Count(counts[static_cast<std::size_t>(ELinkState::Gone)]),
                      Count(counts[static_cast<std::size_t>(ELinkState::Moved)]),
                      Count(counts[static_cast<std::size_t>(ELinkState::Failing)]));
    if (kept)
        parts << QStringLiteral("%1 kept by your choice.").arg(Count(kept));
    if (changed)
        parts << QStringLiteral("%1 changed while checking, not listed.").arg(Count(changed));
    return parts.join(QLatin1Char(' '));
}

void CReviewPanel::ShowDuplicates(std::vector<CCollected> entries) {
    Stop();
    SetMode(false);
    m_pTitle->setText(QStringLiteral("Find duplicates"));
    m_pProgress->hide();
    m_pCancel->hide();
    m_entries = std::move(entries);
    std::vector<std::string_view> targets;
    targets.reserve(m_entries.size());
    for (const CCollected& each : m_entries)
        targets.emplace_back(each.m_target);
    const auto groups = FindDuplicateGroups(targets);
    std::size_t listed = 0;
    for (const auto& group : groups) {
        QTreeWidgetItem* header = AddGroup(TextFromBytes(m_entries[group.front()].m_target));
        for (std::size_t i : group) {
            const std::size_t row = m_rows.size();
            m_rows.push_back(
                {m_entries[i].m_entry, m_entries[i].m_target, ELinkState::Fine, {}, {}});
            AddRow(header, row, QString());
            ++listed;
        }
    }
    m_pList->expandAll();
    m_pStatus->setText(
        groups.empty()
            ? QStringLiteral("No duplicates among %1 entries.").arg(Count(m_entries.size()))
            : QStringLiteral("%1 filed more than once (%2 entries). "
                             "Choose the entry to keep in a group.")
                  .arg(groups.size() == 1 ? QStringLiteral("One address is")
                                          : Count(groups.size()) + QStringLiteral(" addresses are"),
                       Count(listed)));
    if (m_pList->topLevelItemCount() > 0) {
        QTreeWidgetItem* first = m_pList->topLevelItem(0)->child(0);
        m_pList->setCurrentItem(first);
    }
    m_pList->setFocus();
    UpdateButtons();
}

QTreeWidgetItem* CReviewPanel::AddGroup(const QString& name) {
    auto* header = new QTreeWidgetItem(m_pList, {name});
    header->setData(0, ROW_ROLE, -1);
    header->setFirstColumnSpanned(true);
    QFont bold = header->font(0);
    bold.setBold(true);
    header->setFont(0, bold);
    return header;
}

void CReviewPanel::AddRow(QTreeWidgetItem* group, std::size_t row, const QString& detail) {
    const CRow& each = m_rows[row];
    auto* item = new QTreeWidgetItem(
        group, {TextFromBytes(each.m_entry->GetName()), TextFromBytes(each.m_target), detail});
    item->setData(0, ROW_ROLE, int(row));
    item->setToolTip(1, TextFromBytes(each.m_target));
    item->setToolTip(2, detail);
    group->setText(0, group->text(0).section(QStringLiteral(" ("), 0, 0) +
                          QStringLiteral(" (%1)").arg(group->childCount()));
}

QString CReviewPanel::Status() const {
    return m_pStatus->text();
}

int CReviewPanel::RowsIn(const QString& group) const {
    for (int i = 0; i < m_pList->topLevelItemCount(); ++i) {
        QTreeWidgetItem* header = m_pList->topLevelItem(i);
        if (header->text(0).section(QStringLiteral(" ("), 0, 0) == group)
            return header->childCount();
    }
    return 0;
}

std::vector<QTreeWidgetItem*> CReviewPanel::SelectedRows() const {
    std::vector<QTreeWidgetItem*> rows;
    std::set<QTreeWidgetItem*> seen;
    for (QTreeWidgetItem* item : m_pList->selectedItems()) {
        if (item->data(0, ROW_ROLE).toInt() < 0) {
            for (int i = 0; i < item->childCount(); ++i)
                if (seen.insert(item->child(i)).second)
                    rows.push_back(item->child(i));
        } else if (seen.insert(item).second) {
            rows.push_back(item);
        }
    }
    return rows;
}

const CEntryIndex::CPlace* CReviewPanel::Resolve(const CEntryIndex& index,
                                                 QTreeWidgetItem* item) const {
    const int row = item ? item->data(0, ROW_ROLE).toInt() : -1;
    if (row < 0 || std::size_t(row) >= m_rows.size())
        return nullptr;
    return index.Find(m_rows[std::size_t(row)].m_entry, m_rows[std::size_t(row)].m_target);
}

void CReviewPanel::RemoveRows(const std::vector<QTreeWidgetItem*>& rows) {
    for (QTreeWidgetItem* item : rows) {
        QTreeWidgetItem* group = item->parent();
        delete item;
        if (group && group->childCount() == 0)
            delete group;
        else if (group)
            group->setText(0, group->text(0).section(QStringLiteral(" ("), 0, 0) +
                                  QStringLiteral(" (%1)").arg(group->childCount()));
    }
    UpdateButtons();
}

void CReviewPanel::DeleteSelected() {
    CFolder* top = m_host.m_top();
    const std::vector<QTreeWidgetItem*> rows = SelectedRows();
    if (!top || rows.empty() || IsChecking())
        return;
    const CEntryIndex index(*top);
    std::vector<std::pair<CFolder*, CEntry*>> doomed;
    for (QTreeWidgetItem* row : rows)
        if (const CEntryIndex::CPlace* place = Resolve(index, row))
            if (auto* folder = dynamic_cast<CFolder*>(place->m_folder))
                doomed.emplace_back(folder, place->m_entry);
    if (!doomed.empty()) {
        QUndoStack& stack = m_host.m_editor->Stack();
        stack.beginMacro(doomed.size() == 1 ? QStringLiteral("Delete a link")
                                            : QStringLiteral("Delete %1 links").arg(doomed.size()));
        for (const auto& [folder, entry] : doomed)
            m_host.m_editor->Remove(folder, folder->IndexOf(entry));
        stack.endMacro();
    }
    RemoveRows(rows);
}

void CReviewPanel::UpdateSelected() {
    CFolder* top = m_host.m_top();
    if (!top || IsChecking())
        return;
    const CEntryIndex index(*top);
    std::vector<QTreeWidgetItem*> done;
    std::vector<std::tuple<CFolder*, CEntry*, std::string>> updates;
    for (QTreeWidgetItem* row : SelectedRows()) {
        const CRow& each = m_rows[std::size_t(row->data(0, ROW_ROLE).toInt())];
        if (each.m_state != ELinkState::Moved || each.m_movedTo.isEmpty())
            continue;
        done.push_back(row);
        if (const CEntryIndex::CPlace* place = Resolve(index, row))
            if (auto* folder = dynamic_cast<CFolder*>(place->m_folder))
                updates.emplace_back(folder, place->m_entry, each.m_movedTo.toUtf8().toStdString());
    }
    if (!updates.empty()) {
        QUndoStack& stack = m_host.m_editor->Stack();
        stack.beginMacro(QStringLiteral("Update addresses"));
        for (const auto& [folder, entry, target] : updates)
            m_host.m_editor->SetTarget(folder, entry, target);
        stack.endMacro();
    }
    RemoveRows(done);
}

void CReviewPanel::KeepSelected() {
    const std::vector<QTreeWidgetItem*> rows = SelectedRows();
    if (rows.empty() || !m_host.m_kept || IsChecking())
        return;
    std::vector<std::string> targets;
    targets.reserve(rows.size());
    for (QTreeWidgetItem* row : rows)
        targets.push_back(m_rows[std::size_t(row->data(0, ROW_ROLE).toInt())].m_target);
    m_host.m_editor->Stack().push(new CKeepCommand(*m_host.m_kept, std::move(targets)));
    RemoveRows(rows);
}

void CReviewPanel::KeepOneOfGroup() {
    CFolder* top = m_host.m_top();
    QTreeWidgetItem* keep = m_pList->currentItem();
    if (!top || !keep || keep->data(0, ROW_ROLE).toInt() < 0 || !keep->parent())
        return;
    QTreeWidgetItem* group = keep->parent();
    const CEntryIndex index(*top);
    std::vector<QTreeWidgetItem*> others;
    std::vector<std::pair<CFolder*, CEntry*>> doomed;
    for (int i = 0; i < group->childCount(); ++i) {
        QTreeWidgetItem* row = group->child(i);
        if (row == keep)
            continue;
        others.push_back(row);
        if (const CEntryIndex::CPlace* place = Resolve(index, row))
            if (auto* folder = dynamic_cast<CFolder*>(place->m_folder))
                doomed.emplace_back(folder, place->m_entry);
    }
    if (!doomed.empty()) {
        QUndoStack& stack = m_host.m_editor->Stack();
        stack.beginMacro(QStringLiteral("Delete %1 duplicates").arg(doomed.size()));
        for (const auto& [folder, entry] : doomed)
            m_host.m_editor->Remove(folder, folder->IndexOf(entry));
        stack.endMacro();
    }
    others.push_back(keep); // the group is settled
    RemoveRows(others);
}

void CReviewPanel::RevealCurrent() {
    CFolder* top = m_host.m_top();
    QTreeWidgetItem* item = m_pList->currentItem();
    if (!top || !item)
        return;
    if (item->data(0, ROW_ROLE).toInt() < 0 && item->childCount() > 0)
        item = item->child(0);
    const CEntryIndex index(*top);
    if (const CEntryIndex::CPlace* place = Resolve(index, item)) {
        m_host.m_reveal(place->m_rows);
    } else {
        RemoveRows({item}); // deleted or changed since
    }
}

void CReviewPanel::UpdateButtons() {
    const std::vector<QTreeWidgetItem*> rows = SelectedRows();
    const bool idle = !IsChecking();
    bool moved = false;
    for (QTreeWidgetItem* row : rows)
        moved = moved ||
                m_rows[std::size_t(row->data(0, ROW_ROLE).toInt())].m_state == ELinkState::Moved;
    m_pDelete->setEnabled(idle && !rows.empty());
    m_pKeep->setEnabled(idle && !rows.empty());
    m_pUpdate->setEnabled(idle && moved);
    QTreeWidgetItem* current = m_pList->currentItem();
    m_pKeepOne->setEnabled(current && current->data(0, ROW_ROLE).toInt() >= 0);
    m_pShow->setEnabled(current != nullptr);
}

void CReviewPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PaintLeatherPanel(painter, rect());
}

// The leather moves the panel, as the main window's skin does.
void CReviewPanel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        m_dragFrom = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void CReviewPanel::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton)
        move(event->globalPosition().toPoint() - m_dragFrom);
}

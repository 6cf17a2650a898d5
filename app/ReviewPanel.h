// SPDX-License-Identifier: MIT
#pragma once
// The review panel: a small frameless window in the skin's leather and paper
// beside the main window that shows what Check links or Find duplicates found
// and offers the actions on it. It does not block the main window.
//
// Links: a progress line with Cancel while the check runs, then the rows
// grouped as gone, moved (with the new address) and failing; fine ones are
// only counted, kept ones neither listed nor counted as problems. Actions on
// the selected rows (a group's header stands for all its rows): Delete,
// Update address (moved rows: to the redirect's target), Keep (remembered,
// see CKeptLinks). Each is one undoable step. Failing rows are never
// selected for the user.
//
// Duplicates: one group per shared address; Keep this deletes the other
// entries of the chosen row's group in one undoable step.
//
// Every row names its entry by pointer and checked target and is resolved
// against the tree as it is when used (check/CheckTargets.h): a row whose
// entry was deleted or changed meanwhile does nothing and leaves the list.
// Show (or a double click, or Enter) reveals the row's entry in the columns.

#include "check/CheckTargets.h"
#include "check/LinkChecker.h"

#include <QWidget>
#include <functional>
#include <memory>

class CFolder;
class CKeptLinks;
class CTreeEditor;
class QHBoxLayout;
class QLabel;
class QProgressBar;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class CReviewPanel final : public QWidget {
    Q_OBJECT
public:
    struct CHost {
        std::function<CFolder*()> m_top;
        std::function<void(const std::vector<int>&)> m_reveal;
        CTreeEditor* m_editor;
        CKeptLinks* m_kept;
    };
    CReviewPanel(CHost host, QWidget* parent);
    ~CReviewPanel() override;

    // Starts checking these entries (links) or lists their duplicates.
    void StartCheck(std::vector<CCollected> entries);
    void ShowDuplicates(std::vector<CCollected> entries);
    // Stops a running check; nothing more is listed.
    void Stop();
    bool IsChecking() const;

    QTreeWidget* List() const { return m_pList; }
    QString Status() const;
    // The listed rows per group name ("Gone", "Moved", "Failing"; a duplicate
    // group's address).
    int RowsIn(const QString& group) const;

    // The actions, as their buttons run them.
    void DeleteSelected();
    void UpdateSelected();
    void KeepSelected();
    void KeepOneOfGroup();
    void RevealCurrent();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    struct CRow {
        CEntry* m_entry;
        std::string m_target;
        ELinkState m_state = ELinkState::Fine;
        QString m_movedTo;
        QString m_note;
    };

    QHBoxLayout* MakeActions();
    void Connect(QPushButton* close);
    void OnFinished();
    // The line under the title once a check has ended; counts by ELinkState.
    QString Summary(std::size_t fine, const std::size_t* counts, std::size_t kept,
                    std::size_t changed) const;
    QTreeWidgetItem* AddGroup(const QString& name);
    void AddRow(QTreeWidgetItem* group, std::size_t row, const QString& detail);
    // The rows selected (a group's header: all its rows), each once.
    std::vector<QTreeWidgetItem*> SelectedRows() const;
    const CEntryIndex::CPlace* Resolve(const CEntryIndex& index, QTreeWidgetItem* item) const;
    void RemoveRows(const std::vector<QTreeWidgetItem*>& rows);
    void UpdateButtons();
    void SetMode(bool links);

    CHost m_host;
    std::vector<CCollected> m_entries;
    std::vector<CRow> m_rows;
    std::unique_ptr<CLinkChecker> m_pChecker;
    QLabel* m_pTitle = nullptr;
    QLabel* m_pStatus = nullptr;
    QProgressBar* m_pProgress = nullptr;
    QPushButton* m_pCancel = nullptr;
    QTreeWidget* m_pList = nullptr;
    QPushButton* m_pDelete = nullptr;
    QPushButton* m_pUpdate = nullptr;
    QPushButton* m_pKeep = nullptr;
    QPushButton* m_pKeepOne = nullptr;
    QPushButton* m_pShow = nullptr;
    QPoint m_dragFrom;
    bool m_bLinks = true;
};

// SPDX-License-Identifier: MIT
#pragma once
// Tidying a grown collection from the main window: Check links and Find
// duplicates (the options panel's buttons and the "OP" menu's commands), and
// the review panel that lists what they found (app/ReviewPanel.h).
//
// A link check runs in the background (check/LinkChecker.h) while the window
// stays usable; the review panel shows its progress and can cancel it, and
// ending the tree (closing the program, the password prompt) stops it. Each
// action on the listed rows is one undoable step of the window's editor.
// Entries the user chose to keep are remembered in the data folder's side
// file Quillbox.kept as hashes of their addresses (never the addresses, so
// the file tells nothing about a protected collection), and a later check
// does not list them again.

#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

class CItem;
class CFolder;
class CTreeEditor;
class CReviewPanel;
class CBookmarkListCtrl;
class QWidget;

// The "OP" menu's commands for tidying, below a separator after its others.
constexpr unsigned ID_OP_CHECKLINKS = 32820;
constexpr unsigned ID_OP_DUPLICATES = 32821;
class CMenu;
void AppendTidyCommands(CMenu& menu);

// The addresses the user chose to keep, as hashes, in a file of their own.
class CKeptLinks final {
public:
    explicit CKeptLinks(QString path) : m_path(std::move(path)) {}
    bool Contains(const std::string& target);
    void Add(const std::string& target);
    void Remove(const std::string& target);

private:
    void Load();
    void Save() const;

    QString m_path;
    bool m_bLoaded = false;
    std::set<QByteArray> m_hashes;
};

class CTidyActions final {
public:
    struct CWindow {
        QWidget* m_widget;                                     // the main window
        std::function<CFolder*()> m_top;                       // null while no tree
        std::function<QString()> m_dataFolder;                 // where Quillbox.kept lives
        std::function<void(const std::vector<int>&)> m_reveal; // CMainDialog::RevealPath
    };
    CTidyActions(CWindow window, CTreeEditor& editor);
    ~CTidyActions();

    // Checks the entries at or below scope (null: the whole collection).
    void CheckLinks(CItem* scope);
    void FindDuplicates(CItem* scope);
    // The scope of a command chosen in list's menu: the selected folder, else
    // the folder the list shows (null: the whole collection).
    static CItem* ScopeOf(const CBookmarkListCtrl* list);
    // Stops a check and closes the panel (the tree is about to end).
    void Stop();

    CReviewPanel* Panel() const;

private:
    CReviewPanel* OpenPanel();

    CWindow m_window;
    CTreeEditor& m_editor;
    QPointer<CReviewPanel> m_pPanel;
    std::unique_ptr<CKeptLinks> m_pKept;
};

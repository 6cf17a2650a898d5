// SPDX-License-Identifier: MIT
#pragma once
// The main window's side of import and export (app/ExchangeActions.h): the
// options panel's Import and Export buttons and a bookmark file dropped on
// the window. An import goes to the end of the top folder as one undoable
// step; then the main panel shows the new folder.

#include <QString>
#include <functional>
#include <memory>

class CFolder;
class CProfileScan;
class CTreeEditor;
class IMessageBox;
class IPathPicker;
class QMimeData;
class QWidget;

class CWindowExchange final {
public:
    struct CWindow {
        QWidget* m_widget;                        // the parent of the dialogs
        std::function<CFolder*()> m_top;          // null while no tree is loaded
        std::function<IMessageBox&()> m_messages; // where to tell the outcome
        std::function<void()> m_showImported;     // the main panel with the new folder
    };
    CWindowExchange(CWindow window, CTreeEditor& editor, IPathPicker& picker);

    ~CWindowExchange();

    // A menu of sources under button.
    void Import(QWidget* button);
    // A bookmark file asked of the picker, imported.
    void ImportFile();
    // The browser profile Profiles().Profiles()[index], imported.
    void ImportProfile(int index);
    // The browser profiles found and their counts (started by the first
    // Import menu or by whoever offers them first).
    CProfileScan& Profiles() { return *m_pProfiles; }
    void Export();
    // The bookmark file a drag carries, if the window takes it (empty: none).
    QString DroppableFile(const QMimeData* data) const;
    // Imports a dropped file once the drag has ended, so that the source is
    // not kept waiting on the messages.
    void ImportDropped(const QString& path);

private:
    CWindow m_window;
    CTreeEditor& m_editor;
    IPathPicker& m_picker;
    std::unique_ptr<CProfileScan> m_pProfiles;
};

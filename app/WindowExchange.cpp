// SPDX-License-Identifier: MIT
#include "app/WindowExchange.h"

#include "app/ExchangeActions.h"
#include "app/ProfileScan.h"
#include "edit/TreeEditor.h"
#include "tree/Item.h"

#include <QDir>
#include <QMimeData>
#include <QUrl>
#include <QWidget>
#include <utility>

CWindowExchange::CWindowExchange(CWindow window, CTreeEditor& editor, IPathPicker& picker)
    : m_window(std::move(window)), m_editor(editor), m_picker(picker),
      m_pProfiles(std::make_unique<CProfileScan>(QDir::homePath(), ConfigHome(QDir::homePath()))) {}

CWindowExchange::~CWindowExchange() = default;

namespace {

PlaceFolderFn PlaceAtEnd(const std::function<CFolder*()>& top, CTreeEditor& editor) {
    return [top, &editor](std::unique_ptr<CFolder> folder) {
        if (CFolder* now = top()) // one undoable step
            editor.AppendFolder(now, std::move(folder));
    };
}

} // namespace

void CWindowExchange::Import(QWidget* button) {
    if (m_window.m_top() &&
        ImportFromMenu(m_window.m_widget, button, PlaceAtEnd(m_window.m_top, m_editor),
                       m_window.m_messages(), m_picker, *m_pProfiles))
        m_window.m_showImported();
}

void CWindowExchange::ImportFile() {
    if (!m_window.m_top())
        return;
    const std::optional<QString> path = PickBookmarkFile(m_window.m_widget, m_picker);
    if (path && m_window.m_top() &&
        ImportBookmarkFile(m_window.m_widget, *path, PlaceAtEnd(m_window.m_top, m_editor),
                           m_window.m_messages()))
        m_window.m_showImported();
}

void CWindowExchange::ImportProfile(int index) {
    if (!m_window.m_top() || index < 0 || index >= m_pProfiles->Profiles().size())
        return;
    const CBrowserProfile profile = m_pProfiles->Profiles().at(index).m_profile;
    if (ImportBrowserProfile(m_window.m_widget, profile, PlaceAtEnd(m_window.m_top, m_editor),
                             m_window.m_messages()))
        m_window.m_showImported();
}

void CWindowExchange::Export() {
    if (const CFolder* top = m_window.m_top())
        ExportBookmarks(m_window.m_widget, *top, m_window.m_messages(), m_picker);
}

QString CWindowExchange::DroppableFile(const QMimeData* data) const {
    if (!m_window.m_top() || !data || !data->hasUrls() || data->urls().size() != 1)
        return {};
    const QUrl url = data->urls().constFirst();
    return url.isLocalFile() && LooksLikeBookmarkFile(url.toLocalFile()) ? url.toLocalFile()
                                                                         : QString();
}

void CWindowExchange::ImportDropped(const QString& path) {
    QMetaObject::invokeMethod(
        m_window.m_widget,
        [this, path] {
            if (m_window.m_top() &&
                ImportBookmarkFile(m_window.m_widget, path, PlaceAtEnd(m_window.m_top, m_editor),
                                   m_window.m_messages()))
                m_window.m_showImported();
        },
        Qt::QueuedConnection);
}

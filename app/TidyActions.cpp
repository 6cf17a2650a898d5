// SPDX-License-Identifier: MIT
#include "app/TidyActions.h"

#include "app/ReviewPanel.h"
#include "check/Duplicates.h"
#include "skin/BookmarkListCtrl.h"
#include "tree/Item.h"
#include "tree/Menu.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QSaveFile>
#include <QScreen>

namespace {

constexpr char KEPT_FILE[] = "Quillbox.kept";

// The hash of the address as the duplicate finder sees it, so that a kept
// address stays kept however its case or port is written.
QByteArray Hash(const std::string& target) {
    const std::string key = NormaliseAddress(target);
    return QCryptographicHash::hash(QByteArray::fromStdString(key), QCryptographicHash::Sha256)
        .toHex();
}

} // namespace

void AppendTidyCommands(CMenu& menu) {
    menu.AppendSeparator();
    menu.AppendCommand(ID_OP_CHECKLINKS, "Check &Links");
    menu.AppendCommand(ID_OP_DUPLICATES, "Find D&uplicates");
}

// ------------------------------------------------------------------ CKeptLinks

void CKeptLinks::Load() {
    if (m_bLoaded)
        return;
    m_bLoaded = true;
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (line.size() == 64)
            m_hashes.insert(line);
    }
}

void CKeptLinks::Save() const {
    if (m_path.isEmpty())
        return;
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        return; // a choice not remembered only lists the entry again
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    for (const QByteArray& each : m_hashes)
        file.write(each + '\n');
    file.commit();
}

bool CKeptLinks::Contains(const std::string& target) {
    Load();
    return m_hashes.count(Hash(target)) > 0;
}

void CKeptLinks::Add(const std::string& target) {
    Load();
    if (m_hashes.insert(Hash(target)).second)
        Save();
}

void CKeptLinks::Remove(const std::string& target) {
    Load();
    if (m_hashes.erase(Hash(target)) > 0)
        Save();
}

// ------------------------------------------------------------------ CTidyActions

CTidyActions::CTidyActions(CWindow window, CTreeEditor& editor)
    : m_window(std::move(window)), m_editor(editor) {}

CTidyActions::~CTidyActions() {
    Stop();
}

CReviewPanel* CTidyActions::OpenPanel() {
    const QString folder = m_window.m_dataFolder();
    const QString path = QDir(folder.isEmpty() ? QDir::currentPath() : folder)
                             .filePath(QString::fromLatin1(KEPT_FILE));
    if (!m_pKept)
        m_pKept = std::make_unique<CKeptLinks>(path);
    if (!m_pPanel) {
        m_pPanel = new CReviewPanel(
            CReviewPanel::CHost{m_window.m_top, m_window.m_reveal, &m_editor, m_pKept.get()},
            m_window.m_widget);
        // Beside the main window where the screen has room, else over it.
        QWidget* main = m_window.m_widget;
        const QRect frame = main->frameGeometry();
        const QScreen* screen = main->screen();
        const QRect room = screen ? screen->availableGeometry() : QRect();
        QPoint at(frame.right() + 8, frame.top() + 20);
        if (!room.isEmpty() && at.x() + m_pPanel->width() > room.right())
            at.setX(frame.left() - 8 - m_pPanel->width());
        if (!room.isEmpty() && at.x() < room.left())
            at = QPoint(frame.center().x() - m_pPanel->width() / 2, frame.top() + 40);
        if (!room.isEmpty()) {
            at.setX(std::clamp(at.x(), room.left(),
                               std::max(room.left(), room.right() - m_pPanel->width())));
            at.setY(std::clamp(at.y(), room.top(),
                               std::max(room.top(), room.bottom() - m_pPanel->height())));
        }
        m_pPanel->move(at);
    }
    m_pPanel->show();
    m_pPanel->raise();
    m_pPanel->activateWindow();
    return m_pPanel;
}

void CTidyActions::CheckLinks(CItem* scope) {
    CFolder* top = m_window.m_top();
    if (!top)
        return;
    OpenPanel()->StartCheck(CollectEntries(scope ? *scope : *top));
}

void CTidyActions::FindDuplicates(CItem* scope) {
    CFolder* top = m_window.m_top();
    if (!top)
        return;
    OpenPanel()->ShowDuplicates(CollectEntries(scope ? *scope : *top));
}

CItem* CTidyActions::ScopeOf(const CBookmarkListCtrl* list) {
    CItem* shown = list ? list->GetShownItem() : nullptr;
    if (!shown)
        return nullptr;
    CItem* selected = shown->GetChild(list->GetFirstSelectedRow());
    return dynamic_cast<CFolder*>(selected) ? selected : shown;
}

void CTidyActions::Stop() {
    if (m_pPanel) {
        m_pPanel->Stop();
        m_pPanel->close(); // deletes itself
    }
}

CReviewPanel* CTidyActions::Panel() const {
    return m_pPanel;
}

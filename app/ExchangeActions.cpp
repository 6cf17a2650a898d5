// SPDX-License-Identifier: MIT
#include "app/ExchangeActions.h"

#include "app/MessageBox.h"
#include "app/PathPicker.h"
#include "app/ProfileScan.h"
#include "exchange/BookmarkHtml.h"
#include "exchange/BrowserProfiles.h"
#include "exchange/Xbel.h"
#include "tree/Item.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QProgressDialog>
#include <QSaveFile>
#include <QWindow>

namespace {

const char TITLE[] = "Quillbox";

QString Tr(const char* text) {
    return QCoreApplication::translate("Exchange", text);
}

// Places a read import, or tells why there is nothing to place.
bool Place(QWidget* parent, const PlaceFolderFn& place, const CImportResult& result,
           const QString& source, IMessageBox& messages) {
    if (result.m_status == CImportResult::Cancelled)
        return false;
    if (result.m_status == CImportResult::Failed) {
        messages.Warning(parent, QString::fromLatin1(TITLE),
                         Tr("Nothing was imported from %1.\n%2").arg(source, result.m_error));
        return false;
    }
    place(BuildImportFolder(result.m_root, ImportFolderName(source)));
    return true;
}

void Summarise(QWidget* parent, const CImportResult& result, IMessageBox& messages) {
    messages.Information(parent, QString::fromLatin1(TITLE), ImportSummary(result));
}

// While a file is read, the progress dialog runs the event loop now and then;
// only it takes the user's input, so nothing can change or close the tree
// under the import before the dialog shows (after half a second) and blocks
// the rest.
class CInputOnlyFor final : public QObject {
public:
    explicit CInputOnlyFor(QWidget* window) : m_pWindow(window) { qApp->installEventFilter(this); }
    ~CInputOnlyFor() override { qApp->removeEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Wheel:
        case QEvent::Shortcut:
        case QEvent::DragEnter:
        case QEvent::Drop: {
            // Input reaches a window first, then the widget in it.
            if (const auto* widget = qobject_cast<QWidget*>(watched))
                return widget->window() != m_pWindow;
            if (const auto* window = qobject_cast<QWindow*>(watched))
                return window != m_pWindow->windowHandle();
            return false;
        }
        default:
            return false;
        }
    }

private:
    QWidget* m_pWindow;
};

} // namespace

bool LooksLikeBookmarkFile(const QString& path) {
    const QFileInfo info(path);
    return info.isFile() && info.isReadable();
}

namespace {

// Reads with a progress dialog that shows once the reading takes over half a
// second and can cancel it.
CImportResult ReadWithProgress(QWidget* parent, const QString& what,
                               const std::function<CImportResult(const ProgressFn&)>& read) {
    QProgressDialog progress(Tr("Reading %1\u2026").arg(what), Tr("Cancel"), 0, 1000, parent);
    progress.setWindowTitle(QString::fromLatin1(TITLE));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    progress.setAutoReset(false);
    CImportResult result;
    {
        const CInputOnlyFor onlyProgress(&progress);
        result = read([&progress](qint64 done, qint64 total) {
            progress.setValue(total > 0 ? int(done * 1000 / total) : 0);
            return !progress.wasCanceled();
        });
    }
    progress.reset();
    return result;
}

} // namespace

bool ImportBookmarkFile(QWidget* parent, const QString& path, const PlaceFolderFn& place,
                        IMessageBox& messages) {
    const QString name = QFileInfo(path).fileName();
    const CImportResult result =
        ReadWithProgress(parent, name, [&path](const ProgressFn& progress) {
            return ReadBookmarkFile(path, progress);
        });
    if (!Place(parent, place, result, name, messages))
        return false;
    Summarise(parent, result, messages);
    return true;
}

bool ImportBrowserProfile(QWidget* parent, const CBrowserProfile& profile,
                          const PlaceFolderFn& place, IMessageBox& messages) {
    const QString name = profile.m_browser + QLatin1Char(' ') + profile.m_profile;
    const CImportResult result =
        ReadWithProgress(parent, name, [&profile](const ProgressFn& progress) {
            return ReadBrowserProfile(profile, progress);
        });
    if (!Place(parent, place, result, name, messages))
        return false;
    Summarise(parent, result, messages);
    return true;
}

std::optional<QString> PickBookmarkFile(QWidget* parent, IPathPicker& picker) {
    return picker.PickOpenFile(parent, Tr("Import bookmarks"), QDir::homePath(),
                               Tr("Bookmark files (*.html *.htm *.xbel *.xml);;All files (*)"));
}

void FillImportMenu(QMenu& menu, CProfileScan& scan) {
    menu.addAction(Tr("Bookmark file (HTML, XBEL)\u2026"));
    menu.addSeparator();
    menu.setToolTipsVisible(true);
    scan.Start();
    const QList<CProfileScan::CProfile>& profiles = scan.Profiles();
    if (profiles.isEmpty()) {
        menu.addAction(Tr("No browser profiles with bookmarks found"))->setEnabled(false);
        return;
    }
    QList<QAction*> actions;
    for (int i = 0; i < profiles.size(); ++i) {
        QAction* action = menu.addAction(QString());
        action->setData(i);
        actions << action;
    }
    // The counts still to come change their items while the menu is open.
    const auto show = [&scan, actions](int index) {
        const CProfileScan::CProfile& profile = scan.Profiles().at(index);
        QAction* action = actions.at(index);
        action->setText(CProfileScan::Label(profile));
        action->setEnabled(profile.m_state != CProfileScan::CProfile::Unreadable);
        action->setToolTip(profile.m_state == CProfileScan::CProfile::Unreadable ? profile.m_why
                                                                                 : QString());
    };
    for (int i = 0; i < profiles.size(); ++i)
        show(i);
    QObject::connect(&scan, &CProfileScan::Counted, &menu, show);
}

bool ImportFromMenu(QWidget* parent, QWidget* button, const PlaceFolderFn& place,
                    IMessageBox& messages, IPathPicker& picker, CProfileScan& scan) {
    QMenu menu(parent);
    FillImportMenu(menu, scan);
    QAction* chosen = menu.exec(button->mapToGlobal(QPoint(0, button->height())));
    if (!chosen)
        return false;
    if (chosen == menu.actions().constFirst()) {
        const std::optional<QString> path = PickBookmarkFile(parent, picker);
        return path && ImportBookmarkFile(parent, *path, place, messages);
    }
    const CBrowserProfile profile = scan.Profiles().at(chosen->data().toInt()).m_profile;
    return ImportBrowserProfile(parent, profile, place, messages);
}

void ExportBookmarks(QWidget* parent, const CFolder& top, IMessageBox& messages,
                     IPathPicker& picker) {
    const std::optional<QString> chosen = picker.PickSaveFile(
        parent, Tr("Export bookmarks"), QDir::home().filePath(QStringLiteral("bookmarks.html")),
        Tr("HTML bookmark files (*.html *.htm);;XBEL bookmark files (*.xbel)"));
    if (!chosen)
        return;
    const QString& path = *chosen;
    QSaveFile file(path);
    const bool xbel = IsXbelPath(path);
    if (!file.open(QIODevice::WriteOnly) ||
        !(xbel ? WriteXbel(top, file) : WriteBookmarkHtml(top, file)) || !file.commit()) {
        messages.Warning(parent, QString::fromLatin1(TITLE),
                         Tr("The bookmarks could not be written to %1:\n%2")
                             .arg(QDir::toNativeSeparators(path), file.errorString()));
        return;
    }
    messages.Information(
        parent, QString::fromLatin1(TITLE),
        Tr("The bookmarks were exported to %1.").arg(QDir::toNativeSeparators(path)));
}

// SPDX-License-Identifier: MIT
#include "app/ExchangeCommand.h"

#include "app/CommandLine.h"
#include "app/InstanceLock.h"
#include "exchange/BookmarkHtml.h"
#include "exchange/Xbel.h"
#include "store/DataFile.h"
#include "store/Settings.h"
#include "tree/Item.h"
#include "tree/Tree.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <cstdio>
#include <iostream>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace {

void Say(FILE* stream, const QString& text) {
    std::fprintf(stream, "%s\n", text.toLocal8Bit().constData());
}

// On a terminal, one line that shows how far a long read has come; nothing
// when the output goes elsewhere.
ProgressFn TerminalProgress(bool* shown) {
    if (!::isatty(STDERR_FILENO))
        return {};
    return [shown, last = -1](qint64 done, qint64 total) mutable {
        const int percent = total > 0 ? static_cast<int>(done * 100 / total) : 0;
        if (percent != last) {
            last = percent;
            *shown = true;
            std::fprintf(stderr, "\rReading the bookmarks: %d%%", percent);
            std::fflush(stderr);
        }
        return true;
    };
}

// One line from standard input; on a terminal it is not echoed.
std::string ReadPassword() {
    const bool terminal = ::isatty(STDIN_FILENO);
    termios saved{};
    if (terminal) {
        std::fputs("Password: ", stderr);
        std::fflush(stderr);
        ::tcgetattr(STDIN_FILENO, &saved);
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    std::string password;
    std::getline(std::cin, password);
    if (terminal) {
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        std::fputs("\n", stderr);
    }
    if (!password.empty() && password.back() == '\r')
        password.pop_back();
    return password;
}

// Asks for the password when the data file needs one; false (said) when the
// answer does not open it.
bool Unlock(CSettings& settings, CDataFileState& state) {
    if (PasswordNeeded(settings, state) == EPasswordNeed::None)
        return true;
    switch (AnswerPrompt(settings, state, ReadPassword())) {
    case EPromptAnswer::Accepted:
        return true;
    case EPromptAnswer::OtherKey:
        Say(stderr, QStringLiteral("quillbox: Quillbox.dat is protected by another password."));
        return false;
    case EPromptAnswer::Refused:
        break;
    }
    Say(stderr, QStringLiteral("quillbox: wrong password."));
    return false;
}

// Releases the instance lock at the end of a command that took it.
struct CRelease {
    IInstanceLock& m_lock;
    bool m_held;
    ~CRelease() {
        if (m_held)
            m_lock.Release();
    }
};

} // namespace

int RunExchangeCommand(const CCommandLine& line, const QString& dataFolder, IInstanceLock& lock,
                       CSettings& settings) {
    const bool importing = !line.m_importFile.isEmpty();
    const IInstanceLock::EResult locked = lock.TryAcquire();
    if (locked == IInstanceLock::HeldElsewhere) {
        if (importing) {
            Say(stderr, QStringLiteral("quillbox: Quillbox is running; close it first, or it "
                                       "will write its own bookmarks over the import when it "
                                       "closes."));
            return 1;
        }
        Say(stderr, QStringLiteral("quillbox: Quillbox is running; exporting the bookmarks it "
                                   "last saved."));
    }
    const CRelease release{lock, locked == IInstanceLock::Acquired};

    // Read the file first: a file that is no bookmark file asks for nothing.
    CImportResult imported;
    if (importing) {
        bool shown = false;
        imported = ReadBookmarkFile(line.m_importFile, TerminalProgress(&shown));
        if (shown)
            std::fputs("\r\033[K", stderr); // the progress line goes again
        if (imported.m_status != CImportResult::Ok) {
            // Name the file once: a reason that names it stands alone.
            const QString path = QDir::toNativeSeparators(line.m_importFile);
            Say(stderr, imported.m_error.contains(path)
                            ? QStringLiteral("quillbox: ") + imported.m_error
                            : QStringLiteral("quillbox: %1: %2").arg(path, imported.m_error));
            return 1;
        }
    }

    CDataFileState state;
    state.m_strFolder = dataFolder;
    LoadSettings(settings, state);
    if (!Unlock(settings, state))
        return 1;
    std::unique_ptr<CFolder> top = StartTree(nullptr);
    const auto end = [&top] { EndTree(std::move(top)); };
    try {
        LoadTree(*top, settings, state);
    } catch (const CFileError& error) {
        // Saving over a file that could not be read whole would lose the rest.
        Say(stderr, QStringLiteral("quillbox: ") + error.Message());
        end();
        return 1;
    }

    int code = 0;
    if (importing) {
        PlaceImport(*top, imported.m_root,
                    ImportFolderName(QFileInfo(line.m_importFile).fileName()));
        try {
            SaveTree(*top, settings, state);
            Say(stdout, ImportSummary(imported));
        } catch (const CFileError& error) {
            Say(stderr, QStringLiteral("quillbox: ") + error.Message());
            code = 1;
        }
    } else {
        QSaveFile file(line.m_exportFile);
        const bool xbel = IsXbelPath(line.m_exportFile);
        if (!file.open(QIODevice::WriteOnly) ||
            !(xbel ? WriteXbel(*top, file) : WriteBookmarkHtml(*top, file)) || !file.commit()) {
            Say(stderr, QStringLiteral("quillbox: cannot write %1: %2")
                            .arg(QDir::toNativeSeparators(line.m_exportFile), file.errorString()));
            code = 1;
        } else {
            Say(stdout, QStringLiteral("Exported the bookmarks to %1.")
                            .arg(QDir::toNativeSeparators(line.m_exportFile)));
        }
    }
    end();
    return code;
}

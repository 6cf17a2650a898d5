// SPDX-License-Identifier: MIT
#pragma once
// Browsing for a file or a folder: one to put into the address box, a bookmark
// file to import, a file to export to. The window asks through IPathPicker so
// that tests can answer in place of the user.

#include <QString>
#include <optional>

class QWidget;

class IPathPicker {
public:
    virtual ~IPathPicker() = default;
    // The chosen file or folder as a local path, or nothing when the user
    // cancelled. prompt is the dialog's title.
    virtual std::optional<QString> PickFileOrFolder(const QString& prompt) = 0;
    // An existing file to read, or nothing. The dialog is modal over parent,
    // titled title, starts in folder and offers filter (as QFileDialog takes it).
    virtual std::optional<QString> PickOpenFile(QWidget* parent, const QString& title,
                                                const QString& folder, const QString& filter) = 0;
    // A file to write, suggested first, or nothing. The file type chosen in
    // the dialog gives the name its suffix.
    virtual std::optional<QString> PickSaveFile(QWidget* parent, const QString& title,
                                                const QString& suggested,
                                                const QString& filter) = 0;
};

inline constexpr char BROWSE_PROMPT[] = "please select a directory or file:";

// A QFileDialog (Qt's own, the same on every desktop) in which both a file and
// a folder can be chosen. It has no owner window, so the main window stays
// usable while it is open.
class CFileDialogPicker final : public IPathPicker {
public:
    std::optional<QString> PickFileOrFolder(const QString& prompt) override;
    std::optional<QString> PickOpenFile(QWidget* parent, const QString& title,
                                        const QString& folder, const QString& filter) override;
    std::optional<QString> PickSaveFile(QWidget* parent, const QString& title,
                                        const QString& suggested, const QString& filter) override;
};

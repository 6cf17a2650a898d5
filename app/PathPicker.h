#pragma once
// Browsing for a file or a folder to put into the address box. The window asks
// through IPathPicker so that tests can answer in place of the user.

#include <QString>
#include <optional>

class QWidget;

class IPathPicker {
public:
    virtual ~IPathPicker() = default;
    // The chosen file or folder as a local path, or nothing when the user
    // cancelled. prompt is the dialog's title.
    virtual std::optional<QString> PickFileOrFolder(const QString& prompt) = 0;
};

inline constexpr char BROWSE_PROMPT[] = "please select a directory or file:";

// A QFileDialog (Qt's own, the same on every desktop) in which both a file and
// a folder can be chosen. It has no owner window, so the main window stays
// usable while it is open.
class CFileDialogPicker final : public IPathPicker {
public:
    std::optional<QString> PickFileOrFolder(const QString& prompt) override;
};

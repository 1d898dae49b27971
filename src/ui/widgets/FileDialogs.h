// The open, save and folder panels behind a small interface, so the window's file commands can be
// driven without modal dialogs (tests answer them directly). UI thread only.
#pragma once

#include <QString>

#include <memory>
#include <optional>

class QWidget;

namespace lumara::ui {

// File-name extension of project files, without the dot.
inline constexpr const char* kProjectExtension = "lumara";

// What an export save panel offers: a filter such as "HTML page (*.html)" and the extension added
// to a name typed without one.
struct FileType {
    QString filter;
    QString extension;
};

FileType projectFileType();
// What Open accepts: projects, and exported images that carry their design.
FileType openableFileType();
// Pictures to take colours from: every format Qt's image readers know here.
FileType imageFileType();

class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // A project file to open (single selection, project files only); nothing when cancelled.
    virtual std::optional<QString> chooseFileToOpen(QWidget* parent, const FileType& type) = 0;
    // Where to save, proposing `proposedName` (the type's extension is added when missing);
    // nothing when cancelled.
    virtual std::optional<QString> chooseSaveLocation(QWidget* parent, const FileType& type, const QString& proposedName) = 0;
    // An existing folder (the panel can make one), starting in the folder last used; nothing when
    // cancelled. `title` says what the folder is for.
    virtual std::optional<QString> chooseFolder(QWidget* parent, const QString& title) = 0;
};

// The desktop's own panels (QFileDialog).
std::unique_ptr<FileDialogs> makeSystemFileDialogs();

} // namespace lumara::ui

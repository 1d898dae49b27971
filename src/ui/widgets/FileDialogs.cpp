// The desktop's open, save and folder panels (QFileDialog, modal). UI thread only.
#include "ui/widgets/FileDialogs.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QImageReader>
#include <QStandardPaths>

namespace lumara::ui {

FileType projectFileType()
{
    return {QCoreApplication::translate("lumara::ui::FileDialogs", "Lumara project (*.%1)").arg(QLatin1String(kProjectExtension)),
            QLatin1String(kProjectExtension)};
}

FileType openableFileType()
{
    return {QCoreApplication::translate("lumara::ui::FileDialogs",
                                        "Lumara designs (*.%1 *.png *.apng *.gif *.mp4 *.mov *.webm);;Lumara project (*.%1)")
                .arg(QLatin1String(kProjectExtension)),
            QLatin1String(kProjectExtension)};
}

FileType imageFileType()
{
    QStringList patterns;
    for (const QByteArray& format : QImageReader::supportedImageFormats()) patterns << QStringLiteral("*.") + QString::fromLatin1(format);
    patterns.removeDuplicates();
    return {QCoreApplication::translate("lumara::ui::FileDialogs", "Images (%1)").arg(patterns.join(QLatin1Char(' '))),
            QStringLiteral("png")};
}

namespace {

class SystemFileDialogs : public FileDialogs {
public:
    std::optional<QString> chooseFileToOpen(QWidget* parent, const FileType& type) override
    {
        QFileDialog dialog(parent, QCoreApplication::translate("lumara::ui::FileDialogs", "Open"), m_folder, type.filter);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        return run(dialog);
    }

    std::optional<QString> chooseSaveLocation(QWidget* parent, const FileType& type, const QString& proposedName) override
    {
        QFileDialog dialog(parent, QCoreApplication::translate("lumara::ui::FileDialogs", "Save"), m_folder, type.filter);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(type.extension);
        dialog.selectFile(proposedName.endsWith(QLatin1Char('.') + type.extension) ? proposedName
                                                                                     : proposedName + QLatin1Char('.') + type.extension);
        return run(dialog);
    }

    std::optional<QString> chooseFolder(QWidget* parent, const QString& title) override
    {
        QFileDialog dialog(parent, title, m_folder);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
        const QString path = dialog.selectedFiles().constFirst();
        m_folder = path;
        return path;
    }

private:
    std::optional<QString> run(QFileDialog& dialog)
    {
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
        const QString path = dialog.selectedFiles().constFirst();
        m_folder = QFileInfo(path).absolutePath(); // the next panel opens where this one ended
        return path;
    }

    QString m_folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
};

} // namespace

std::unique_ptr<FileDialogs> makeSystemFileDialogs() { return std::make_unique<SystemFileDialogs>(); }

} // namespace lumara::ui

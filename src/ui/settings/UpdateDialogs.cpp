// Building and showing the update windows. UI thread only.
#include "ui/settings/UpdateDialogs.h"

#include "ui/style/BrandMark.h"
#include "ui/style/Theme.h"
#include "update/CheckForUpdatesViewModel.h"

#include <QBoxLayout>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace lumara::ui {

namespace {

// A window with the application icon, a bold heading, a body text and a button row.
QDialog* messageDialog(QWidget* parent, const QString& heading, const QString& body, QDialogButtonBox*& buttons)
{
    auto* dialog = new QDialog(parent);
    dialog->setWindowTitle(QCoreApplication::translate("lumara::ui::UpdateDialogs", "Software Update"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setMinimumWidth(440);
    auto* row = new QHBoxLayout;
    row->setSpacing(16);
    auto* icon = new QLabel;
    icon->setPixmap(brandIcon().pixmap(64, 64));
    icon->setAlignment(Qt::AlignTop);
    row->addWidget(icon, 0, Qt::AlignTop);
    auto* text = new QVBoxLayout;
    text->setSpacing(6);
    auto* title = new QLabel(heading);
    title->setObjectName(QStringLiteral("heading"));
    title->setFont(pixelFont(title->font(), 14, QFont::Bold));
    title->setWordWrap(true);
    auto* detail = new QLabel(body);
    detail->setObjectName(QStringLiteral("body"));
    detail->setWordWrap(true);
    detail->setTextFormat(Qt::PlainText);
    detail->setMinimumWidth(300);
    text->addWidget(title);
    text->addWidget(detail);
    text->addStretch(1);
    row->addLayout(text, 1);
    buttons = new QDialogButtonBox;
    auto* column = new QVBoxLayout(dialog);
    column->setContentsMargins(20, 20, 20, 16);
    column->addLayout(row);
    column->addSpacing(10);
    column->addWidget(buttons);
    return dialog;
}

} // namespace

UpdateDialogs::UpdateDialogs(update::CheckForUpdatesViewModel* updater, QWidget* window, std::function<void(const QUrl&)> openUrl,
                             QObject* parent)
    : QObject(parent), m_updater(updater), m_window(window), m_openUrl(std::move(openUrl))
{
    if (!m_openUrl) m_openUrl = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    connect(updater, &update::CheckForUpdatesViewModel::userCheckStarted, this, &UpdateDialogs::showChecking);
    connect(updater, &update::CheckForUpdatesViewModel::userCheckFinished, this, &UpdateDialogs::showResult);
    connect(updater, &update::CheckForUpdatesViewModel::updateFoundAutomatically, this, &UpdateDialogs::showUpdate);
}

UpdateDialogs::~UpdateDialogs() { closeShown(); }

void UpdateDialogs::closeShown()
{
    if (QDialog* dialog = m_dialog) {
        m_dialog = nullptr;
        dialog->disconnect(this);
        dialog->close();
    }
    m_kind = Kind::none;
}

void UpdateDialogs::present(QDialog* dialog, Kind kind)
{
    closeShown();
    m_dialog = dialog;
    m_kind = kind;
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

void UpdateDialogs::showChecking()
{
    QDialogButtonBox* buttons = nullptr;
    QDialog* dialog = messageDialog(m_window, tr("Checking for updates…"), QString(), buttons);
    dialog->findChild<QLabel*>(QStringLiteral("body"))->hide();
    auto* bar = new QProgressBar;
    bar->setRange(0, 0); // indeterminate
    bar->setTextVisible(false);
    static_cast<QVBoxLayout*>(dialog->layout())->insertWidget(1, bar);
    buttons->addButton(QDialogButtonBox::Cancel);
    // Cancel, Escape and closing the window all stop the check.
    connect(dialog, &QDialog::rejected, m_updater, &update::CheckForUpdatesViewModel::cancelCheck);
    connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    present(dialog, Kind::checking);
}

void UpdateDialogs::showResult(const update::UpdateCheckResult& result)
{
    if (m_kind == Kind::checking) closeShown();
    if (!result.ok()) {
        if (result.error().code == update::UpdateError::cancelled) return;
        QDialogButtonBox* buttons = nullptr;
        QString body = update::updateErrorMessage(result.error().code);
        if (!result.error().message.empty()) body += QStringLiteral("\n\n") + QString::fromStdString(result.error().message);
        QDialog* dialog = messageDialog(m_window, tr("Update Error!"), body, buttons);
        connect(buttons->addButton(QDialogButtonBox::Ok), &QPushButton::clicked, dialog, &QDialog::accept);
        present(dialog, Kind::error);
        return;
    }
    if (result->updateAvailable) return showUpdate(*result);
    QDialogButtonBox* buttons = nullptr;
    QDialog* dialog = messageDialog(m_window, tr("You’re up to date!"),
                                    tr("Lumara %1 is currently the newest version available.").arg(result->currentVersion),
                                    buttons);
    connect(buttons->addButton(QDialogButtonBox::Ok), &QPushButton::clicked, dialog, &QDialog::accept);
    present(dialog, Kind::upToDate);
}

void UpdateDialogs::showUpdate(const update::UpdateCheckOutcome& outcome)
{
    QDialogButtonBox* buttons = nullptr;
    QDialog* dialog = messageDialog(
        m_window, tr("A new version of Lumara is available!"),
        tr("Lumara %1 is now available — you have %2. Would you like to open its download page?")
            .arg(outcome.newest.shortVersionString, outcome.currentVersion),
        buttons);
    const update::AppcastItem item = outcome.newest;
    if (!item.releaseNotesLink.isEmpty()) {
        QPushButton* notes = buttons->addButton(tr("Release Notes"), QDialogButtonBox::HelpRole);
        notes->setObjectName(QStringLiteral("releaseNotesButton"));
        connect(notes, &QPushButton::clicked, this, [this, link = item.releaseNotesLink] { m_openUrl(link); });
    }
    QPushButton* later = buttons->addButton(tr("Later"), QDialogButtonBox::RejectRole);
    connect(later, &QPushButton::clicked, dialog, &QDialog::reject);
    QPushButton* download = buttons->addButton(tr("Download"), QDialogButtonBox::AcceptRole);
    download->setObjectName(QStringLiteral("downloadButton"));
    download->setDefault(true);
    download->setEnabled(!item.downloadLink.isEmpty());
    connect(download, &QPushButton::clicked, dialog, [this, dialog, link = item.downloadLink] {
        m_openUrl(link);
        dialog->accept();
    });
    present(dialog, Kind::updateAvailable);
}

} // namespace lumara::ui

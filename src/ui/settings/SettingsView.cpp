// The settings window's form. UI thread only.
#include "ui/settings/SettingsView.h"

#include "ui/style/Theme.h"
#include "update/CheckForUpdatesViewModel.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QShortcut>

namespace lumara::ui {

SettingsView::SettingsView(update::CheckForUpdatesViewModel* updater, QWidget* parent)
    : QWidget(parent, Qt::Window), m_updater(updater)
{
    setObjectName(QStringLiteral("settingsWindow"));
    setWindowTitle(tr("Preferences"));
    setFixedSize(450, 350);

    auto* section = new QGroupBox(tr("Updates"));
    auto* form = new QVBoxLayout(section);
    form->setContentsMargins(16, 12, 16, 14);
    form->setSpacing(6);
    m_automatic = new QCheckBox(tr("Automatically check for updates"));
    form->addWidget(m_automatic);
    if (!update::updateChecksBuiltIn()) {
        auto* note = new QLabel(updateErrorMessage(update::UpdateError::disabled));
        note->setWordWrap(true);
        note->setForegroundRole(QPalette::PlaceholderText);
        note->setFont(pixelFont(note->font(), 11));
        form->addWidget(note);
    }

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 20, 20, 20);
    column->addWidget(section);
    column->addStretch(1);

    connect(m_automatic, &QCheckBox::toggled, this, [this](bool on) { m_updater->setAutomaticallyChecksForUpdates(on); });
    connect(m_updater, &update::CheckForUpdatesViewModel::automaticallyChecksForUpdatesChanged, this, &SettingsView::refresh);
    // The usual ways to close a small settings window.
    for (const QKeySequence& key : {QKeySequence(QKeySequence::Close), QKeySequence(Qt::Key_Escape)})
        connect(new QShortcut(key, this), &QShortcut::activated, this, &QWidget::close);
    refresh();
}

void SettingsView::refresh()
{
    const QSignalBlocker quiet(m_automatic);
    m_automatic->setChecked(m_updater->automaticallyChecksForUpdates());
}

void SettingsView::showEvent(QShowEvent* event)
{
    refresh();
    QWidget::showEvent(event);
}

} // namespace lumara::ui

// The settings window: one "Updates" section with "Automatically check for updates", read from
// and written straight to the update view model (the window keeps no copy). UI thread only.
#pragma once

#include <QWidget>

class QCheckBox;

namespace lumara::update {
class CheckForUpdatesViewModel;
}

namespace lumara::ui {

class SettingsView : public QWidget {
    Q_OBJECT
public:
    // `updater` must outlive the window.
    explicit SettingsView(update::CheckForUpdatesViewModel* updater, QWidget* parent = nullptr);

    QCheckBox* automaticChecksToggle() const { return m_automatic; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void refresh();

    update::CheckForUpdatesViewModel* m_updater;
    QCheckBox* m_automatic = nullptr;
};

} // namespace lumara::ui

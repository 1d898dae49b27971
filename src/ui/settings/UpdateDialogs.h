// The small windows of an update check: "checking" (cancellable), "up to date", a newer version
// with its release notes and a button that opens the download page in the browser, or the error.
// Quiet automatic checks show only the newer-version window. Nothing is downloaded or run here.
// UI thread only.
#pragma once

#include "update/UpdateChecker.h"

#include <QDialog>
#include <QObject>
#include <QPointer>
#include <QUrl>

#include <functional>

class QWidget;

namespace lumara::update {
class CheckForUpdatesViewModel;
}

namespace lumara::ui {

class UpdateDialogs : public QObject {
    Q_OBJECT
public:
    enum class Kind { none, checking, upToDate, updateAvailable, error };

    // `openUrl` opens a web page (the desktop's browser when not given). `window` parents the
    // dialogs and may be null.
    UpdateDialogs(update::CheckForUpdatesViewModel* updater, QWidget* window, std::function<void(const QUrl&)> openUrl = {},
                  QObject* parent = nullptr);
    ~UpdateDialogs() override;

    Kind shownKind() const { return m_dialog ? m_kind : Kind::none; }
    QDialog* shownDialog() const { return m_dialog; }

private:
    void showChecking();
    void showResult(const update::UpdateCheckResult& result);
    void showUpdate(const update::UpdateCheckOutcome& outcome);
    void present(QDialog* dialog, Kind kind);
    void closeShown();

    update::CheckForUpdatesViewModel* m_updater;
    QPointer<QWidget> m_window;
    std::function<void(const QUrl&)> m_openUrl;
    QPointer<QDialog> m_dialog;
    Kind m_kind = Kind::none;
};

} // namespace lumara::ui

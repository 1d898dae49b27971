// The editor application: the preference store, the one document (restored from the last
// project), the appearance and the main window. `runEditor` is the whole editor run; it builds the
// QApplication, so only the editor path of the executable needs a display. UI thread only.
#pragma once

#include "ui/widgets/FileDialogs.h"

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>
#include <optional>

namespace lumara {
class AutosaveScheduler;
class OrbDocument;
class Preferences;
}

namespace lumara::update {
class CheckForUpdatesViewModel;
}

namespace lumara::ui {

class DesktopAppearance;
class FileDialogs;
class HelpView;
class MainWindow;
class SettingsView;
class UpdateDialogs;

class LumaraApp : public QObject {
    Q_OBJECT
public:
    // Restores the document from `preferences` (which must outlive the app) and builds the window.
    // Null `dialogs` means the desktop's own panels.
    explicit LumaraApp(Preferences* preferences, std::unique_ptr<FileDialogs> dialogs = nullptr, QObject* parent = nullptr);
    ~LumaraApp() override;

    OrbDocument* document() const { return m_document.get(); }
    // Writes field edits to the autosave record once they pause; flushed when the app goes.
    AutosaveScheduler* autosave() const { return m_autosave.get(); }
    MainWindow* mainWindow() const { return m_window.get(); }
    // The desktop's light or dark preference, which the System appearance follows.
    DesktopAppearance* desktopAppearance() const { return m_desktopAppearance.get(); }

    // Whether the help sheet is wanted; set by the help command, shown by the window.
    bool showHelp() const { return m_showHelp; }
    void setShowHelp(bool show);
    // The help sheet while it is shown.
    HelpView* helpView() const;

    update::CheckForUpdatesViewModel* updaterViewModel() const { return m_updater.get(); }
    UpdateDialogs* updateDialogs() const { return m_updateDialogs.get(); }
    // The settings window (Edit ▸ Preferences…), created when first opened.
    SettingsView* settingsWindow();
    void showSettings();

    // Fills File ▸ Recover Unsaved Project with the autosave records of editors that have ended
    // (other than the one this editor restored), each named by its selected state and its number
    // of states; shown only when there is one. Done at start and whenever the File menu opens.
    void rebuildRecoverMenu();
    // Opens the record of `slot` as an unsaved design (one undo step, as a pasted design code) and
    // takes it out of the store: it lives on in this editor's own autosave. A record gone in the
    // meantime changes nothing.
    void recoverProject(int slot);

signals:
    void showHelpChanged(bool show);

private:
    Preferences* m_preferences;
    std::unique_ptr<DesktopAppearance> m_desktopAppearance;
    std::unique_ptr<OrbDocument> m_document;
    std::unique_ptr<AutosaveScheduler> m_autosave;
    std::unique_ptr<update::CheckForUpdatesViewModel> m_updater;
    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<UpdateDialogs> m_updateDialogs;
    std::unique_ptr<SettingsView> m_settingsWindow;
    QPointer<HelpView> m_helpView;
    bool m_showHelp = false;
};

// Starts the editor and runs it until its window closes; opens `file` first when given (a file
// that does not open is reported on stderr and the last project stays). Returns the exit code.
int runEditor(int& argc, char** argv, const std::optional<QString>& file);

// Sets the C library's allocator up for a long editing session (runEditor does); call it before
// any thread starts.
void configureAllocatorForEditing();

} // namespace lumara::ui

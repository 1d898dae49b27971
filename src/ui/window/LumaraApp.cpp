// Start-up of the editor: preferences, appearance, the restored document and the main window.
// UI thread only.
#include "ui/window/LumaraApp.h"

#include "document/AutosaveScheduler.h"
#include "document/OrbDocument.h"
#include "document/Preferences.h"
#include "ui/onboarding/HelpView.h"
#include "ui/settings/SettingsView.h"
#include "ui/settings/UpdateDialogs.h"
#include "ui/style/BrandMark.h"
#include "ui/style/DesktopAppearance.h"
#include "ui/style/Theme.h"
#include "ui/widgets/FileDialogs.h"
#include "ui/window/MainWindow.h"
#include "ui/window/Translations.h"
#include "update/CheckForUpdatesViewModel.h"

#include <QAction>

#include <QApplication>
#include <QIcon>
#include <QScreen>

#include <iostream>

namespace lumara::ui {

LumaraApp::LumaraApp(Preferences* preferences, std::unique_ptr<FileDialogs> dialogs, QObject* parent)
    : QObject(parent), m_preferences(preferences)
{
    // The System appearance follows the desktop's light or dark preference while the editor runs.
    m_desktopAppearance = std::make_unique<DesktopAppearance>();
    setDesktopColorScheme(m_desktopAppearance->colorScheme());
    connect(m_desktopAppearance.get(), &DesktopAppearance::colorSchemeChanged, this,
            [](DesktopColorScheme scheme) { setDesktopColorScheme(scheme); });
    m_document = std::make_unique<OrbDocument>(restoreLastProject(*preferences, OrbValues{}), preferences);
    m_autosave = std::make_unique<AutosaveScheduler>(m_document.get());
    m_updater = std::make_unique<update::CheckForUpdatesViewModel>(&preferences->settings(), QStringLiteral(LUMARA_VERSION));
    if (!dialogs) dialogs = makeSystemFileDialogs();
    m_window = std::make_unique<MainWindow>(m_document.get(), &preferences->settings(), std::move(dialogs));
    m_window->setWindowIcon(brandIcon());
    m_updateDialogs = std::make_unique<UpdateDialogs>(m_updater.get(), m_window.get());

    QAction* check = m_window->action("checkForUpdatesAction");
    connect(check, &QAction::triggered, m_updater.get(), &update::CheckForUpdatesViewModel::checkForUpdates);
    connect(m_updater.get(), &update::CheckForUpdatesViewModel::canCheckForUpdatesChanged, check, &QAction::setEnabled);
    connect(m_window->action("helpAction"), &QAction::triggered, this, [this] { setShowHelp(true); });
    connect(m_window->action("preferencesAction"), &QAction::triggered, this, &LumaraApp::showSettings);
    m_updater->startUpdater();
    check->setEnabled(m_updater->canCheckForUpdates());
    // Centred on the screen it opens on; enlarged to that screen's free area once shown.
    if (QScreen* screen = QApplication::primaryScreen()) {
        QRect frame(QPoint(0, 0), m_window->size());
        frame.moveCenter(screen->availableGeometry().center());
        m_window->move(frame.topLeft());
    }
}

LumaraApp::~LumaraApp()
{
    m_autosave->flush(); // quitting keeps the last edits
    m_settingsWindow.reset();
    m_updateDialogs.reset();
    m_window.reset(); // the window lets go of the document before the document goes
}

void LumaraApp::setShowHelp(bool show)
{
    if (m_showHelp == show) return;
    m_showHelp = show;
    if (show && !m_helpView) {
        MainWindow* window = m_window.get();
        m_helpView = new HelpView([window](const char* name) { return window->action(name); }, window);
        m_helpView->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_helpView, &QDialog::finished, this, [this] { setShowHelp(false); });
        m_helpView->open();
    } else if (!show && m_helpView) {
        m_helpView->close();
    }
    emit showHelpChanged(show);
}

HelpView* LumaraApp::helpView() const { return m_helpView; }

SettingsView* LumaraApp::settingsWindow()
{
    if (!m_settingsWindow) {
        m_settingsWindow = std::make_unique<SettingsView>(m_updater.get());
        m_settingsWindow->setWindowIcon(brandIcon());
    }
    return m_settingsWindow.get();
}

void LumaraApp::showSettings()
{
    SettingsView* window = settingsWindow();
    window->show();
    window->raise();
    window->activateWindow();
}

int runEditor(int& argc, char** argv, const std::optional<QString>& file)
{
    QApplication::setApplicationName(QStringLiteral("Lumara"));
    // No display name: Qt would append it to every window title ("Lumara — Custom — Lumara").
    QApplication::setDesktopFileName(QStringLiteral("com.quillfen.Lumara"));
    QApplication application(argc, argv);
    installTranslations(&application, preferredLanguages(QProcessEnvironment::systemEnvironment()));
    QApplication::setApplicationVersion(QStringLiteral(LUMARA_VERSION));
    QApplication::setWindowIcon(brandIcon());

    Preferences preferences;
    applyAppTheme(storedAppTheme(preferences.settings()));
    LumaraApp app(&preferences);
    app.mainWindow()->show();
    if (file && !app.mainWindow()->openFile(*file))
        std::cerr << "lumara: cannot open " << file->toStdString() << ": not a readable project file\n";
    return application.exec();
}

} // namespace lumara::ui

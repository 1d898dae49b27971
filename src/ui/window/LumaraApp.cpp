// Start-up of the editor: preferences, appearance, the restored document and the main window.
// UI thread only.
#include "ui/window/LumaraApp.h"

#include "document/AutosaveScheduler.h"
#include "document/OrbDocument.h"
#include "document/Preferences.h"
#include "highlight/Highlight.h"
#include "ui/onboarding/HelpView.h"
#include "ui/settings/SettingsView.h"
#include "ui/settings/UpdateDialogs.h"
#include "ui/style/BrandMark.h"
#include "ui/style/DesktopAppearance.h"
#include "ui/style/Theme.h"
#include "ui/widgets/FileDialogs.h"
#include "ui/window/MainWindow.h"
#include "ui/window/QuitSignals.h"
#include "ui/window/Translations.h"
#include "update/CheckForUpdatesViewModel.h"

#include <QAction>
#include <QMenu>

#include <QApplication>
#include <QIcon>
#include <QScreen>
#include <QTimer>

#include <malloc.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <utility>

namespace lumara::ui {

namespace {

// What an exit that skips the destructors still does: Qt's display connection, once lost, ends
// the process with exit(1) from inside the event loop.
std::function<void()> g_atExit;

void runAtExit()
{
    if (auto last = std::exchange(g_atExit, nullptr)) last();
}

// The platform plugins say why just before they exit; the flush then runs at once, while the
// other threads still run normally, rather than amid the exit's teardown.
QtMessageHandler g_previousHandler = nullptr;

void watchForLostDisplay(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (g_previousHandler) g_previousHandler(type, context, message);
    else std::cerr << message.toLocal8Bit().constData() << std::endl;
    if (message.startsWith(QLatin1String("The X11 connection broke")) || message.startsWith(QLatin1String("The Wayland connection broke")))
        runAtExit();
}

// A scripted field edit for tests of quitting: $LUMARA_SCRIPTED_BLUR=N sets the selected state's
// blob blur to N once the window is up, as a drag of its slider does (so the autosave of it is
// still waiting), and prints "edited" on standard output.
void applyScriptedEdit(OrbDocument* document)
{
    bool ok = false;
    const double blur = qEnvironmentVariable("LUMARA_SCRIPTED_BLUR").toDouble(&ok);
    if (!ok || !document->currentConfiguration()) return;
    QTimer::singleShot(0, document, [document, blur] {
        document->currentConfiguration()->setBlobBlur(blur);
        std::cout << "edited" << std::endl;
    });
}

} // namespace

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
    // Refilled whenever the File menu opens: another editor may have ended since.
    for (QObject* owner : m_window->recoverMenu()->menuAction()->associatedObjects())
        if (auto* menu = qobject_cast<QMenu*>(owner)) connect(menu, &QMenu::aboutToShow, this, &LumaraApp::rebuildRecoverMenu);
    rebuildRecoverMenu();
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

void LumaraApp::rebuildRecoverMenu()
{
    QMenu* menu = m_window->recoverMenu();
    menu->clear();
    for (int slot : m_preferences->unclaimedAutosaveSlots()) {
        const auto project = autosavedProject(*m_preferences, slot);
        if (!project) continue;
        const std::size_t count = project->states.size();
        const auto selected = static_cast<std::size_t>(std::clamp<std::int64_t>(project->selectedStateIndex, 0, static_cast<std::int64_t>(count) - 1));
        const QString name = QString::fromStdString(project->states.at(selected).name);
        QAction* item = menu->addAction(count == 1 ? tr("%1 (1 state)").arg(name) : tr("%1 (%2 states)").arg(name).arg(count));
        connect(item, &QAction::triggered, this, [this, slot] { recoverProject(slot); });
    }
    menu->menuAction()->setVisible(!menu->isEmpty());
}

void LumaraApp::recoverProject(int slot)
{
    if (const auto project = autosavedProject(*m_preferences, slot)) {
        m_document->openDesign(*project);
        if (auto removed = m_preferences->removeAutosaveRecord(slot); !removed)
            m_window->reportFailure(tr("Could not update"), preferencesFilePath(), removed.error().message);
    }
    rebuildRecoverMenu();
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

void configureAllocatorForEditing()
{
    // Frames, exports and the caches behind them allocate and free buffers of megabytes on several
    // threads, each of which glibc gives a heap of its own (up to eight per core), and a heap keeps
    // what was freed in it: with the same rounds of work repeated, the editor's resident memory
    // rose by 15 MB in six minutes while the bytes in use stayed level (bench_editor_soak). One
    // heap for all threads keeps it within 2 MB, at no measured cost to an export (bench_animate)
    // and about 0.1 ms on a 1.5 ms canvas frame (bench_canvas). Rejected: a fixed threshold for
    // mapping large buffers, which gives them back as well but maps and faults in each frame's
    // picture afresh (1.5 ms frames took 5.9 ms at 128 kB, 2.5 ms at 4 MB).
    mallopt(M_ARENA_MAX, 1);
}

int runEditor(int& argc, char** argv, const std::optional<QString>& file)
{
    configureAllocatorForEditing();
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
    // A logout, `kill` or Ctrl+C ends the editor as Quit does: the waiting autosave is written,
    // the working copies are removed, and the exit status is 0.
    QuitSignals quitSignals;
    QObject::connect(&quitSignals, &QuitSignals::received, &application, [] { QCoreApplication::exit(0); });
    g_atExit = [&app, &preferences] {
        app.autosave()->flush();
        preferences.end();
    };
    std::atexit(runAtExit); // registered after Qt's own statics exist, so it runs before they go
    g_previousHandler = qInstallMessageHandler(watchForLostDisplay);
    app.mainWindow()->show();
    if (file && !app.mainWindow()->openFile(*file))
        std::cerr << "lumara: cannot open " << file->toStdString() << ": not a readable project file\n";
    applyScriptedEdit(app.document());
    const int status = application.exec();
    g_atExit = nullptr; // the destructors below do it
    qInstallMessageHandler(g_previousHandler);
    highlight::Highlight::shared().stop(); // its thread would otherwise still run as the process exits
    return status;
}

} // namespace lumara::ui

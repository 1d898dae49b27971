// Start-up of the editor: preferences, appearance, the restored document and the main window.
// UI thread only.
#include "ui/LumaraApp.h"

#include "document/OrbDocument.h"
#include "document/Preferences.h"
#include "ui/FileDialogs.h"
#include "ui/MainWindow.h"
#include "ui/PresetSidebarView.h"
#include "ui/Theme.h"

#include <QApplication>
#include <QIcon>
#include <QPainter>
#include <QScreen>

#include <iostream>

namespace lumara::ui {

LumaraApp::LumaraApp(Preferences* preferences, std::unique_ptr<FileDialogs> dialogs, QObject* parent)
    : QObject(parent), m_preferences(preferences)
{
    m_document = std::make_unique<OrbDocument>(restoreLastProject(*preferences, OrbValues{}), preferences);
    if (!dialogs) dialogs = makeSystemFileDialogs();
    m_window = std::make_unique<MainWindow>(m_document.get(), &preferences->settings(), std::move(dialogs));
    m_window->setWindowIcon(brandIcon());
    // Centred on the screen it opens on; enlarged to that screen's free area once shown.
    if (QScreen* screen = QApplication::primaryScreen()) {
        QRect frame(QPoint(0, 0), m_window->size());
        frame.moveCenter(screen->availableGeometry().center());
        m_window->move(frame.topLeft());
    }
}

LumaraApp::~LumaraApp()
{
    m_window.reset(); // the window lets go of the document before the document goes
}

void LumaraApp::setShowHelp(bool show)
{
    if (m_showHelp == show) return;
    m_showHelp = show;
    emit showHelpChanged(show);
}

QIcon brandIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paintBrandMark(painter, QPointF(0, 0), size);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

int runEditor(int& argc, char** argv, const std::optional<QString>& file)
{
    QApplication::setApplicationName(QStringLiteral("Lumara"));
    // No display name: Qt would append it to every window title ("Lumara — Custom — Lumara").
    QApplication::setDesktopFileName(QStringLiteral("com.quillfen.Lumara"));
    QApplication application(argc, argv);
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

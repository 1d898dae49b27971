// The main window's actions with their shortcuts and what they trigger, the menu bar and the
// toolbar. UI thread only.
#include "ui/window/MainWindow.h"

#include "ui/canvas/MainCanvasView.h"
#include "ui/style/Symbols.h"

#include <QApplication>
#include <QMenuBar>
#include <QMessageBox>
#include <QToolBar>

namespace lumara::ui {

namespace {

QList<QKeySequence> redoShortcuts()
{
    QList<QKeySequence> keys{QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)};
    for (const QKeySequence& key : QKeySequence::keyBindings(QKeySequence::Redo))
        if (!keys.contains(key)) keys.append(key);
    return keys;
}

} // namespace

QAction* MainWindow::makeAction(const char* objectName, const QString& text, const QList<QKeySequence>& shortcuts)
{
    auto* action = new QAction(text, this);
    action->setObjectName(QLatin1String(objectName));
    action->setShortcuts(shortcuts);
    addAction(action); // shortcuts work while the menu bar is hidden too
    return action;
}

QAction* MainWindow::action(const char* objectName) const { return findChild<QAction*>(QLatin1String(objectName)); }

void MainWindow::buildActions()
{
    connect(makeAction("openAction", tr("Open…"), {QKeySequence(Qt::CTRL | Qt::Key_O)}), &QAction::triggered,
            this, &MainWindow::openCommand);
    connect(makeAction("saveAction", tr("Save"), {QKeySequence(Qt::CTRL | Qt::Key_S)}), &QAction::triggered,
            this, &MainWindow::saveCommand);
    connect(makeAction("saveAsAction", tr("Save As…"), {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)}),
            &QAction::triggered, this, &MainWindow::saveAsCommand);
    action("openAction")->setIcon(symbolIcon(Symbol::open));
    action("saveAction")->setIcon(symbolIcon(Symbol::save));

    QAction* png = makeAction("exportPNGAction", tr("Export PNG…"), {QKeySequence(Qt::CTRL | Qt::Key_E)});
    png->setIcon(drawnSymbolIcon(Symbol::photo));
    png->setIconText(tr("Export PNG")); // the toolbar's title: a button there opens no further choice
    png->setToolTip(tr("Save as PNG image"));
    connect(png, &QAction::triggered, this, &MainWindow::exportPNGImage);
    // Text exports open the coloured preview, which copies the text or saves it to a file.
    connect(makeAction("exportSwiftUIAction", tr("Export SwiftUI Code…"), {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E)}),
            &QAction::triggered, this, [this] { requestExportPreview(exporting::ExportFormat::swiftUI); });
    connect(makeAction("exportHTMLAction", tr("Export HTML…"), {QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_E)}),
            &QAction::triggered, this, [this] { requestExportPreview(exporting::ExportFormat::html); });
    connect(makeAction("exportPromptAction", tr("Export Prompt…")), &QAction::triggered, this,
            [this] { requestExportPreview(exporting::ExportFormat::prompt); });
    connect(makeAction("exportAnimationAction", tr("Export Animation…")), &QAction::triggered, this,
            &MainWindow::showAnimatedExportSheet);
    connect(makeAction("exportWebPackageAction", tr("Export Web Package…")), &QAction::triggered, this,
            &MainWindow::exportWebPackage);
    QAction* copy = makeAction("copyCodeAction", tr("Copy Code"));
    copy->setIcon(drawnSymbolIcon(Symbol::copyCode));
    copy->setToolTip(tr("Copy SwiftUI code to clipboard"));
    connect(copy, &QAction::triggered, this, &MainWindow::copyCode);

    connect(makeAction("copyLookAction", tr("Copy Look"), {QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_C)}),
            &QAction::triggered, this, &MainWindow::copyLook);
    connect(makeAction("pasteLookAction", tr("Paste Look"), {QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_V)}),
            &QAction::triggered, this, &MainWindow::pasteLook);
    // The whole project as one line of text. Ctrl+Shift+C is free in every pane; a code is pasted
    // with the desktop's own Paste key, which a text field with the focus takes first.
    m_copyDesignCodeAction = makeAction("copyDesignCodeAction", tr("Copy Design Code"),
                                        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C)});
    connect(m_copyDesignCodeAction, &QAction::triggered, this, &MainWindow::copyDesignCode);
    m_pasteDesignCodeAction = makeAction("pasteDesignCodeAction", tr("Paste Design Code"),
                                         QKeySequence::keyBindings(QKeySequence::Paste));
    connect(m_pasteDesignCodeAction, &QAction::triggered, this, &MainWindow::pasteDesignCode);

    // Ctrl+Shift+O: the Open of a picture whose colours are wanted, next to Open's Ctrl+O.
    m_colorsFromImageAction = makeAction("colorsFromImageAction", tr("From Image…"),
                                         {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O)});
    m_colorsFromImageAction->setToolTip(tr("Take the background colors from a picture"));
    connect(m_colorsFromImageAction, &QAction::triggered, this, &MainWindow::colorsFromImageCommand);

    QAction* quit = makeAction("quitAction", tr("Quit"), {QKeySequence(Qt::CTRL | Qt::Key_Q)});
    quit->setMenuRole(QAction::QuitRole);
    connect(quit, &QAction::triggered, qApp, &QApplication::closeAllWindows);

    QAction* undo = makeAction("undoAction", tr("Undo"), {QKeySequence(Qt::CTRL | Qt::Key_Z)});
    undo->setIcon(symbolIcon(Symbol::undo));
    connect(undo, &QAction::triggered, this, [this] {
        if (m_document && m_document->undoManager()) m_document->undoManager()->undo();
    });
    QAction* redo = makeAction("redoAction", tr("Redo"), redoShortcuts());
    redo->setIcon(symbolIcon(Symbol::redo));
    connect(redo, &QAction::triggered, this, [this] {
        if (m_document && m_document->undoManager()) m_document->undoManager()->redo();
    });
    QAction* randomize = makeAction("randomizeAction", tr("Randomize"), {QKeySequence(Qt::CTRL | Qt::Key_R)});
    randomize->setIcon(drawnSymbolIcon(Symbol::dice));
    randomize->setToolTip(tr("Generate random orb"));
    connect(randomize, &QAction::triggered, this, [this] {
        if (m_document) m_document->randomize();
    });
    // The seed of the last draw is shown, so that Randomize with Seed can bring the orb back.
    connect(m_document, &OrbDocument::lastRandomSeedChanged, randomize, [this, randomize] {
        if (const auto seed = m_document->lastRandomSeed())
            randomize->setToolTip(tr("Generate random orb\nLast seed: %1").arg(*seed));
    });
    connect(makeAction("randomizeWithSeedAction", tr("Randomize with Seed…"),
                       {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R)}),
            &QAction::triggered, this, &MainWindow::randomizeWithSeed);

    // Space only while the canvas has the focus, so that it still types a space in the fields.
    auto* pause = new QAction(tr("Pause Motion"), this);
    pause->setObjectName(QStringLiteral("pauseMotionAction"));
    pause->setShortcut(QKeySequence(Qt::Key_Space));
    pause->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    pause->setCheckable(true);
    pause->setIcon(drawnSymbolIcon(Symbol::pause));
    pause->setToolTip(tr("Pause the orb's motion to pick a moment"));
    m_canvas->addAction(pause);
    connect(pause, &QAction::toggled, m_canvas, &MainCanvasView::setMotionPaused);
    connect(m_canvas, &MainCanvasView::motionPausedChanged, pause, [pause](bool paused) {
        pause->setChecked(paused);
        pause->setIcon(drawnSymbolIcon(paused ? Symbol::play : Symbol::pause));
        pause->setToolTip(paused ? tr("Resume the orb's motion")
                                 : tr("Pause the orb's motion to pick a moment"));
    });
    // The canvas keeps Space to itself, so that Space held down can pan; a tap still pauses.
    connect(m_canvas, &MainCanvasView::spaceTapped, pause, &QAction::trigger);

    connect(makeAction("zoomInAction", tr("Zoom In"),
                       {QKeySequence(Qt::CTRL | Qt::Key_Equal), QKeySequence(Qt::CTRL | Qt::Key_Plus)}),
            &QAction::triggered, m_canvas, &MainCanvasView::zoomIn);
    connect(makeAction("zoomOutAction", tr("Zoom Out"), {QKeySequence(Qt::CTRL | Qt::Key_Minus)}),
            &QAction::triggered, m_canvas, &MainCanvasView::zoomOut);
    connect(makeAction("zoomToFitAction", tr("Zoom to Fit"), {QKeySequence(Qt::CTRL | Qt::Key_0)}),
            &QAction::triggered, m_canvas, &MainCanvasView::zoomToFit);
    connect(makeAction("actualSizeAction", tr("Actual Size"), {QKeySequence(Qt::CTRL | Qt::Key_1)}),
            &QAction::triggered, m_canvas, &MainCanvasView::zoomToActualSize);

    QAction* sidebar = makeAction("toggleSidebarAction", tr("Show Sidebar"), {QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_S)});
    sidebar->setCheckable(true);
    sidebar->setChecked(true);
    sidebar->setIcon(drawnSymbolIcon(Symbol::sidebarLeading));
    connect(sidebar, &QAction::toggled, this, &MainWindow::setSidebarShown);
    QAction* inspector = makeAction("toggleInspectorAction", tr("Show Inspector"), {QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_I)});
    inspector->setCheckable(true);
    inspector->setChecked(true);
    inspector->setIcon(drawnSymbolIcon(Symbol::sidebarTrailing));
    inspector->setIconText(tr("Inspector"));
    connect(inspector, &QAction::toggled, this, &MainWindow::setInspectorShown);

    // The application answers these three: the help sheet, the update check (enabled while a check
    // can start) and the settings window.
    // F1 is the desktop's help key; Ctrl+? is the help command's own.
    QAction* help = makeAction("helpAction", tr("Lumara Help"),
                               {QKeySequence(Qt::Key_F1), QKeySequence(Qt::CTRL | Qt::Key_Question)});
    help->setIcon(symbolIcon(Symbol::help));
    makeAction("checkForUpdatesAction", tr("Check for Updates…"))->setEnabled(false);
    QAction* preferences = makeAction("preferencesAction", tr("Preferences…"), {QKeySequence(Qt::CTRL | Qt::Key_Comma)});
    preferences->setMenuRole(QAction::PreferencesRole);
    QAction* about = makeAction("aboutAction", tr("About Lumara"));
    about->setMenuRole(QAction::AboutRole);
    connect(about, &QAction::triggered, this, [this] {
        QMessageBox::about(this, tr("About Lumara", "window title"),
                           tr("<b>Lumara</b> %1<br>Design animated orbs and take them away as code, pages, "
                                          "images and video.<br><br>%2")
                               .arg(QApplication::applicationVersion(),
                                    canvasDrawingDescription(m_canvas->drawing()).toHtmlEscaped()));
    });
}

void MainWindow::buildMenus()
{
    QMenu* file = menuBar()->addMenu(tr("&File"));
    file->addAction(action("openAction"));
    m_recentMenu = file->addMenu(tr("Open Recent"));
    rebuildRecentMenu();
    m_recoverMenu = file->addMenu(tr("Recover Unsaved Project"));
    m_recoverMenu->menuAction()->setVisible(false);
    file->addSeparator();
    file->addAction(action("saveAction"));
    file->addAction(action("saveAsAction"));
    file->addSeparator();
    file->addAction(action("exportPNGAction"));
    file->addAction(action("exportSwiftUIAction"));
    file->addAction(action("exportHTMLAction"));
    file->addAction(action("exportPromptAction"));
    file->addAction(action("exportAnimationAction"));
    file->addAction(action("exportWebPackageAction"));
    file->addSeparator();
    file->addAction(m_copyDesignCodeAction);
    file->addSeparator();
    file->addAction(action("quitAction"));

    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    edit->addAction(action("undoAction"));
    edit->addAction(action("redoAction"));
    edit->addSeparator();
    edit->addAction(action("randomizeAction"));
    edit->addAction(action("randomizeWithSeedAction"));
    edit->addSeparator();
    edit->addAction(action("copyCodeAction"));
    edit->addAction(action("copyLookAction"));
    edit->addAction(action("pasteLookAction"));
    edit->addAction(m_pasteDesignCodeAction);
    edit->addSeparator();
    edit->addAction(action("preferencesAction"));

    m_colorsMenu = menuBar()->addMenu(tr("&Colors"));
    m_colorsMenu->addAction(m_colorsFromImageAction);

    QMenu* view = menuBar()->addMenu(tr("&View"));
    view->addAction(action("toggleSidebarAction"));
    view->addAction(action("toggleInspectorAction"));
    view->addSeparator();
    view->addAction(action("pauseMotionAction"));
    view->addSeparator();
    view->addAction(action("zoomInAction"));
    view->addAction(action("zoomOutAction"));
    view->addAction(action("zoomToFitAction"));
    view->addAction(action("actualSizeAction"));

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    help->addAction(action("helpAction"));
    help->addSeparator();
    help->addAction(action("aboutAction"));
    help->addAction(action("checkForUpdatesAction"));
}

void MainWindow::buildToolbar()
{
    QToolBar* bar = addToolBar(tr("Toolbar"));
    bar->setObjectName(QStringLiteral("mainToolbar"));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setIconSize(QSize(18, 18));
    bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    bar->setContextMenuPolicy(Qt::PreventContextMenu);
    bar->addAction(action("toggleSidebarAction"));
    bar->addAction(action("randomizeAction"));
    bar->addAction(action("pauseMotionAction"));
    auto* spacer = new QWidget;
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    bar->addWidget(spacer);
    bar->addAction(action("undoAction"));
    bar->addAction(action("redoAction"));
    bar->addSeparator();
    bar->addAction(action("copyCodeAction"));
    bar->addAction(action("exportPNGAction"));
    bar->addSeparator();
    bar->addAction(action("toggleInspectorAction"));
}

void MainWindow::updateUndoActions()
{
    QUndoStack* stack = m_document ? m_document->undoManager() : nullptr;
    action("undoAction")->setEnabled(stack && stack->canUndo());
    action("redoAction")->setEnabled(stack && stack->canRedo());
    // A step that names itself (a Randomize's seed) says so in the buttons' tooltips.
    const QString undoText = stack ? stack->undoText() : QString(), redoText = stack ? stack->redoText() : QString();
    // The tooltips are texts of their own: a translated menu entry may carry an accelerator.
    action("undoAction")->setToolTip(undoText.isEmpty() ? tr("Undo", "tooltip") : tr("Undo %1").arg(undoText));
    action("redoAction")->setToolTip(redoText.isEmpty() ? tr("Redo", "tooltip") : tr("Redo %1").arg(redoText));
}

} // namespace lumara::ui

// Layout, file commands, exports and the toast of the main window (its actions, menus and toolbar
// are built in MainWindowActions.cpp).
// UI thread only; PNG encoding and writing run on the global thread pool.
#include "ui/window/MainWindow.h"

#include "document/DesignCode.h"
#include "document/OrbDocument.h"
#include "document/PreferenceKeys.h"
#include "document/ProjectCodec.h"
#include "document/ReadImagePalette.h"
#include "document/ReadWholeFile.h"
#include "export/media/PngWriter.h"
#include "highlight/Highlight.h"
#include "model/RandomConfiguration.h"
#include "render/OrbRenderer.h"
#include "ui/canvas/MainCanvasView.h"
#include "ui/exports/ExportFlows.h"
#include "ui/inspector/InspectorView.h"
#include "ui/onboarding/OnboardingOverlay.h"
#include "ui/onboarding/OnboardingView.h"
#include "ui/onboarding/ReduceMotion.h"
#include "ui/sidebar/PresetSidebarView.h"
#include "ui/states/StateStripView.h"
#include "ui/style/Theme.h"
#include "ui/widgets/Capsule.h"
#include "ui/widgets/FileDialogs.h"
#include "ui/window/ErrorBanner.h"

#include <QApplication>
#include <QBoxLayout>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QGraphicsOpacityEffect>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QParallelAnimationGroup>
#include <QPainter>
#include <QPropertyAnimation>
#include <QScreen>
#include <QSettings>
#include <QSplitter>
#include <QTimer>
#include <QWindow>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>

namespace lumara::ui {

namespace {

constexpr const char* kRecentFilesKey = keys::recentFiles;
constexpr int kMaxRecentFiles = 10;
// The undo history keeps the most recent steps: each holds the whole project (some 10 KB for a few
// states), so an unbounded history grows without end over a long session.
constexpr int kUndoLimit = 500;
constexpr int kToastTop = 8; // points below the top edge of the content

// The one-pixel line between the strip and the canvas.
class Hairline : public QWidget {
public:
    Hairline() { setFixedHeight(1); }

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), sidebarColors(isDarkAppearance()).divider); }
};

} // namespace

QString windowTitleFor(const OrbDocument& document)
{
    static const QString prefix = QStringLiteral("Lumara \u2014 ");
    if (document.currentFileURL()) return prefix + QFileInfo(*document.currentFileURL()).completeBaseName();
    if (document.currentPresetName()) return prefix + *document.currentPresetName();
    return prefix + QCoreApplication::translate("lumara::ui::MainWindow", "Custom");
}

MainWindow::MainWindow(OrbDocument* document, QSettings* settings, std::unique_ptr<FileDialogs> dialogs, QWidget* parent)
    : QMainWindow(parent), m_document(document), m_settings(settings), m_dialogs(std::move(dialogs))
{
    setAcceptDrops(true);
    setUnifiedTitleAndToolBarOnMac(true);
    resize(1200, 800);

    m_sidebar = new PresetSidebarView(document, settings);
    // 180 to 240 points, or wider where a language's appearance switch needs the room.
    const int sidebarNeeds = m_sidebar->minimumSizeHint().width();
    m_sidebar->setMinimumWidth(std::max(180, sidebarNeeds));
    m_sidebar->setMaximumWidth(std::max(240, sidebarNeeds));

    auto* detail = new QWidget;
    auto* detailColumn = new QVBoxLayout(detail);
    detailColumn->setContentsMargins(0, 0, 0, 0);
    detailColumn->setSpacing(0);
    m_strip = new StateStripView(document);
    m_canvas = new MainCanvasView(document, settings);
    detailColumn->addWidget(m_strip);
    detailColumn->addWidget(new Hairline);
    detailColumn->addWidget(m_canvas, 1);
    connect(m_strip, &StateStripView::playingChanged, this, [this](bool playing) {
        m_isPlaying = playing;
        m_canvas->setPlaying(playing);
    });

    auto* inspector = new InspectorView(document);
    inspector->setMinimumWidth(280);
    inspector->setMaximumWidth(400);
    m_inspector = inspector;
    connectInspectorExports(inspector);

    m_splitter = new QSplitter(Qt::Horizontal);
    m_splitter->setChildrenCollapsible(false);
    m_splitter->setHandleWidth(1);
    m_splitter->addWidget(m_sidebar);
    m_splitter->addWidget(detail);
    m_splitter->addWidget(m_inspector);
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setStretchFactor(2, 0);
    m_splitter->setSizes({200, 680, 320});
    // The panes fill the window's content; the toast and the failure notice float over it. (A
    // splitter would take any child widget in as a pane of its own.)
    m_content = new QWidget;
    auto* contentLayout = new QVBoxLayout(m_content);
    contentLayout->setContentsMargins(0, 0, 0, 0);
    contentLayout->addWidget(m_splitter);
    setCentralWidget(m_content);

    m_toast = new CapsuleLabel(12, 6, false, m_content);
    m_toast->setFont(pixelFont(m_toast->font(), 12, QFont::Medium));
    m_toast->setAccessibleName(tr("Copied to clipboard"));
    m_toast->setGraphicsEffect(new QGraphicsOpacityEffect(m_toast));
    m_toast->hide();
    m_errorBanner = new ErrorBanner(m_content);
    connect(document, &OrbDocument::errorOccurred, this, [this](const QString& message) { m_errorBanner->showMessage(message); });

    m_exportFlows = new ExportFlows(this, document, m_dialogs.get());
    m_exportFlows->setSaveText([this](exporting::ExportFormat format, const QString& text) { exportTextFile(format, text); });
    m_exportFlows->setReportFailure([this](const QString& what, const QString& path, const std::string& reason) {
        reportFailure(what, path, reason);
    });
    highlight::Highlight::shared().preload(); // the first preview does not wait for the library to load

    m_undoStack.setUndoLimit(kUndoLimit); // while the stack is still empty, as QUndoStack requires
    buildActions();
    buildMenus();
    buildToolbar();

    connect(document, &OrbDocument::currentFileURLChanged, this, &MainWindow::updateTitle);
    connect(document, &OrbDocument::currentPresetNameChanged, this, &MainWindow::updateTitle);
    connect(document, &OrbDocument::undoManagerChanged, this, &MainWindow::updateUndoActions);
    connect(&m_undoStack, &QUndoStack::canUndoChanged, this, &MainWindow::updateUndoActions);
    connect(&m_undoStack, &QUndoStack::canRedoChanged, this, &MainWindow::updateUndoActions);
    connect(&m_undoStack, &QUndoStack::undoTextChanged, this, &MainWindow::updateUndoActions);
    connect(&m_undoStack, &QUndoStack::redoTextChanged, this, &MainWindow::updateUndoActions);
    updateTitle();
    updateUndoActions();

    if (wantsOnboarding(*settings)) m_onboarding = new OnboardingOverlay(this, settings, prefersReducedMotion());
}

MainWindow::~MainWindow()
{
    m_exports.waitForFinished();
    delete m_exportFlows; // stops a running animated export and waits for it
    m_exportFlows = nullptr;
    if (m_document && m_document->undoManager() == &m_undoStack) m_document->setUndoManager(nullptr);
}

void MainWindow::updateTitle()
{
    if (m_document) setWindowTitle(windowTitleFor(*m_document));
}

void MainWindow::openCommand()
{
    if (auto path = m_dialogs->chooseFileToOpen(this, openableFileType())) openFile(*path);
}

bool MainWindow::openFile(const QString& path)
{
    if (!m_document) return false;
    const QString absolute = QFileInfo(path).absoluteFilePath();
    if (auto opened = m_document->loadProject(absolute); !opened) { // the document stays as it was
        reportFailure(tr("Could not open"), absolute, opened.error().message);
        return false;
    }
    rememberRecentFile(absolute);
    return true;
}

void MainWindow::saveCommand()
{
    if (!m_document) return;
    if (const auto& location = m_document->currentFileURL()) {
        const QString path = *location; // a failed save keeps the document's file location
        if (auto saved = m_document->saveProject(path)) rememberRecentFile(path);
        else reportFailure(tr("Could not save"), path, saved.error().message);
        return;
    }
    saveAsCommand();
}

void MainWindow::saveAsCommand()
{
    if (!m_document) return;
    if (auto path = m_dialogs->chooseSaveLocation(this, projectFileType(), tr("My Orb"))) {
        if (auto saved = m_document->saveProject(*path)) rememberRecentFile(*path);
        else reportFailure(tr("Could not save"), *path, saved.error().message);
    }
}

void MainWindow::copyCode()
{
    if (!m_document) return;
    const std::string text = exporting::generateExportText(exporting::ExportFormat::swiftUI, m_document->projectData());
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(QString::fromStdString(text));
    showToast(tr("Copied to clipboard"));
}

void MainWindow::copyLook()
{
    if (!m_document) return;
    auto record = encodeConfiguration(m_document->currentConfiguration()->values(), Container::json);
    if (!record) {
        m_errorBanner->showMessage(tr("Could not copy the look.\n%1.").arg(QString::fromStdString(record.error().message)));
        return;
    }
    QGuiApplication::clipboard()->setText(QString::fromStdString(*record));
    showToast(tr("Look copied"));
}

void MainWindow::pasteLook()
{
    if (!m_document) return;
    const QString text = QGuiApplication::clipboard()->text();
    auto look = decodeLook(text.toStdString());
    if (!look) {
        m_errorBanner->showMessage(tr("Could not paste a look.\nThe clipboard holds no orb configuration "
                                                  "(%1). Copy one with Copy Look.")
                                       .arg(QString::fromStdString(look.error().message)));
        return;
    }
    m_document->applyLook(*look);
}

void MainWindow::randomizeWithSeed()
{
    if (!m_document) return;
    auto* dialog = new QInputDialog(this);
    dialog->setObjectName(QStringLiteral("randomSeedDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(tr("Randomize with Seed"));
    dialog->setLabelText(tr("The same seed always draws the same orb; locked parameters are kept.\nSeed:"));
    dialog->setOkButtonText(tr("Randomize"));
    if (const auto seed = m_document->lastRandomSeed()) dialog->setTextValue(QString::number(*seed));
    connect(dialog, &QInputDialog::textValueSelected, this, [this](const QString& text) {
        const auto seed = parseRandomSeed(text.toStdString());
        if (!seed) {
            m_errorBanner->showMessage(tr("Could not randomize.\n\"%1\" is not a seed: give a whole number from 0 to "
                                                      "18446744073709551615.")
                                           .arg(text.trimmed()));
            return;
        }
        if (m_document) m_document->randomize(*seed);
    });
    dialog->open();
}

void MainWindow::colorsFromImageCommand()
{
    if (auto path = m_dialogs->chooseFileToOpen(this, imageFileType())) applyColorsFromImage(*path);
}

bool MainWindow::applyColorsFromImage(const QString& path)
{
    if (!m_document) return false;
    auto palette = readImagePalette(path);
    if (!palette) {
        reportFailure(tr("Could not take colors from"), path, palette.error().message);
        return false;
    }
    m_document->applyBackgroundColors(*palette);
    return true;
}

void MainWindow::copyDesignCode()
{
    if (!m_document) return;
    auto code = encodeDesignCode(m_document->projectData());
    if (!code) {
        m_errorBanner->showMessage(
            tr("Could not copy the design code.\n%1.").arg(QString::fromStdString(code.error().message)));
        return;
    }
    QGuiApplication::clipboard()->setText(QString::fromStdString(*code));
    showToast(tr("Design code copied"));
}

void MainWindow::pasteDesignCode() { openDesignCode(QGuiApplication::clipboard()->text()); }

bool MainWindow::openDesignCode(const QString& text)
{
    if (!m_document) return false;
    auto project = decodeDesignCode(text.toStdString());
    if (!project) {
        QString reason = QString::fromStdString(project.error().message);
        if (!reason.isEmpty()) reason[0] = reason[0].toUpper();
        if (project.error().code == CodecError::notDesignCode)
            reason = tr("The text is not a design code. Copy one with Copy Design Code");
        m_errorBanner->showMessage(tr("Could not open the design code.\n%1.").arg(reason));
        return false;
    }
    m_document->openDesign(*project);
    return true;
}

FileType exportFileType(exporting::ExportFormat format)
{
    switch (format) {
    case exporting::ExportFormat::swiftUI: return {QCoreApplication::translate("lumara::ui::MainWindow", "Swift source (*.swift)"), QStringLiteral("swift")};
    case exporting::ExportFormat::html: return {QCoreApplication::translate("lumara::ui::MainWindow", "HTML page (*.html)"), QStringLiteral("html")};
    case exporting::ExportFormat::prompt: return {QCoreApplication::translate("lumara::ui::MainWindow", "Markdown text (*.md)"), QStringLiteral("md")};
    }
    return {};
}

void MainWindow::exportTextFile(exporting::ExportFormat format)
{
    if (!m_document) return;
    // The file holds the design as it was when the command was chosen.
    exportTextFile(format, QString::fromStdString(exporting::generateExportText(format, m_document->projectData())));
}

void MainWindow::exportTextFile(exporting::ExportFormat format, const QString& text)
{
    const FileType type = exportFileType(format);
    if (auto path = m_dialogs->chooseSaveLocation(this, type, QStringLiteral("orb.") + type.extension)) {
        // A failed write leaves any old file intact.
        if (auto written = writeOutputFile(path->toStdString(), text.toStdString()); !written)
            reportFailure(QStringLiteral("Could not export"), *path, written.error().message);
    }
}

void MainWindow::requestExportPreview(exporting::ExportFormat format) { m_exportFlows->requestExportPreview(format); }

void MainWindow::showAnimatedExportSheet() { m_exportFlows->showAnimatedExportSheet(); }

void MainWindow::exportWebPackage() { m_exportFlows->exportWebPackage(); }

void MainWindow::exportPNGImage()
{
    if (!m_document) return;
    // The picture is of the moment shown as the command is given (the moment held while the
    // motion is paused), whenever the panel is confirmed.
    const OrbValues values = m_document->currentConfiguration()->values();
    const double time = m_canvas->shownTime();
    const std::string design = m_document->embeddedProject();
    if (render::orbPixelSize(values, 2.0) <= 0) return;
    const FileType type{tr("PNG image (*.png)"), QStringLiteral("png")};
    if (auto path = m_dialogs->chooseSaveLocation(this, type, QStringLiteral("orb.png"))) {
        const QString target = *path;
        QPointer<MainWindow> window(this);
        m_exports.addFuture(QtConcurrent::run([values, time, target, window, design] {
            auto written = exporting::exportPngImage(values, time, 2.0, target.toStdString(), design);
            if (written) return;
            // Reported on the UI thread; the window may be gone by then.
            QMetaObject::invokeMethod(qApp, [window, target, reason = written.error().message] {
                if (window) window->reportFailure(tr("Could not export"), target, reason);
            }, Qt::QueuedConnection);
        }));
    }
}

void MainWindow::connectInspectorExports(InspectorView* inspector)
{
    connect(inspector, &InspectorView::textExportRequested, this, &MainWindow::requestExportPreview);
    connect(inspector, &InspectorView::pngExportRequested, this, &MainWindow::exportPNGImage);
    connect(inspector, &InspectorView::animationExportRequested, this, &MainWindow::showAnimatedExportSheet);
    connect(inspector, &InspectorView::webPackageExportRequested, this, &MainWindow::exportWebPackage);
    connect(inspector, &InspectorView::colorsFromPictureRequested, this, &MainWindow::applyColorsFromImage);
}

void MainWindow::waitForExports() { m_exports.waitForFinished(); }

QStringList MainWindow::recentFiles() const { return m_settings->value(kRecentFilesKey).toStringList(); }

void MainWindow::rememberRecentFile(const QString& path)
{
    QStringList files = recentFiles();
    files.removeAll(path);
    files.prepend(path);
    while (files.size() > kMaxRecentFiles) files.removeLast();
    m_settings->setValue(kRecentFilesKey, files);
    rebuildRecentMenu();
}

void MainWindow::rebuildRecentMenu()
{
    m_recentMenu->clear();
    const QStringList files = recentFiles();
    for (const QString& path : files) {
        QAction* item = m_recentMenu->addAction(QFileInfo(path).fileName());
        item->setToolTip(path);
        item->setStatusTip(path);
        connect(item, &QAction::triggered, this, [this, path] { openFile(path); });
    }
    if (!files.isEmpty()) m_recentMenu->addSeparator();
    QAction* clear = m_recentMenu->addAction(tr("Clear Menu"));
    clear->setEnabled(!files.isEmpty());
    connect(clear, &QAction::triggered, this, [this] {
        m_settings->remove(kRecentFilesKey);
        rebuildRecentMenu();
    });
}

bool MainWindow::isInspectorShown() const { return !m_inspector->isHidden(); }

void MainWindow::setInspectorShown(bool shown)
{
    m_inspector->setVisible(shown);
    action("toggleInspectorAction")->setChecked(shown);
}

bool MainWindow::isSidebarShown() const { return !m_sidebar->isHidden(); }

void MainWindow::setSidebarShown(bool shown)
{
    m_sidebar->setVisible(shown);
    action("toggleSidebarAction")->setChecked(shown);
}

QWidget* MainWindow::toast() const { return m_toast; }

OnboardingOverlay* MainWindow::onboarding() const { return m_onboarding; }

void MainWindow::showToast(const QString& text)
{
    ++m_toastShows;
    m_toast->setText(text);
    m_toast->adjustSize();
    if (m_toast->isHidden()) {
        // It enters from the top edge of the content, fading in on the way down.
        m_toast->move(toastLeft(), -m_toast->height());
        static_cast<QGraphicsOpacityEffect*>(m_toast->graphicsEffect())->setOpacity(0.0);
    }
    m_toast->raise();
    m_toast->show();
    animateToast(true);
    // Each copy schedules its own dismissal two seconds later.
    QTimer::singleShot(2000, this, &MainWindow::hideToast);
}

void MainWindow::hideToast()
{
    if (m_toast->isHidden()) return;
    // A copy while the toast leaves brings it back: the leaving that was under way must not hide it.
    const int shows = m_toastShows;
    connect(animateToast(false), &QAbstractAnimation::finished, m_toast, [this, shows] {
        if (shows == m_toastShows) m_toast->hide();
    });
}

QAbstractAnimation* MainWindow::animateToast(bool in)
{
    // The new movement starts where the one under way has got to.
    if (m_toastAnimation) m_toastAnimation->stop();
    auto* group = new QParallelAnimationGroup(m_toast);
    auto* fade = new QPropertyAnimation(m_toast->graphicsEffect(), "opacity", group);
    fade->setEndValue(in ? 1.0 : 0.0);
    auto* slide = new QPropertyAnimation(m_toast, "pos", group);
    slide->setEndValue(QPoint(toastLeft(), in ? kToastTop : -m_toast->height()));
    for (QPropertyAnimation* part : {fade, slide}) {
        part->setDuration(200);
        part->setEasingCurve(QEasingCurve::OutCubic);
        group->addAnimation(part);
    }
    group->start(QAbstractAnimation::DeleteWhenStopped);
    m_toastAnimation = group;
    return group;
}

int MainWindow::toastLeft() const { return (m_content->width() - m_toast->width()) / 2; }

void MainWindow::placeNotices()
{
    if (!m_toast->isHidden() && !m_toastAnimation) m_toast->move(toastLeft(), kToastTop);
    m_errorBanner->place();
}

QString MainWindow::errorMessage() const { return m_errorBanner->message(); }

void MainWindow::reportFailure(const QString& what, const QString& path, const std::string& reason)
{
    const QString name = QFileInfo(path).fileName();
    QString because = QString::fromStdString(reason);
    if (!because.isEmpty()) because[0] = because[0].toUpper();
    if (!because.endsWith(u'.')) because += u'.';
    m_errorBanner->showMessage(tr("%1 “%2”.\n%3").arg(what, name.isEmpty() ? path : name,
                                                                          because));
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    placeNotices();
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_handedUndoManager) return;
    m_handedUndoManager = true;
    if (m_document) m_document->setUndoManager(&m_undoStack);
    QTimer::singleShot(100, this, &MainWindow::enlargeToScreen);
}

void MainWindow::enlargeToScreen()
{
    m_placedOnScreen = true;
    QScreen* screen = windowHandle() ? windowHandle()->screen() : nullptr;
    if (!screen || isMaximized() || isFullScreen()) return;
    // The frame (title bar and borders) stays inside the screen's available area.
    const QMargins frame(geometry().left() - frameGeometry().left(), geometry().top() - frameGeometry().top(),
                         frameGeometry().right() - geometry().right(), frameGeometry().bottom() - geometry().bottom());
    setGeometry(screen->availableGeometry().marginsRemoved(frame));
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    const QMimeData* data = event->mimeData();
    const QList<QUrl> urls = data->urls();
    // A file (a project, a picture or a text file holding a design code), or a code dragged as text.
    const bool file = urls.size() == 1 && urls.front().isLocalFile();
    if (file || (urls.isEmpty() && data->hasText() && looksLikeDesignCode(data->text().toStdString())))
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event)
{
    const QMimeData* data = event->mimeData();
    const QList<QUrl> urls = data->urls();
    if (urls.size() == 1 && urls.front().isLocalFile()) {
        if (openFile(urls.front().toLocalFile())) event->acceptProposedAction();
    } else if (urls.isEmpty() && data->hasText() && openDesignCode(data->text())) {
        event->acceptProposedAction();
    }
}

} // namespace lumara::ui

// The main window: preset sidebar, the detail column (state strip, divider, canvas), the inspector
// column with its toggle, the toolbar, the menu bar with its shortcuts, the window title rule and
// the file commands (open, save, save as, recent files, drops). UI thread only.
#pragma once

#include "document/OrbDocument.h"
#include "export/text/ExportText.h"
#include "ui/widgets/FileDialogs.h"

#include <QFutureSynchronizer>

#include <QMainWindow>
#include <QPointer>
#include <QUndoStack>

#include <memory>

class QAbstractAnimation;
class QSettings;
class QSplitter;


namespace lumara::ui {

class CapsuleLabel;
class InspectorView;
class ExportFlows;
class ErrorBanner;
class FileDialogs;
class MainCanvasView;
class OnboardingOverlay;
class PresetSidebarView;
class StateStripView;

// The save panel's file type of a text export: swift, html or md.
FileType exportFileType(exporting::ExportFormat format);

// "Lumara — " and the file's name without its extension, else the preset name, else "Custom".
QString windowTitleFor(const OrbDocument& document);

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // `settings` holds the window's preferences; document and settings must outlive the window.
    MainWindow(OrbDocument* document, QSettings* settings, std::unique_ptr<FileDialogs> dialogs, QWidget* parent = nullptr);
    ~MainWindow() override;

    OrbDocument* document() const { return m_document; }
    QUndoStack* undoStack() { return &m_undoStack; }

    // The file commands, as the menu runs them; failures leave the document as it was.
    void openCommand();
    void saveCommand();
    void saveAsCommand();
    // Opens a project file (recent files, drops, the command line). Returns whether it opened.
    bool openFile(const QString& path);
    // Opens the design code in `text` as an unsaved design, one undo step as Open is; text that is
    // no code, or a damaged one, shows the error banner and changes nothing. Returns whether it opened.
    bool openDesignCode(const QString& text);

    // Puts the SwiftUI export on the clipboard and shows the "Copied to clipboard" toast.
    void copyCode();
    // The selected state's configuration record on the clipboard, as plain JSON text.
    void copyLook();
    // A configuration (or a project's selected one) from the clipboard into the selected state, one
    // undo step; other text changes nothing and says so.
    void pasteLook();
    // Asks for a seed (the last one filled in) and randomizes with it; a text that is no seed
    // changes nothing and says so.
    void randomizeWithSeed();
    // Colors ▸ From Image…: asks for a picture, then applyColorsFromImage; cancelling changes nothing.
    void colorsFromImageCommand();
    // The picture's three to six dominant colours (readImagePalette) as the selected state's
    // background colours, one undo step, the glow colour untouched. A file that cannot be read as a
    // picture changes nothing and shows the failure notice. Returns whether the colours were taken.
    bool applyColorsFromImage(const QString& path);
    // The whole project as a design code (DesignCode.h) on the clipboard, with a toast.
    void copyDesignCode();
    // openDesignCode of the clipboard's text.
    void pasteDesignCode();
    // Generates the text now, then asks where to write it ("orb." + extension) and writes it
    // atomically; cancelling or a failed write changes nothing.
    void exportTextFile(exporting::ExportFormat format);
    // Asks where to write `text` ("orb." + the format's extension) and writes it atomically.
    void exportTextFile(exporting::ExportFormat format, const QString& text);
    // The text export preview: the "Generating code…" card, then the coloured text with copy.
    void requestExportPreview(exporting::ExportFormat format);
    // The animated export sheet (format, motion settings, export with progress).
    void showAnimatedExportSheet();
    // Asks for a folder and writes the web package of the open project into it (ExportFlows).
    void exportWebPackage();
    ExportFlows* exportFlows() const { return m_exportFlows; }
    // Renders the current orb at twice its size at this moment, then asks where to save "orb.png";
    // the file is encoded and written off the UI thread.
    void exportPNGImage();
    // Waits for a PNG export in progress (tests, orderly quit).
    void waitForExports();

    bool isInspectorShown() const;
    void setInspectorShown(bool shown);
    bool isSidebarShown() const;
    void setSidebarShown(bool shown);
    bool isPlaying() const { return m_isPlaying; }
    // Whether the window has taken its size on the screen, a moment after it was first shown.
    bool isPlacedOnScreen() const { return m_placedOnScreen; }

    // An action of the menus or toolbar by object name ("saveAction", "undoAction", ...).
    QAction* action(const char* objectName) const;
    QAction* colorsFromImageAction() const { return m_colorsFromImageAction; }
    QMenu* colorsMenu() const { return m_colorsMenu; }
    QAction* copyDesignCodeAction() const { return m_copyDesignCodeAction; }
    QAction* pasteDesignCodeAction() const { return m_pasteDesignCodeAction; }
    StateStripView* stateStrip() const { return m_strip; }
    MainCanvasView* canvas() const { return m_canvas; }
    PresetSidebarView* sidebar() const { return m_sidebar; }
    QWidget* inspector() const { return m_inspector; }
    QWidget* toast() const;
    // The first-run pages while they are shown (created with the window when not yet seen).
    OnboardingOverlay* onboarding() const;
    QStringList recentFiles() const;
    // File ▸ Recover Unsaved Project: projects other editors autosaved before they ended, filled
    // by the application; hidden while empty.
    QMenu* recoverMenu() const { return m_recoverMenu; }
    // The failure notice on show, or an empty text when none is shown.
    QString errorMessage() const;
    // Shows a failure without blocking: "<what> <file name>." and the reason on a second line.
    void reportFailure(const QString& what, const QString& path, const std::string& reason);

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildActions();
    void buildMenus();
    void buildToolbar();
    void updateTitle();
    void updateUndoActions();
    void rememberRecentFile(const QString& path);
    void rebuildRecentMenu();
    void showToast(const QString& text);
    void hideToast();
    // Moves the toast in from the top edge or back out, fading, over 0.2 s (ease-out), taking over
    // from a movement under way; the animation deletes itself.
    QAbstractAnimation* animateToast(bool in);
    int toastLeft() const;
    // Keeps the toast and the failure notice in place over the content.
    void placeNotices();
    void enlargeToScreen();
    // Where the inspector's export rows lead.
    void connectInspectorExports(InspectorView* inspector);
    QAction* makeAction(const char* objectName, const QString& text, const QList<QKeySequence>& shortcuts = {});

    QPointer<OrbDocument> m_document;
    QSettings* m_settings;
    std::unique_ptr<FileDialogs> m_dialogs;
    QUndoStack m_undoStack;
    bool m_handedUndoManager = false;
    bool m_placedOnScreen = false;
    bool m_isPlaying = false;

    QWidget* m_content = nullptr; // the panes, with the notices floating over them
    QSplitter* m_splitter = nullptr;
    PresetSidebarView* m_sidebar = nullptr;
    StateStripView* m_strip = nullptr;
    MainCanvasView* m_canvas = nullptr;
    QWidget* m_inspector = nullptr;
    CapsuleLabel* m_toast = nullptr;
    QPointer<QAbstractAnimation> m_toastAnimation;
    int m_toastShows = 0;
    QPointer<OnboardingOverlay> m_onboarding;
    ErrorBanner* m_errorBanner = nullptr;
    QMenu* m_recentMenu = nullptr;
    QMenu* m_recoverMenu = nullptr;
    QMenu* m_colorsMenu = nullptr;
    QAction* m_colorsFromImageAction = nullptr;
    QFutureSynchronizer<void> m_exports;
    ExportFlows* m_exportFlows = nullptr;
    QAction* m_copyDesignCodeAction = nullptr;
    QAction* m_pasteDesignCodeAction = nullptr;
};

} // namespace lumara::ui

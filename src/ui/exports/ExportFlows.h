// The editor's export flows: the text export preview (the "Generating code…" card while the text is
// highlighted on the highlighter's thread, then the preview sheet), the animated export sheet, the
// running animated export's progress in the window's status capsule while the sheet is closed, and
// the web package written into a folder. UI thread only.
#pragma once

#include "document/OrbDocument.h"
#include "export/text/ExportText.h"
#include "ui/exports/AnimationExportRunner.h"
#include "ui/exports/ExportPreviewSheet.h"
#include "ui/widgets/DimmedOverlay.h"

#include <QFutureWatcher>
#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>

class QLabel;
class QProgressBar;
class QPushButton;

namespace lumara::highlight {
class Highlight;
}

namespace lumara::ui {

class AnimatedExportSheet;
class FileDialogs;

class ExportFlows : public QObject {
    Q_OBJECT
public:
    // Layers are drawn over `window`; the dialogs and document must outlive the flows.
    ExportFlows(QWidget* window, OrbDocument* document, FileDialogs* dialogs);
    ~ExportFlows() override;

    // The highlighter used for previews (the shared one unless a test gives another).
    void setHighlighter(highlight::Highlight* highlighter) { m_highlighter = highlighter; }
    // The clock behind the "Copied!" reset (tests inject theirs).
    void setScheduler(Scheduler scheduler) { m_scheduler = std::move(scheduler); }
    // Runs when the user presses "Save…" in a preview: write that text to a file.
    void setSaveText(std::function<void(exporting::ExportFormat, const QString&)> save) { m_saveText = std::move(save); }
    // Runs when an export made here fails: what failed, the path at fault and why.
    using ReportFailure = std::function<void(const QString& what, const QString& path, const std::string& reason)>;
    void setReportFailure(ReportFailure report) { m_reportFailure = std::move(report); }

    // Generates the export text now, shows the "Generating code…" card and, once the highlighter
    // answers (or fails: then the text is shown plain), the preview. Dark or light colours follow
    // the window at this moment. Ignored while a preview is being prepared.
    void requestExportPreview(exporting::ExportFormat format);
    bool isPreparingExport() const { return m_preparing; }
    DimmedOverlay* generatingOverlay() const { return m_cardOverlay; }
    DimmedOverlay* previewOverlay() const { return m_previewOverlay; }
    ExportPreviewSheet* previewSheet() const;
    void closePreview();

    // Shows the animated export sheet with fresh settings.
    void showAnimatedExportSheet();
    void closeAnimatedExportSheet();
    DimmedOverlay* animationOverlay() const { return m_animationOverlay; }
    AnimatedExportSheet* animatedExportSheet() const;

    // Asks for a folder, then writes the open project's web package, posters included, named after
    // the project's file ("lumara-orb" while unsaved), into a folder of that name inside the one
    // chosen, or into the chosen folder itself when it bears the name already (exporting again
    // replaces the files). On the UI thread: a few posters take well under a second. Success shows
    // "Exported <name>" in the status capsule; a failure is reported (setReportFailure). Cancelling
    // writes nothing.
    void exportWebPackage();

    // The running animated export, which the sheet starts and stops.
    AnimationExportRunner* animationRunner() const { return m_runner; }
    // The window's status capsule of the running or just-finished export.
    QWidget* exportStatus() const;

signals:
    void previewShown();

private:
    DimmedOverlay* makeOverlay(QWidget* content);
    void showPreview(const QString& code, std::shared_ptr<QTextDocument> highlighted, const QString& background,
                     exporting::ExportFormat format);
    void animationFinished(AnimationExportJob::Outcome outcome, const QString& destination);

    QWidget* m_window;
    QPointer<OrbDocument> m_document;
    highlight::Highlight* m_highlighter = nullptr;
    Scheduler m_scheduler;
    std::function<void(exporting::ExportFormat, const QString&)> m_saveText;
    ReportFailure m_reportFailure;
    FileDialogs* m_dialogs;

    bool m_preparing = false;
    QPointer<DimmedOverlay> m_cardOverlay;
    QPointer<DimmedOverlay> m_previewOverlay;
    QPointer<DimmedOverlay> m_animationOverlay;
    AnimationExportRunner* m_runner;
    class StatusCapsule;
    StatusCapsule* m_status = nullptr;
};

} // namespace lumara::ui

// The editor's export flows: the text export preview (the "Generating code…" card while the text is
// highlighted on the highlighter's thread, then the preview sheet), the animated export sheet, and
// the running animated export with its progress in the window's status capsule. UI thread only.
#pragma once

#include "document/OrbDocument.h"
#include "export/media/AnimatedExport.h"
#include "export/media/PlaybackLoopExport.h"
#include "export/text/ExportText.h"
#include "ui/exports/AnimationExportJob.h"
#include "ui/exports/ExportPreviewSheet.h"
#include "ui/widgets/DimmedOverlay.h"
#include "ui/widgets/FileDialogs.h"

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

// The save panel's file type of an animated format: its filter and extension ("orb.mp4", ...).
FileType animationFileType(exporting::AnimatedExportFormat format);

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

    // A save panel for the format's type proposing "orb." + its extension; nothing when dismissed.
    std::optional<QString> chooseAnimationDestination(exporting::AnimatedExportFormat format);
    // Starts exporting the current configuration, or with `playbackLoop` one cycle of the playback
    // of all states (refused with fewer than two). Refused (false) while another export runs.
    bool startAnimationExport(exporting::AnimatedExportFormat format, const exporting::MotionSettings& settings,
                              const QString& destination, bool playbackLoop = false);
    OrbDocument* document() const { return m_document; }
    void stopAnimationExport();
    bool isAnimationExportRunning() const { return m_job && m_job->isRunning(); }
    AnimationExportJob* animationExportJob() const { return m_job; }
    // The window's status capsule of the running or just-finished export.
    QWidget* exportStatus() const;
    // Blocks until a running export has ended (tests, orderly quit).
    void waitForAnimationExport();

signals:
    void animationExportChanged();
    void animationExportProgress(int done, int total);
    void animationExportFinished(lumara::ui::AnimationExportJob::Outcome outcome, const QString& destination);
    void previewShown();

private:
    DimmedOverlay* makeOverlay(QWidget* content);
    void showPreview(const QString& code, std::shared_ptr<QTextDocument> highlighted, const QString& background,
                     exporting::ExportFormat format);
    void jobFinished(AnimationExportJob::Outcome outcome);

    QWidget* m_window;
    QPointer<OrbDocument> m_document;
    FileDialogs* m_dialogs;
    highlight::Highlight* m_highlighter = nullptr;
    Scheduler m_scheduler;
    std::function<void(exporting::ExportFormat, const QString&)> m_saveText;

    bool m_preparing = false;
    QPointer<DimmedOverlay> m_cardOverlay;
    QPointer<DimmedOverlay> m_previewOverlay;
    QPointer<DimmedOverlay> m_animationOverlay;
    QPointer<AnimationExportJob> m_job;
    class StatusCapsule;
    StatusCapsule* m_status = nullptr;
};

} // namespace lumara::ui

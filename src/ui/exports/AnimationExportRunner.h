// The editor's one running animated export: where it is written, starting it from the open
// document, Stop, and its progress and outcome as signals. The animated export sheet drives it and
// the export flows show what it does when the sheet is closed. UI thread only.
#pragma once

#include "document/OrbDocument.h"
#include "export/media/AnimatedExport.h"
#include "ui/exports/AnimationExportJob.h"
#include "ui/widgets/FileDialogs.h"

#include <QObject>
#include <QPointer>

#include <optional>

namespace lumara::ui {

// The save panel's file type of an animated format: its filter and extension ("orb.mp4", ...).
FileType animationFileType(exporting::AnimatedExportFormat format);

class AnimationExportRunner : public QObject {
    Q_OBJECT
public:
    // Save panels open over `window`; the dialogs and document must outlive the runner.
    AnimationExportRunner(QWidget* window, OrbDocument* document, FileDialogs* dialogs, QObject* parent = nullptr);
    ~AnimationExportRunner() override; // stops a running export and waits for it

    OrbDocument* document() const { return m_document; }
    // A save panel for the format's type proposing "orb." + its extension; nothing when dismissed.
    std::optional<QString> chooseAnimationDestination(exporting::AnimatedExportFormat format);
    // Starts exporting the current configuration, or with `playbackLoop` one cycle of the playback
    // of all states (refused with fewer than two). Refused (false) while another export runs.
    bool startAnimationExport(exporting::AnimatedExportFormat format, const exporting::MotionSettings& settings,
                              const QString& destination, bool playbackLoop = false);
    void stopAnimationExport();
    bool isAnimationExportRunning() const { return m_job && m_job->isRunning(); }
    // The running or last export; nothing before the first.
    AnimationExportJob* animationExportJob() const { return m_job; }
    // Blocks until a running export has ended (tests, orderly quit).
    void waitForAnimationExport();

signals:
    void animationExportChanged();
    void animationExportProgress(int done, int total);
    void animationExportFinished(lumara::ui::AnimationExportJob::Outcome outcome, const QString& destination);

private:
    QWidget* m_window;
    QPointer<OrbDocument> m_document;
    FileDialogs* m_dialogs;
    QPointer<AnimationExportJob> m_job;
};

} // namespace lumara::ui

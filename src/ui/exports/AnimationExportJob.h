// One animated export running off the UI thread: frames done of total as it goes, a Stop that
// cancels it cleanly (the exporter leaves any existing file as it was and no temporary behind), and
// the outcome announced on the UI thread. Create, start and observe on the UI thread.
#pragma once

#include "export/media/AnimatedExport.h"
#include "export/media/PlaybackLoopExport.h"
#include "model/OrbValues.h"

#include <QFuture>
#include <QObject>
#include <QString>

#include <atomic>
#include <memory>
#include <optional>

namespace lumara::ui {

class AnimationExportJob : public QObject {
    Q_OBJECT
public:
    enum class Outcome { running, succeeded, stopped, failed };

    AnimationExportJob(OrbValues values, exporting::AnimatedExportFormat format, exporting::MotionSettings settings,
                       QString destination, QObject* parent = nullptr);
    ~AnimationExportJob() override; // stops the export and waits for it

    // The design the file carries (OrbDocument::embeddedProject); set before start().
    void setEmbeddedProject(std::string text) { m_embeddedProject = std::move(text); }
    // Exports this playback loop instead of the one configuration; set before start().
    void setPlaybackLoop(exporting::PlaybackLoop loop) { m_loop = std::move(loop); }
    bool isPlaybackLoop() const { return m_loop.has_value(); }
    void start();
    // Asks the export to stop at its next frame; `finished` follows with Outcome::stopped.
    void stop();
    // Blocks until the export has ended and its outcome was announced (tests, orderly quit).
    void waitForFinished();

    bool isRunning() const { return m_outcome == Outcome::running && m_started; }
    Outcome outcome() const { return m_outcome; }
    // Progress in the writer's steps: a frame each, and for some formats a second pass over them.
    int framesDone() const { return m_done; }
    int framesTotal() const { return m_total; }
    // Frames in the file.
    int frameCount() const { return m_frames; }
    const QString& destination() const { return m_destination; }
    exporting::AnimatedExportFormat format() const { return m_format; }
    // The exporter's own explanation of a failure ("" otherwise).
    const QString& failureReason() const { return m_failureReason; }

signals:
    void progressChanged(int done, int total);
    void finished(lumara::ui::AnimationExportJob::Outcome outcome);

private:
    struct Shared {
        std::atomic<bool> stopRequested{false};
        std::atomic<int> lastPostedPercent{-1};
    };

    void report(int done, int total);
    void complete(Outcome outcome, const QString& reason);

    OrbValues m_values;
    std::optional<exporting::PlaybackLoop> m_loop;
    std::string m_embeddedProject;
    exporting::AnimatedExportFormat m_format;
    exporting::MotionSettings m_settings;
    QString m_destination;
    std::shared_ptr<Shared> m_shared = std::make_shared<Shared>();
    QFuture<void> m_future;
    bool m_started = false;
    Outcome m_outcome = Outcome::running;
    int m_done = 0;
    int m_total = 0;
    int m_frames = 0;
    QString m_failureReason;
};

} // namespace lumara::ui

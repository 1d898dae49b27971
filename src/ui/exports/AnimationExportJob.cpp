// The animated export on a worker thread; progress and the outcome come back as queued calls.
#include "ui/exports/AnimationExportJob.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThread>
#include <QtConcurrent/QtConcurrentRun>

namespace lumara::ui {

AnimationExportJob::AnimationExportJob(OrbValues values, exporting::AnimatedExportFormat format, exporting::MotionSettings settings,
                                       QString destination, QObject* parent)
    : QObject(parent), m_values(std::move(values)), m_format(format), m_settings(settings), m_destination(std::move(destination))
{
}

AnimationExportJob::~AnimationExportJob()
{
    m_shared->stopRequested = true;
    m_future.waitForFinished();
}

void AnimationExportJob::start()
{
    if (m_started) return;
    m_started = true;
    m_frames = m_loop ? exporting::playbackLoopFrameCount(*m_loop, m_settings.fps) : exporting::animationFrameCount(m_settings);
    m_total = m_frames;
    QPointer<AnimationExportJob> self(this);
    std::shared_ptr<Shared> shared = m_shared;
    exporting::AnimationExportOptions options;
    // Leave one core to the window so it stays smooth while frames render.
    options.embeddedProject = m_embeddedProject;
    options.threads = std::max(1, QThread::idealThreadCount() - 1);
    options.progress = [self, shared](int done, int total) {
        if (shared->stopRequested) return false;
        // Post at most once per percent: a long export must not flood the UI thread.
        const int percent = total > 0 ? int(std::int64_t(done) * 100 / total) : 0;
        if (percent != shared->lastPostedPercent.exchange(percent) || done == total)
            QMetaObject::invokeMethod(qApp, [self, done, total] {
                if (self) self->report(done, total);
            }, Qt::QueuedConnection);
        return true;
    };
    const std::string target = m_destination.toStdString();
    m_future = QtConcurrent::run([self, shared, values = m_values, loop = m_loop, format = m_format, settings = m_settings, target,
                                  options] {
        const Result<Ok, exporting::ExportError> result =
            loop ? exporting::exportPlaybackLoop(*loop, format, settings, target, options)
                 : exporting::exportAnimation(values, format, settings, target, options);
        Outcome outcome = Outcome::succeeded;
        QString reason;
        if (!result) {
            outcome = result.error().code == exporting::ExportError::cancelled && shared->stopRequested ? Outcome::stopped : Outcome::failed;
            reason = QString::fromStdString(result.error().message);
        }
        QMetaObject::invokeMethod(qApp, [self, outcome, reason] {
            if (self) self->complete(outcome, reason);
        }, Qt::QueuedConnection);
    });
}

void AnimationExportJob::stop() { m_shared->stopRequested = true; }

void AnimationExportJob::waitForFinished()
{
    m_future.waitForFinished();
    while (m_started && m_outcome == Outcome::running) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

void AnimationExportJob::report(int done, int total)
{
    if (m_outcome != Outcome::running) return;
    m_done = done;
    m_total = total;
    emit progressChanged(done, total);
}

void AnimationExportJob::complete(Outcome outcome, const QString& reason)
{
    m_outcome = outcome;
    m_failureReason = outcome == Outcome::failed ? reason : QString();
    emit finished(outcome);
}

} // namespace lumara::ui

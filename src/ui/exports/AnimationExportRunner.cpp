// Running the editor's animated exports. UI thread only; the export itself runs on worker threads.
#include "ui/exports/AnimationExportRunner.h"

#include "export/media/PlaybackLoopExport.h"

#include <QCoreApplication>

namespace lumara::ui {

using exporting::AnimatedExportFormat;

FileType animationFileType(AnimatedExportFormat format)
{
    switch (format) {
    case AnimatedExportFormat::mp4: return {QCoreApplication::translate("lumara::ui::AnimationExportRunner", "MPEG-4 movie (*.mp4)"), QStringLiteral("mp4")};
    case AnimatedExportFormat::apng: return {QCoreApplication::translate("lumara::ui::AnimationExportRunner", "Animated PNG image (*.png)"), QStringLiteral("png")};
    case AnimatedExportFormat::gif: return {QCoreApplication::translate("lumara::ui::AnimationExportRunner", "GIF image (*.gif)"), QStringLiteral("gif")};
    case AnimatedExportFormat::webm: return {QCoreApplication::translate("lumara::ui::AnimationExportRunner", "WebM video (*.webm)"), QStringLiteral("webm")};
    case AnimatedExportFormat::prores: return {QCoreApplication::translate("lumara::ui::AnimationExportRunner", "QuickTime movie (*.mov)"), QStringLiteral("mov")};
    }
    return {};
}

AnimationExportRunner::AnimationExportRunner(QWidget* window, OrbDocument* document, FileDialogs* dialogs, QObject* parent)
    : QObject(parent), m_window(window), m_document(document), m_dialogs(dialogs)
{
}

AnimationExportRunner::~AnimationExportRunner()
{
    if (m_job) {
        m_job->stop();
        m_job->waitForFinished();
    }
}

std::optional<QString> AnimationExportRunner::chooseAnimationDestination(AnimatedExportFormat format)
{
    const FileType type = animationFileType(format);
    return m_dialogs->chooseSaveLocation(m_window, type, QStringLiteral("orb.") + type.extension);
}

bool AnimationExportRunner::startAnimationExport(AnimatedExportFormat format, const exporting::MotionSettings& settings,
                                                 const QString& destination, bool playbackLoop)
{
    if (isAnimationExportRunning() || !m_document) return false;
    if (playbackLoop && m_document->states().size() < 2) return false;
    if (m_job) m_job->deleteLater();
    m_job = new AnimationExportJob(m_document->currentConfiguration()->values(), format, settings, destination, this);
    m_job->setEmbeddedProject(m_document->embeddedProject());
    if (playbackLoop) m_job->setPlaybackLoop(exporting::playbackLoopOf(m_document->projectData()));
    connect(m_job, &AnimationExportJob::progressChanged, this, &AnimationExportRunner::animationExportProgress);
    connect(m_job, &AnimationExportJob::finished, this, [this](AnimationExportJob::Outcome outcome) {
        emit animationExportFinished(outcome, m_job ? m_job->destination() : QString());
        emit animationExportChanged();
    });
    m_job->start();
    emit animationExportChanged();
    return true;
}

void AnimationExportRunner::stopAnimationExport()
{
    if (m_job) m_job->stop();
}

void AnimationExportRunner::waitForAnimationExport()
{
    if (m_job) m_job->waitForFinished();
}

} // namespace lumara::ui

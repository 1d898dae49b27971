// The export flows of the editor window. UI thread only; highlighting runs on the highlighter's
// thread and the animated export on worker threads, so nothing here waits on either.
#include "ui/exports/ExportFlows.h"

#include "export/package/WebPackage.h"
#include "highlight/Highlight.h"
#include "ui/exports/AnimatedExportSheet.h"
#include "ui/style/Theme.h"
#include "ui/widgets/DimmedOverlay.h"

#include <QBoxLayout>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QTextDocument>
#include <QTimer>

namespace lumara::ui {

namespace {

highlight::HighlightLanguage languageFor(exporting::ExportFormat format)
{
    switch (format) {
    case exporting::ExportFormat::swiftUI: return highlight::HighlightLanguage::swift;
    case exporting::ExportFormat::html: return highlight::HighlightLanguage::html;
    case exporting::ExportFormat::prompt: return highlight::HighlightLanguage::markdown;
    }
    return highlight::HighlightLanguage::plaintext;
}

} // namespace

// The running export's line at the bottom of the window: what is written, a progress bar and Stop;
// afterwards the outcome, until it is dismissed or, after a success, a few seconds pass.
class ExportFlows::StatusCapsule : public QWidget {
public:
    StatusCapsule(QWidget* window, ExportFlows* flows) : QWidget(window), m_window(window)
    {
        setObjectName(QStringLiteral("exportStatus"));
        setAccessibleName(ExportFlows::tr("Export status"));
        auto* row = new QHBoxLayout(this);
        row->setContentsMargins(14, 8, 10, 8);
        row->setSpacing(10);
        m_text = new QLabel;
        m_text->setFont(pixelFont(m_text->font(), 12, QFont::Medium));
        row->addWidget(m_text);
        m_bar = new QProgressBar;
        m_bar->setTextVisible(false);
        m_bar->setFixedSize(140, 6);
        row->addWidget(m_bar);
        m_stop = new QPushButton(ExportFlows::tr("Stop"));
        connect(m_stop, &QPushButton::clicked, flows->animationRunner(), &AnimationExportRunner::stopAnimationExport);
        row->addWidget(m_stop);
        m_close = new QPushButton(ExportFlows::tr("OK"));
        connect(m_close, &QPushButton::clicked, this, &QWidget::hide);
        row->addWidget(m_close);
        window->installEventFilter(this);
        hide();
    }

    void showRunning(const QString& name, int done, int total)
    {
        ++m_generation;
        m_text->setText(ExportFlows::tr("Exporting %1…").arg(name));
        m_bar->setRange(0, std::max(1, total));
        m_bar->setValue(done);
        m_bar->show();
        m_stop->show();
        m_close->hide();
        place();
    }

    void showOutcome(const QString& text, bool stayUntilDismissed)
    {
        const int generation = ++m_generation;
        m_text->setText(text);
        m_bar->hide();
        m_stop->hide();
        m_close->setVisible(stayUntilDismissed);
        place();
        if (!stayUntilDismissed)
            QTimer::singleShot(4000, this, [this, generation] {
                if (generation == m_generation) hide();
            });
    }

    QLabel* text() const { return m_text; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_window && event->type() == QEvent::Resize && isVisible()) place();
        return QWidget::eventFilter(watched, event);
    }
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(withAlpha(palette().color(QPalette::WindowText), 0.15), 1));
        p.setBrush(palette().color(QPalette::Window));
        const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        p.drawRoundedRect(r, r.height() / 2, r.height() / 2);
    }

private:
    void place()
    {
        adjustSize();
        move((m_window->width() - width()) / 2, m_window->height() - height() - 16);
        show();
        raise();
    }

    QWidget* m_window;
    QLabel* m_text;
    QProgressBar* m_bar;
    QPushButton* m_stop;
    QPushButton* m_close;
    int m_generation = 0;
};

ExportFlows::ExportFlows(QWidget* window, OrbDocument* document, FileDialogs* dialogs)
    : QObject(window), m_window(window), m_document(document), m_scheduler(defaultScheduler(this)), m_dialogs(dialogs),
      m_runner(new AnimationExportRunner(window, document, dialogs, this))
{
    m_status = new StatusCapsule(window, this);
    // Connected before any sheet is: the window's line is up to date when the sheet hears.
    connect(m_runner, &AnimationExportRunner::animationExportProgress, this, [this](int done, int total) {
        if (!animatedExportSheet() && m_runner->animationExportJob())
            m_status->showRunning(QFileInfo(m_runner->animationExportJob()->destination()).fileName(), done, total);
    });
    connect(m_runner, &AnimationExportRunner::animationExportFinished, this, &ExportFlows::animationFinished);
}

ExportFlows::~ExportFlows()
{
    // The export ends before the capsule and sheets it reports to go.
    m_runner->stopAnimationExport();
    m_runner->waitForAnimationExport();
}

DimmedOverlay* ExportFlows::makeOverlay(QWidget* content)
{
    auto* overlay = new DimmedOverlay(m_window, content);
    overlay->setBackdropOpacity(0.4);
    return overlay;
}

void ExportFlows::requestExportPreview(exporting::ExportFormat format)
{
    if (m_preparing || !m_document) return;
    m_preparing = true;
    closePreview();
    m_cardOverlay = makeOverlay(new GeneratingCodeCard);
    m_cardOverlay->setDismissOnBackdropClick(false); // the card lasts until highlighting ends
    m_cardOverlay->present();

    const QString code = QString::fromStdString(exporting::generateExportText(format, m_document->projectData()));
    // The colours follow the window at the moment of the request; a later change does not re-colour.
    const highlight::HighlightColors colors = isDarkAppearance() ? highlight::HighlightColors::dark(highlight::HighlightTheme::atomOne)
                                                                 : highlight::HighlightColors::light(highlight::HighlightTheme::atomOne);
    highlight::Highlight& highlighter = m_highlighter ? *m_highlighter : highlight::Highlight::shared();
    auto* watcher = new QFutureWatcher<highlight::HighlightOutcome>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, code, format, colors] {
        watcher->deleteLater();
        const QFuture<highlight::HighlightOutcome> future = watcher->future();
        std::shared_ptr<QTextDocument> styled;
        QString background;
        if (future.resultCount() > 0) {
            const highlight::HighlightOutcome& outcome = future.result();
            if (outcome) { // a failed highlight shows the plain text
                styled = outcome->attributedText;
                background = outcome->backgroundColor;
            }
        }
        m_preparing = false;
        if (m_cardOverlay) m_cardOverlay->dismiss();
        showPreview(code, std::move(styled), background, format);
    });
    watcher->setFuture(highlighter.highlight(code, highlight::HighlightMode::forLanguage(languageFor(format)), colors));
}

void ExportFlows::showPreview(const QString& code, std::shared_ptr<QTextDocument> highlighted, const QString& background,
                              exporting::ExportFormat format)
{
    auto* sheet = new ExportPreviewSheet(code, std::move(highlighted), background, format, m_scheduler);
    if (m_saveText) sheet->setOnSave([this, format, code] { m_saveText(format, code); });
    m_previewOverlay = makeOverlay(sheet);
    m_previewOverlay->setDismissOnBackdropClick(true);
    m_previewOverlay->setOnDismiss([this] { closePreview(); });
    m_previewOverlay->setOnEscape([this] { closePreview(); });
    connect(sheet, &ExportPreviewSheet::doneRequested, this, &ExportFlows::closePreview);
    m_previewOverlay->present();
    emit previewShown();
}

ExportPreviewSheet* ExportFlows::previewSheet() const
{
    return m_previewOverlay ? static_cast<ExportPreviewSheet*>(m_previewOverlay->content()) : nullptr;
}

void ExportFlows::closePreview()
{
    if (m_previewOverlay) m_previewOverlay->dismiss();
    m_previewOverlay = nullptr;
}

void ExportFlows::showAnimatedExportSheet()
{
    if (m_animationOverlay && !m_animationOverlay->isDismissing()) return;
    auto* sheet = new AnimatedExportSheet(m_runner);
    m_animationOverlay = makeOverlay(sheet);
    m_animationOverlay->setDismissOnBackdropClick(true);
    m_animationOverlay->setOnDismiss([this] { closeAnimatedExportSheet(); });
    m_animationOverlay->setOnEscape([this] { closeAnimatedExportSheet(); });
    connect(sheet, &AnimatedExportSheet::cancelRequested, this, &ExportFlows::closeAnimatedExportSheet);
    m_animationOverlay->present();
}

void ExportFlows::closeAnimatedExportSheet()
{
    if (m_animationOverlay) m_animationOverlay->dismiss();
    m_animationOverlay = nullptr;
    // An export that goes on without its sheet shows its progress in the window.
    if (m_runner->isAnimationExportRunning()) {
        const AnimationExportJob* job = m_runner->animationExportJob();
        m_status->showRunning(QFileInfo(job->destination()).fileName(), job->framesDone(), job->framesTotal());
    }
}

AnimatedExportSheet* ExportFlows::animatedExportSheet() const
{
    return m_animationOverlay ? static_cast<AnimatedExportSheet*>(m_animationOverlay->content()) : nullptr;
}

void ExportFlows::animationFinished(AnimationExportJob::Outcome outcome, const QString& destination)
{
    const QString name = QFileInfo(destination).fileName();
    switch (outcome) {
    case AnimationExportJob::Outcome::succeeded:
        m_status->showOutcome(tr("Exported %1").arg(name), false);
        closeAnimatedExportSheet(); // the sheet closes on success
        break;
    case AnimationExportJob::Outcome::stopped:
        m_status->showOutcome(tr("Export stopped; %1 was not written").arg(name), false);
        break;
    case AnimationExportJob::Outcome::failed:
        // With the sheet open its error line says it; otherwise the window must.
        if (animatedExportSheet()) m_status->hide();
        else m_status->showOutcome(tr("Export failed. Please try again."), true);
        if (const AnimationExportJob* job = m_runner->animationExportJob()) m_status->setToolTip(job->failureReason());
        break;
    case AnimationExportJob::Outcome::running: break;
    }
}

void ExportFlows::exportWebPackage()
{
    if (!m_document) return;
    const auto chosen = m_dialogs->chooseFolder(m_window, tr("Export Web Package"));
    if (!chosen) return;
    // The package is of the design as it is once the folder is chosen.
    const OrbProjectData project = m_document->projectData();
    const std::optional<QString>& file = m_document->currentFileURL();
    const QString name = QString::fromStdString(
        exporting::packageNameFor(file ? QFileInfo(*file).fileName().toStdString() : std::string()));
    const QString folder = QFileInfo(*chosen).fileName() == name ? *chosen : QDir(*chosen).filePath(name);
    auto written = exporting::writeWebPackage(project, QFile::encodeName(folder).toStdString(), name.toStdString(), true);
    if (!written) {
        m_status->hide();
        if (m_reportFailure) m_reportFailure(tr("Could not export the web package"), folder, written.error().message);
        return;
    }
    m_status->showOutcome(tr("Exported %1").arg(name), false);
}

QWidget* ExportFlows::exportStatus() const { return m_status; }

} // namespace lumara::ui

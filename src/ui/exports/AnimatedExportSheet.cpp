// The animated export sheet. UI thread only.
#include "ui/exports/AnimatedExportSheet.h"

#include "render/Playback.h"
#include "ui/exports/AnimationExportJob.h"
#include "ui/exports/AnimationExportRunner.h"
#include "ui/style/Symbols.h"
#include "ui/style/Theme.h"
#include "ui/widgets/DimmedOverlay.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>

namespace lumara::ui {

using exporting::AnimatedExportFormat;

std::array<int, 3> frameRatesFor(AnimatedExportFormat format)
{
    if (format == AnimatedExportFormat::gif) return {24, 30, exporting::kMaxGifFps};
    return {24, 30, 60};
}

QString durationText(double seconds) { return QString::asprintf("%.1fs", seconds); }

QString loopDurationText(double seconds)
{
    QString text = QString::asprintf("%.2f", seconds);
    if (text.endsWith(QLatin1Char('0'))) text.chop(1);
    return text + QLatin1Char('s');
}

namespace {

// One playback cycle of the document's states.
double loopDuration(const OrbDocument& document)
{
    return exporting::playbackLoopDuration(exporting::playbackLoopOf(document.projectData()));
}

QLabel* caption(const QString& text = {})
{
    auto* label = new QLabel(text);
    label->setFont(pixelFont(label->font(), 11));
    label->setWordWrap(true);
    return label;
}

bool hasTransparency(AnimatedExportFormat format)
{
    return format == AnimatedExportFormat::apng || format == AnimatedExportFormat::webm ||
           format == AnimatedExportFormat::prores;
}


// The export layer's picker labels and descriptions, listed here for lupdate; the sheet looks them
// up by their English text.
[[maybe_unused]] constexpr const char* kFormatTexts[] = {
    QT_TRANSLATE_NOOP("lumara::ui::AnimatedExportSheet", "MP4 Video"),
    QT_TRANSLATE_NOOP("lumara::ui::AnimatedExportSheet", "H.264 video. Small, universal, opaque background."),
    QT_TRANSLATE_NOOP("lumara::ui::AnimatedExportSheet", "Animated PNG"),
    QT_TRANSLATE_NOOP("lumara::ui::AnimatedExportSheet", "Transparent, lossless, works in every modern browser."),
    QT_TRANSLATE_NOOP("lumara::ui::AnimatedExportSheet", "GIF"),
    QT_TRANSLATE_NOOP("lumara::ui::AnimatedExportSheet", "Universal, 256 colors, no soft transparency."),
    QT_TRANSLATE_NOOP("lumara::ui::AnimatedExportSheet", "WebM Video"),
    QT_TRANSLATE_NOOP("lumara::ui::AnimatedExportSheet", "Transparent video for the web."),
    QT_TRANSLATE_NOOP("lumara::ui::AnimatedExportSheet", "ProRes 4444"),
    QT_TRANSLATE_NOOP("lumara::ui::AnimatedExportSheet", "Transparent master for video editors."),
};

// One of the export layer's texts in the user's language.
QString translatedFormatText(std::string_view english)
{
    return QCoreApplication::translate("lumara::ui::AnimatedExportSheet", std::string(english).c_str());
}

// A colour swatch button: the colour well.
class ColorWell : public QPushButton {
public:
    explicit ColorWell(QColor* color) : m_color(color) { setFixedSize(44, 24); }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QPushButton::paintEvent(event);
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(withAlpha(palette().color(QPalette::WindowText), 0.3), 1));
        p.setBrush(*m_color);
        p.drawRoundedRect(QRectF(rect()).adjusted(5, 5, -5, -5), 3, 3);
    }

private:
    QColor* m_color;
};

} // namespace

AnimatedExportSheet::AnimatedExportSheet(AnimationExportRunner* runner, QWidget* parent) : SheetPanel(12, parent), m_runner(runner)
{
    setAccessibleName(tr("Export Animation"));
    auto* column = new QVBoxLayout(this);
    column->setSpacing(0);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(16, 12, 16, 12);
    header->setSpacing(10);
    auto* symbol = new QLabel;
    symbol->setPixmap(drawnSymbolIcon(Symbol::film, brandAccent()).pixmap(QSize(20, 20)));
    header->addWidget(symbol);
    auto* title = new QLabel(tr("Export Animation"));
    title->setFont(pixelFont(title->font(), 13, QFont::DemiBold));
    header->addWidget(title);
    header->addStretch(1);
    m_cancel = new QPushButton(tr("Cancel"));
    m_cancel->setObjectName(QStringLiteral("cancelButton"));
    connect(m_cancel, &QPushButton::clicked, this, &AnimatedExportSheet::cancelRequested);
    header->addWidget(m_cancel);
    column->addLayout(header);
    column->addWidget(makeDivider());

    auto* settings = new QVBoxLayout;
    settings->setContentsMargins(20, 20, 20, 20);
    settings->setSpacing(16);

    auto* formatRow = new QHBoxLayout;
    formatRow->addWidget(new QLabel(tr("Format")));
    m_format = new QComboBox;
    m_format->setAccessibleName(tr("Format"));
    for (AnimatedExportFormat f : exporting::kAllAnimatedExportFormats)
        m_format->addItem(translatedFormatText(exporting::animatedExportFormatLabel(f)), int(f));
    m_format->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    formatRow->addWidget(m_format);
    formatRow->addStretch(1);
    settings->addLayout(formatRow);
    m_description = caption();
    m_description->setForegroundRole(QPalette::PlaceholderText);
    settings->addWidget(m_description);

    m_backgroundRow = new QWidget;
    auto* backgroundLayout = new QHBoxLayout(m_backgroundRow);
    backgroundLayout->setContentsMargins(0, 0, 0, 0);
    backgroundLayout->addWidget(new QLabel(tr("Background")));
    m_matteWell = new ColorWell(&m_matte);
    m_matteWell->setAccessibleName(tr("Background"));
    connect(m_matteWell, &QPushButton::clicked, this, [this] {
        const QColor chosen = QColorDialog::getColor(m_matte, this, tr("Background")); // no opacity control
        if (chosen.isValid()) setMatte(chosen);
    });
    backgroundLayout->addWidget(m_matteWell);
    backgroundLayout->addStretch(1);
    settings->addWidget(m_backgroundRow);

    // A project of several states can export what playback shows: its length is one cycle, and
    // it loops by itself, so the duration and the seamless switch step aside while it is chosen.
    m_playbackLoop = new QCheckBox(tr("Playback loop (all states)"));
    m_playbackLoop->setToolTip(tr("Every state in order, cross-faded back to the first, as the canvas plays them"));
    settings->addWidget(m_playbackLoop);

    auto* durationBlock = new QVBoxLayout;
    durationBlock->setSpacing(6);
    auto* durationRow = new QHBoxLayout;
    durationRow->addWidget(new QLabel(tr("Duration")));
    durationRow->addStretch(1);
    m_durationLabel = new QLabel;
    QFont digits = QFontDatabase::systemFont(QFontDatabase::FixedFont); // monospaced digits
    digits.setPixelSize(12);
    m_durationLabel->setFont(digits);
    m_durationLabel->setForegroundRole(QPalette::PlaceholderText);
    durationRow->addWidget(m_durationLabel);
    durationBlock->addLayout(durationRow);
    m_duration = new QSlider(Qt::Horizontal);
    m_duration->setAccessibleName(tr("Duration"));
    m_duration->setRange(2, 16); // half seconds: 1.0 ... 8.0 in steps of 0.5
    m_duration->setPageStep(2);
    m_duration->setValue(8);
    m_durationLabel->setText(durationText(4.0));
    durationBlock->addWidget(m_duration);
    m_loopNote = caption();
    m_loopNote->setForegroundRole(QPalette::PlaceholderText);
    m_loopNote->hide();
    durationBlock->addWidget(m_loopNote);
    settings->addLayout(durationBlock);

    auto* fpsRow = new QHBoxLayout;
    fpsRow->addWidget(new QLabel(tr("Frame rate")));
    m_fps = new QComboBox;
    m_fps->setAccessibleName(tr("Frame rate"));
    for (int i = 0; i < 3; ++i) m_fps->addItem(QString());
    fpsRow->addWidget(m_fps);
    fpsRow->addStretch(1);
    settings->addLayout(fpsRow);
    m_seamless = new QCheckBox(tr("Seamless loop"));
    m_seamless->setChecked(true);
    settings->addWidget(m_seamless);
    column->addLayout(settings);

    m_error = caption();
    m_error->setObjectName(QStringLiteral("errorLabel"));
    QPalette red = m_error->palette();
    red.setColor(QPalette::WindowText, QColor(0xE5, 0x3E, 0x3E));
    m_error->setPalette(red);
    m_error->setContentsMargins(20, 0, 20, 12);
    m_error->hide();
    column->addWidget(m_error);
    column->addWidget(makeDivider());

    // While an export runs: how far it is, above the buttons.
    auto* progressRow = new QHBoxLayout;
    progressRow->setContentsMargins(20, 12, 20, 0);
    progressRow->setSpacing(10);
    m_note = caption();
    m_note->setObjectName(QStringLiteral("progressNote"));
    m_note->setWordWrap(false);
    m_note->setForegroundRole(QPalette::PlaceholderText);
    progressRow->addWidget(m_note);
    m_progress = new QProgressBar;
    m_progress->setAccessibleName(tr("Export progress"));
    m_progress->setTextVisible(false);
    m_progress->setFixedHeight(6);
    progressRow->addWidget(m_progress, 1);
    column->addLayout(progressRow);

    auto* footer = new QHBoxLayout;
    footer->setContentsMargins(16, 12, 16, 12);
    footer->setSpacing(10);
    footer->addStretch(1);
    m_stop = new QPushButton(tr("Stop"));
    m_stop->setObjectName(QStringLiteral("stopButton"));
    connect(m_stop, &QPushButton::clicked, m_runner, &AnimationExportRunner::stopAnimationExport);
    footer->addWidget(m_stop);
    m_export = new QPushButton(tr("Export…"));
    m_export->setObjectName(QStringLiteral("exportButton"));
    m_export->setDefault(true);
    makeProminent(m_export);
    connect(m_export, &QPushButton::clicked, this, &AnimatedExportSheet::startExport);
    footer->addWidget(m_export);
    column->addLayout(footer);

    connect(m_format, &QComboBox::currentIndexChanged, this, &AnimatedExportSheet::formatChanged);
    connect(m_duration, &QSlider::valueChanged, this, &AnimatedExportSheet::refreshPlaybackChoice);
    connect(m_playbackLoop, &QCheckBox::toggled, this, &AnimatedExportSheet::refreshPlaybackChoice);
    if (OrbDocument* document = m_runner->document()) {
        connect(document, &OrbDocument::statesChanged, this, &AnimatedExportSheet::refreshPlaybackChoice);
        connect(document, &OrbDocument::transitionDurationChanged, this, &AnimatedExportSheet::refreshPlaybackChoice);
    }
    refreshPlaybackChoice();
    connect(m_runner, &AnimationExportRunner::animationExportChanged, this, &AnimatedExportSheet::refreshExportState);
    connect(m_runner, &AnimationExportRunner::animationExportProgress, this, &AnimatedExportSheet::refreshExportState);
    connect(m_runner, &AnimationExportRunner::animationExportFinished, this, [this](AnimationExportJob::Outcome outcome, const QString&) {
        if (outcome == AnimationExportJob::Outcome::failed) showError(tr("Export failed. Please try again."));
        refreshExportState();
    });
    setFormat(AnimatedExportFormat::apng);
    formatChanged();
    m_fps->setCurrentIndex(1); // 30 fps
    refreshExportState();
}

QSize AnimatedExportSheet::sizeHint() const
{
    return QSize(460, QFrame::sizeHint().height() - contentsMargins().top() - contentsMargins().bottom()).grownBy(contentsMargins());
}

AnimatedExportFormat AnimatedExportSheet::format() const { return AnimatedExportFormat(m_format->currentData().toInt()); }

void AnimatedExportSheet::setFormat(AnimatedExportFormat format) { m_format->setCurrentIndex(m_format->findData(int(format))); }

void AnimatedExportSheet::setMatte(const QColor& color)
{
    m_matte = color.toRgb();
    m_matte.setAlpha(255);
    m_matteWell->update();
}

bool AnimatedExportSheet::isPlaybackLoop() const { return !m_playbackLoop->isHidden() && m_playbackLoop->isChecked(); }

void AnimatedExportSheet::refreshPlaybackChoice()
{
    const OrbDocument* document = m_runner->document();
    const bool offered = document && document->states().size() >= 2;
    m_playbackLoop->setVisible(offered);
    const bool loop = isPlaybackLoop();
    m_duration->setVisible(!loop);
    m_loopNote->setVisible(loop);
    m_seamless->setEnabled(!loop);
    if (loop) {
        const double transition = document->transitionDuration();
        m_durationLabel->setText(loopDurationText(loopDuration(*document)));
        m_loopNote->setText(tr("%1 states × %2 s: the %3 s transition, then %4 s held")
                                .arg(document->states().size())
                                .arg(QString::number(render::stepInterval(transition), 'g', 4))
                                .arg(QString::number(render::fadeDuration(transition), 'g', 4))
                                .arg(QString::number(render::kPlaybackRest, 'g', 4)));
    } else {
        m_durationLabel->setText(durationText(m_duration->value() / 2.0));
    }
    relayout();
}

exporting::MotionSettings AnimatedExportSheet::settings() const
{
    exporting::MotionSettings s;
    s.duration = isPlaybackLoop() ? loopDuration(*m_runner->document()) : m_duration->value() / 2.0;
    s.fps = m_fps->currentData().toInt();
    s.scale = 2.0;
    s.matte = CodableColor{m_matte.redF(), m_matte.greenF(), m_matte.blueF(), 1.0};
    s.seamless = m_seamless->isChecked();
    return s;
}

void AnimatedExportSheet::formatChanged()
{
    const AnimatedExportFormat f = format();
    m_description->setText(translatedFormatText(exporting::animatedExportFormatDescription(f)));
    m_backgroundRow->setVisible(!hasTransparency(f)); // hidden, it keeps its colour
    const int index = std::max(0, m_fps->currentIndex());
    const auto rates = frameRatesFor(f);
    for (int i = 0; i < 3; ++i) {
        m_fps->setItemText(i, tr("%1 fps").arg(rates[std::size_t(i)]));
        m_fps->setItemData(i, rates[std::size_t(i)]);
    }
    m_fps->setCurrentIndex(index);
    relayout();
}

void AnimatedExportSheet::relayout()
{
    if (layout()) layout()->activate();
    if (auto* overlay = qobject_cast<DimmedOverlay*>(parentWidget())) overlay->placeContent();
}

void AnimatedExportSheet::startExport()
{
    if (m_runner->isAnimationExportRunning()) return; // the button is disabled meanwhile
    m_error->hide();
    const AnimatedExportFormat chosenFormat = format();
    const exporting::MotionSettings chosenSettings = settings(); // the values at the press
    const bool playbackLoop = isPlaybackLoop();
    const std::optional<QString> destination = m_runner->chooseAnimationDestination(chosenFormat);
    if (!destination) return; // dismissed: the sheet stays as it was, without an error
    if (!m_runner->startAnimationExport(chosenFormat, chosenSettings, *destination, playbackLoop))
        showError(tr("Export failed. Please try again."));
}

void AnimatedExportSheet::showError(const QString& message)
{
    m_error->setText(message);
    m_error->show();
    relayout();
}

void AnimatedExportSheet::refreshExportState()
{
    const AnimationExportJob* job = m_runner->animationExportJob();
    const bool running = job && job->isRunning();
    m_export->setEnabled(!running);
    m_progress->setVisible(running);
    m_note->setVisible(running);
    m_stop->setVisible(running);
    if (running) {
        m_progress->setRange(0, std::max(1, job->framesTotal()));
        m_progress->setValue(job->framesDone());
        // WebM and GIF take a second pass over the frames, so the note counts the whole in percent.
        const long long percent = 100LL * job->framesDone() / std::max(1, job->framesTotal());
        m_note->setText(tr("Exporting %1 frames: %2%").arg(job->frameCount()).arg(percent));
    }
    relayout();
}

} // namespace lumara::ui

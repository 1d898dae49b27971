// The animated export sheet: format, background, duration, frame rate and loop of an animated
// export, the "Export…" button, and the running export's progress with Stop. Its settings are
// fresh each time it is shown. UI thread only.
#pragma once

#include "export/media/AnimatedExport.h"
#include "ui/widgets/SheetChrome.h"

#include <QColor>

#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSlider;

namespace lumara::ui {

class AnimationExportRunner;

// The frame rates offered for a format: 24, 30, 60; GIF offers 50 in place of 60, because GIF
// delays are whole hundredths of a second and browsers slow down delays under 0.02 s.
std::array<int, 3> frameRatesFor(exporting::AnimatedExportFormat format);
// "4.0s": the duration with one decimal, whatever the locale.
QString durationText(double seconds);
// A playback loop's length: one decimal, or two where the second is not 0 ("2.8s", "2.34s").
QString loopDurationText(double seconds);

class AnimatedExportSheet : public SheetPanel {
    Q_OBJECT
public:
    // `runner` starts and stops the export and must outlive the sheet.
    explicit AnimatedExportSheet(AnimationExportRunner* runner, QWidget* parent = nullptr);

    exporting::AnimatedExportFormat format() const;
    void setFormat(exporting::AnimatedExportFormat format);
    exporting::MotionSettings settings() const;
    // The "Playback loop (all states)" choice is offered (the project has two or more states) and taken.
    bool isPlaybackLoop() const;
    void setMatte(const QColor& color);

    // Asks where to save, then starts the export; dismissing the panel changes nothing.
    void startExport();

    QComboBox* formatPicker() const { return m_format; }
    QLabel* descriptionLabel() const { return m_description; }
    QWidget* backgroundRow() const { return m_backgroundRow; }
    QSlider* durationSlider() const { return m_duration; }
    QLabel* durationLabel() const { return m_durationLabel; }
    QLabel* loopNoteLabel() const { return m_loopNote; }
    QComboBox* frameRatePicker() const { return m_fps; }
    QCheckBox* seamlessSwitch() const { return m_seamless; }
    QCheckBox* playbackLoopSwitch() const { return m_playbackLoop; }
    QLabel* errorLabel() const { return m_error; }
    QLabel* noteLabel() const { return m_note; }
    QPushButton* exportButton() const { return m_export; }
    QPushButton* cancelButton() const { return m_cancel; }
    QPushButton* stopButton() const { return m_stop; }
    QProgressBar* progressBar() const { return m_progress; }

    QSize sizeHint() const override;

signals:
    void cancelRequested();

private:
    void formatChanged();
    void refreshPlaybackChoice();
    void refreshExportState();
    void showError(const QString& message);
    void relayout();

    AnimationExportRunner* m_runner;
    QColor m_matte = Qt::black;
    QComboBox* m_format;
    QLabel* m_description;
    QWidget* m_backgroundRow;
    QPushButton* m_matteWell;
    QSlider* m_duration;
    QLabel* m_durationLabel;
    QLabel* m_loopNote; // how the loop's length comes about, in place of the duration slider
    QComboBox* m_fps;
    QCheckBox* m_seamless;
    QCheckBox* m_playbackLoop;
    QLabel* m_error;
    QLabel* m_note;
    QProgressBar* m_progress;
    QPushButton* m_stop;
    QPushButton* m_export;
    QPushButton* m_cancel;
};

} // namespace lumara::ui

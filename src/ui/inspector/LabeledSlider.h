// The inspector's numeric control: a caption and the formatted value on one line, a continuous
// slider below. A drag is one gesture: `onCommit` runs once when it begins, before the first
// value is written; keyboard and wheel steps are gestures too, steps less than a moment apart
// counting as one. Values shown from the model are never written back. UI thread only.
#pragma once

#include <QElapsedTimer>
#include <QWidget>

#include <functional>

class QSlider;

namespace lumara::ui {

class LabeledSlider : public QWidget {
    Q_OBJECT
public:
    using Format = std::function<QString(double)>;

    // Slider positions across the range; enough for every value text of the inspector.
    static constexpr int kSteps = 10000;
    // Keyboard and wheel steps closer together than this make one gesture.
    static constexpr int kStepMergeMilliseconds = 700;

    LabeledSlider(const QString& label, double minimum, double maximum, Format format, QWidget* parent = nullptr);

    // Shows a value: its text as it is, the handle at its place (pinned at an end when the value
    // lies outside the range). Emits nothing and writes nothing.
    void setValue(double value);
    double value() const { return m_value; }

    QString label() const { return m_label; }
    QString valueText() const { return m_valueText; }
    // The text the header shows for a value.
    QString textFor(double value) const { return m_format ? m_format(value) : QString::number(value); }
    double minimum() const { return m_minimum; }
    double maximum() const { return m_maximum; }
    // A mouse button is down on the slider (a drag, or a hold on the groove).
    bool isDragging() const { return m_dragging; }
    QSlider* slider() const { return m_slider; }

    // Called once at the start of each gesture, before its first value is written.
    std::function<void()> onCommit;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // The user moved the slider to this value (drag, keys, wheel, clicks on the groove).
    void valueEdited(double value);
    // A mouse gesture ended (the button was released), whether it moved the value or not.
    void dragFinished();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void commit();
    void userMoved(int position);
    int positionFor(double value) const;
    double valueAt(int position) const;

    QString m_label;
    double m_minimum;
    double m_maximum;
    Format m_format;
    double m_value = 0.0;
    QString m_valueText;
    bool m_dragging = false;
    bool m_showing = false; // the handle is being placed from the model
    QElapsedTimer m_lastStep;
    QSlider* m_slider = nullptr;
};

// The colour of secondary texts (value texts, units, subtitles) in the current palette.
QColor secondaryTextColor(const QWidget* widget);

} // namespace lumara::ui

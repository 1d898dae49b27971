// The labelled slider. The caption and value are painted rather than held in labels, so a value
// that changes on every drag movement repaints one line and never invalidates a layout.
#include "ui/inspector/LabeledSlider.h"

#include "ui/style/Theme.h"
#include "ui/widgets/FocusedWheel.h"

#include <QMouseEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QSlider>
#include <QStyle>

#include <cmath>

namespace lumara::ui {

namespace {

constexpr int kHeaderHeight = 18;
constexpr int kHeaderGap = 2;

// A slider that reports a mouse gesture's start before it handles the press, and its end after it
// handled the release. The wheel moves it only while it has focus.
class GestureSlider : public FocusedWheel<QSlider> {
public:
    explicit GestureSlider(QWidget* parent) : FocusedWheel<QSlider>(Qt::Horizontal, parent) {}
    std::function<void()> pressed;
    std::function<void()> released;

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        // The presses QSlider acts on: one button (left or middle) on a slider with a range.
        const bool acts = (event->button() & (Qt::LeftButton | Qt::MiddleButton)) && event->buttons() == event->button() &&
                          minimum() != maximum() && !isSliderDown();
        if (acts && pressed) pressed();
        QSlider::mousePressEvent(event);
    }
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        QSlider::mouseReleaseEvent(event);
        if (event->buttons() == Qt::NoButton && released) released();
    }
};

} // namespace

QColor secondaryTextColor(const QWidget* widget) { return withAlpha(widget->palette().color(QPalette::WindowText), 0.58); }

LabeledSlider::LabeledSlider(const QString& label, double minimum, double maximum, Format format, QWidget* parent)
    : QWidget(parent), m_label(label), m_minimum(minimum), m_maximum(maximum), m_format(std::move(format))
{
    auto* slider = new GestureSlider(this);
    m_slider = slider;
    m_slider->setRange(0, kSteps);
    m_slider->setSingleStep(kSteps / 100);
    m_slider->setPageStep(kSteps / 10);
    m_slider->setFocusPolicy(Qt::StrongFocus);
    m_slider->setAccessibleName(label);
    setFocusProxy(m_slider);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);

    // A mouse gesture (dragging the handle, holding on the groove, a click that sets the value)
    // is committed when the button goes down, before the slider writes anything.
    slider->pressed = [this] {
        m_dragging = true;
        m_lastStep.invalidate(); // a key press after the gesture is a gesture of its own
        commit();
    };
    slider->released = [this] {
        if (!m_dragging) return;
        m_dragging = false;
        emit dragFinished();
    };
    // Keys and the wheel trigger actions outside a mouse gesture; the action comes before the
    // value changes, so the gesture is committed before the first write.
    connect(m_slider, &QAbstractSlider::actionTriggered, this, [this](int action) {
        if (m_dragging || action == QAbstractSlider::SliderNoAction) return;
        if (!m_lastStep.isValid() || m_lastStep.elapsed() > kStepMergeMilliseconds) commit();
        m_lastStep.restart();
    });
    connect(m_slider, &QAbstractSlider::valueChanged, this, &LabeledSlider::userMoved);
    setValue(minimum);
}

void LabeledSlider::commit()
{
    if (onCommit) onCommit();
}

int LabeledSlider::positionFor(double value) const
{
    const double span = m_maximum - m_minimum;
    if (!(span > 0) || std::isnan(value)) return 0;
    const double t = std::clamp((value - m_minimum) / span, 0.0, 1.0);
    return int(std::lround(t * kSteps));
}

double LabeledSlider::valueAt(int position) const
{
    if (position <= 0) return m_minimum;
    if (position >= kSteps) return m_maximum;
    return m_minimum + (m_maximum - m_minimum) * double(position) / kSteps;
}

void LabeledSlider::setValue(double value)
{
    const bool sameValue = value == m_value && !m_valueText.isEmpty();
    m_value = value;
    const QString text = textFor(value);
    if (text != m_valueText) {
        m_valueText = text;
        m_slider->setAccessibleDescription(text);
        update(0, 0, width(), kHeaderHeight);
    }
    if (sameValue) return;
    // Qt's slider clamps and notifies when set; the blocker keeps a shown value from being written.
    const QSignalBlocker blocker(m_slider);
    m_slider->setValue(positionFor(value));
}

void LabeledSlider::userMoved(int position)
{
    const double value = valueAt(position);
    emit valueEdited(value);
}

QSize LabeledSlider::sizeHint() const
{
    const QSize slider = m_slider->sizeHint();
    return {std::max(160, slider.width()), kHeaderHeight + kHeaderGap + slider.height()};
}

QSize LabeledSlider::minimumSizeHint() const
{
    // The name and the widest of the value texts side by side, 8 points apart.
    const QFontMetrics metrics(pixelFont(font(), 12));
    int value = metrics.horizontalAdvance(m_valueText);
    for (double end : {m_minimum, m_maximum}) value = std::max(value, metrics.horizontalAdvance(textFor(end)));
    return {std::max(120, metrics.horizontalAdvance(m_label) + 8 + value), sizeHint().height()};
}

void LabeledSlider::resizeEvent(QResizeEvent*)
{
    const int sliderTop = kHeaderHeight + kHeaderGap;
    m_slider->setGeometry(0, sliderTop, width(), height() - sliderTop);
}

void LabeledSlider::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect header(0, 0, width(), kHeaderHeight);
    p.setFont(pixelFont(font(), 12));
    p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    p.drawText(header, Qt::AlignLeft | Qt::AlignVCenter, m_label);
    p.setPen(secondaryTextColor(this));
    p.drawText(header, Qt::AlignRight | Qt::AlignVCenter, m_valueText);
}

} // namespace lumara::ui

// Mouse gestures on a QSlider as a hand makes them, sent through the widget's own event handling;
// shared by the inspector tests and the inspector benchmark. UI thread only.
#pragma once

#include <QApplication>
#include <QMouseEvent>
#include <QSlider>
#include <QStyleOptionSlider>

#include <cmath>

namespace lumara::test {

inline void sendMouse(QWidget* widget, QEvent::Type type, QPoint pos, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, QPointF(pos), QPointF(widget->mapToGlobal(pos)), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// Where the style draws the slider's handle now.
inline QRect sliderHandleRect(QSlider* slider)
{
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.orientation = slider->orientation();
    option.minimum = slider->minimum();
    option.maximum = slider->maximum();
    option.sliderPosition = slider->sliderPosition();
    option.sliderValue = slider->value();
    option.subControls = QStyle::SC_All;
    return slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider);
}

// Presses the handle, moves it in `steps` movements to `toFraction` of the slider's width, then
// releases it (unless `release` is false).
inline void dragSlider(QSlider* slider, double toFraction, int steps = 5, bool release = true)
{
    const QPoint start = sliderHandleRect(slider).center();
    sendMouse(slider, QEvent::MouseButtonPress, start, Qt::LeftButton);
    const int targetX = int(std::lround(toFraction * slider->width()));
    for (int i = 1; i <= steps; ++i)
        sendMouse(slider, QEvent::MouseMove, QPoint(start.x() + (targetX - start.x()) * i / steps, start.y()), Qt::LeftButton);
    if (release) sendMouse(slider, QEvent::MouseButtonRelease, QPoint(targetX, start.y()), Qt::NoButton);
}

} // namespace lumara::test

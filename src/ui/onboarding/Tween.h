// An eased value for animations that a widget paints itself. UI thread only.
#pragma once

#include <QObject>

#include <functional>

class QVariantAnimation;

namespace lumara::ui {

// A value that moves to a target over a duration with an ease-out curve, or jumps there at once
// when the duration is 0. `onChange` runs on every step.
class Tween {
public:
    Tween(QObject* owner, double initial, std::function<void()> onChange);
    void animateTo(double target, int milliseconds);
    // Jumps to `from` and animates to `to`.
    void animate(double from, double to, int milliseconds);
    double value() const { return m_value; }
    bool isRunning() const;

private:
    double m_value;
    QVariantAnimation* m_animation;
    std::function<void()> m_onChange;
};

} // namespace lumara::ui

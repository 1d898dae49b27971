// Controls in a scrolling column that take the wheel only when the user is working with them.
// UI thread only.
#pragma once

#include <QWheelEvent>

namespace lumara::ui {

// `Control` with the wheel going to the scrolling area around it unless it has focus, so scrolling
// past a slider or a picker never changes the orb.
template <class Control>
class FocusedWheel : public Control {
public:
    using Control::Control;

protected:
    void wheelEvent(QWheelEvent* event) override
    {
        if (!this->hasFocus()) {
            event->ignore();
            return;
        }
        Control::wheelEvent(event);
    }
};

} // namespace lumara::ui

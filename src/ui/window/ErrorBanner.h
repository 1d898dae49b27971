// The window's non-blocking failure notice: a bar over the top of the content that names what
// failed and why, and stays until the user dismisses it or another notice replaces it. UI thread only.
#pragma once

#include <QFrame>

class QLabel;
class QToolButton;

namespace lumara::ui {

class ErrorBanner : public QFrame {
    Q_OBJECT
public:
    explicit ErrorBanner(QWidget* parent);

    // Shows `message` (the latest failure replaces an earlier one) across the top of the parent.
    void showMessage(const QString& message);
    QString message() const;
    // Keeps the bar across the top of the parent; call when the parent is resized.
    void place();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* m_text;
    QToolButton* m_dismiss;
};

} // namespace lumara::ui

// The failure notice bar. UI thread only.
#include "ui/ErrorBanner.h"

#include "ui/Theme.h"

#include <QBoxLayout>
#include <QLabel>
#include <QToolButton>

#include <algorithm>

namespace lumara::ui {

ErrorBanner::ErrorBanner(QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("errorBanner"));
    setAccessibleName(QStringLiteral("Error"));
    setAutoFillBackground(true);
    setFrameShape(QFrame::NoFrame);
    // A warm red wash that reads in both themes, with text in the window's own colour.
    setStyleSheet(QStringLiteral("#errorBanner { background: rgba(214, 60, 52, 0.18); border: 1px solid rgba(214, 60, 52, 0.55);"
                                 " border-radius: 8px; }"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12, 8, 8, 8);
    row->setSpacing(10);
    m_text = new QLabel;
    m_text->setWordWrap(true);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_text->setFont(pixelFont(m_text->font(), 12, QFont::Medium));
    row->addWidget(m_text, 1);
    m_dismiss = new QToolButton;
    m_dismiss->setObjectName(QStringLiteral("dismissError"));
    m_dismiss->setText(QStringLiteral("Dismiss"));
    m_dismiss->setToolTip(QStringLiteral("Dismiss"));
    m_dismiss->setAutoRaise(true);
    row->addWidget(m_dismiss, 0, Qt::AlignTop);
    connect(m_dismiss, &QToolButton::clicked, this, &QWidget::hide);
    hide();
}

void ErrorBanner::showMessage(const QString& message)
{
    m_text->setText(message);
    place();
    raise();
    show();
}

QString ErrorBanner::message() const { return isHidden() ? QString() : m_text->text(); }

void ErrorBanner::place()
{
    if (!parentWidget()) return;
    const int width = std::min(parentWidget()->width() - 24, 640);
    setFixedWidth(std::max(width, 200));
    adjustSize();
    move((parentWidget()->width() - this->width()) / 2, 8);
}

} // namespace lumara::ui

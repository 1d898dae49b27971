// The failure notice bar. UI thread only.
#include "ui/window/ErrorBanner.h"

#include "ui/style/Theme.h"

#include <QBoxLayout>
#include <QLayout>
#include <QLabel>
#include <QPainter>
#include <QToolButton>

#include <algorithm>

namespace lumara::ui {

ErrorBanner::ErrorBanner(QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("errorBanner"));
    setAccessibleName(tr("Error"));
    setFrameShape(QFrame::NoFrame);
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
    m_dismiss->setText(tr("Dismiss"));
    m_dismiss->setToolTip(tr("Dismiss"));
    m_dismiss->setAutoRaise(true);
    row->addWidget(m_dismiss, 0, Qt::AlignTop);
    connect(m_dismiss, &QToolButton::clicked, this, &QWidget::hide);
    hide();
}

void ErrorBanner::paintEvent(QPaintEvent*)
{
    // A warm red wash over the window colour, opaque so nothing beneath shows through, in the
    // appearance of this moment: the notice may stay up while the user switches it.
    const QColor window = palette().color(QPalette::Window);
    const QColor red(214, 60, 52);
    const auto mix = [&](double share) {
        return QColor::fromRgbF(float(window.redF() * (1 - share) + red.redF() * share),
                                float(window.greenF() * (1 - share) + red.greenF() * share),
                                float(window.blueF() * (1 - share) + red.blueF() * share));
    };
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(mix(0.6), 1));
    p.setBrush(mix(0.22));
    p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
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
    // The wrapped text's own height, not the label's unwrapped size hint.
    // (-1 while the layout has no height-for-width item, before the text is set).
    const int height = layout()->totalHeightForWidth(this->width());
    setFixedHeight(height >= 0 ? height : sizeHint().height());
    move((parentWidget()->width() - this->width()) / 2, 8);
}

} // namespace lumara::ui

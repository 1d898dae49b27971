// State chips, the rename field, the add button and the playback group. UI thread only.
#include "ui/states/StateStripView.h"

#include "document/OrbDocument.h"
#include "ui/style/Symbols.h"
#include "ui/style/Theme.h"
#include "ui/widgets/Capsule.h"

#include <QBoxLayout>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QToolButton>

namespace lumara::ui {

namespace {

constexpr int kSliderScale = 1000; // slider units per second: fine enough to feel continuous

QColor secondaryText(const QWidget* widget) { return widget->palette().color(QPalette::PlaceholderText); }

// The round add button on a disc of material.
class AddButton : public QToolButton {
public:
    explicit AddButton(QWidget* parent) : QToolButton(parent)
    {
        setFixedSize(24, 24);
        setIconSize(QSize(12, 12));
        setAutoRaise(true);
        setCursor(Qt::PointingHandCursor);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(withAlpha(palette().color(QPalette::WindowText), underMouse() ? 0.25 : 0.12), 0.5));
        p.setBrush(isDown() ? withAlpha(brandAccent(), 0.25) : materialColor());
        p.drawEllipse(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
        icon().paint(&p, QRect(6, 6, 12, 12));
    }
};

} // namespace

StateChip::StateChip(StateStripView* strip, OrbState* state) : QWidget(nullptr), m_strip(strip), m_state(state)
{
    setFocusPolicy(Qt::ClickFocus); // clicking a chip takes focus, so a rename elsewhere commits
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
    m_renameAction = new QAction(tr("Rename"), this);
    m_deleteAction = new QAction(tr("Delete State"), this);
    connect(m_renameAction, &QAction::triggered, this, [this] { m_strip->startRenaming(m_index); });
    connect(m_deleteAction, &QAction::triggered, this, [this] { m_strip->deleteState(m_index); });
    connect(state, &OrbState::nameChanged, this, [this] {
        updateGeometry();
        update();
    });
}

QList<QAction*> StateChip::menuActions() const { return {m_renameAction, m_deleteAction}; }

QFont StateChip::nameFont() const { return pixelFont(font(), 12, m_selected ? QFont::DemiBold : QFont::Normal); }

QString StateChip::displayedName() const { return m_state ? m_state->name() : QString(); }

QSize StateChip::sizeHint() const
{
    const QFontMetrics metrics(nameFont());
    const int height = metrics.height() + 10;
    if (m_field) return {84 + 20, std::max(height, m_field->sizeHint().height() + 4)};
    return {metrics.horizontalAdvance(displayedName()) + 20, height};
}

void StateChip::setSelected(bool selected)
{
    if (m_selected == selected) return;
    m_selected = selected;
    updateGeometry();
    update();
}

void StateChip::setEditing(bool editing, const QString& text)
{
    if (editing == (m_field != nullptr)) return;
    if (editing) {
        m_field = new QLineEdit(this);
        m_field->setPlaceholderText(tr("Name"));
        m_field->setFrame(false);
        m_field->setFont(pixelFont(font(), 12, QFont::Medium));
        m_field->setFixedWidth(84);
        m_field->setText(text);
        m_field->setAttribute(Qt::WA_MacShowFocusRect, false);
        QPalette palette = m_field->palette();
        palette.setColor(QPalette::Base, Qt::transparent);
        m_field->setPalette(palette);
        connect(m_field, &QLineEdit::returnPressed, this, [this] { m_strip->commitRename(m_index); });
        connect(m_field, &QLineEdit::editingFinished, this, [this] { m_strip->commitRename(m_index); });
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(10, 2, 10, 2);
        layout->addWidget(m_field);
        m_field->show();
        m_field->selectAll();
        m_field->setFocus(Qt::OtherFocusReason);
    } else {
        QLineEdit* field = m_field;
        m_field = nullptr;
        field->disconnect(this); // its focus leaving now must not commit a second time
        delete layout();
        field->hide();
        field->deleteLater();
    }
    updateGeometry();
    update();
}

void StateChip::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const double radius = r.height() / 2.0;
    if (m_selected) {
        p.setPen(QPen(withAlpha(brandAccent(), 0.5), 1.0));
        p.setBrush(withAlpha(brandAccent(), 0.18));
    } else {
        p.setPen(Qt::NoPen);
        p.setBrush(withAlpha(QColor(128, 128, 128), underMouse() ? 0.2 : 0.12));
    }
    p.drawRoundedRect(r, radius, radius);
    if (m_field) return;
    p.setFont(nameFont());
    p.setPen(m_selected ? brandAccent() : withAlpha(palette().color(QPalette::WindowText), 0.62));
    p.drawText(rect().adjusted(10, 0, -10, 0), Qt::AlignCenter, displayedName());
}

void StateChip::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) m_strip->clickChip(m_index);
    QWidget::mousePressEvent(event);
}

void StateChip::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) m_strip->startRenaming(m_index);
}

void StateChip::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu(this);
    menu.addActions(menuActions());
    menu.exec(event->globalPos());
}

StateStripView::StateStripView(OrbDocument* document, QWidget* parent) : QWidget(parent), m_document(document)
{
    setAccessibleName(tr("States"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12, 8, 12, 8);
    row->setSpacing(10);

    m_chipRow = new QWidget;
    m_chipLayout = new QHBoxLayout(m_chipRow);
    m_chipLayout->setContentsMargins(2, 2, 2, 2);
    m_chipLayout->setSpacing(6);
    m_addButton = new AddButton(m_chipRow);
    m_addButton->setIcon(drawnSymbolIcon(Symbol::plus));
    m_addButton->setToolTip(tr("Add state"));
    m_addButton->setAccessibleName(tr("Add state"));
    connect(m_addButton, &QToolButton::clicked, document, &OrbDocument::addState);
    m_chipLayout->addWidget(m_addButton, 0, Qt::AlignVCenter);
    m_chipLayout->addStretch(1);

    m_scroll = new QScrollArea;
    m_scroll->setWidget(m_chipRow);
    m_scroll->setWidgetResizable(true);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_scroll->setFixedHeight(m_chipRow->sizeHint().height());
    m_scroll->viewport()->setAutoFillBackground(false);
    m_chipRow->setAutoFillBackground(false);
    row->addWidget(m_scroll, 1);

    m_playbackGroup = new QWidget;
    auto* group = new QHBoxLayout(m_playbackGroup);
    group->setContentsMargins(0, 0, 0, 0);
    group->setSpacing(10);
    auto* transition = new QHBoxLayout;
    transition->setSpacing(6);
    m_timerIcon = new QLabel;
    m_timerIcon->setFixedSize(12, 12);
    transition->addWidget(m_timerIcon);
    m_slider = new QSlider(Qt::Horizontal);
    m_slider->setRange(int(0.2 * kSliderScale), int(3.0 * kSliderScale));
    m_slider->setSingleStep(int(0.1 * kSliderScale));
    m_slider->setPageStep(int(0.5 * kSliderScale));
    m_slider->setFixedWidth(90);
    m_slider->setStyleSheet(QStringLiteral(
        "QSlider::groove:horizontal { height: 4px; border-radius: 2px; background: rgba(128, 128, 128, 90); }"
        "QSlider::sub-page:horizontal { height: 4px; border-radius: 2px; background: %1; }"
        "QSlider::handle:horizontal { width: 14px; height: 14px; margin: -5px 0; border-radius: 7px;"
        " background: #ffffff; border: 1px solid rgba(0, 0, 0, 60); }")
                                .arg(brandAccent().name()));
    m_slider->setAccessibleName(tr("Transition time"));
    m_slider->setToolTip(tr("Transition time"));
    connect(m_slider, &QSlider::valueChanged, this, [this](int value) {
        if (m_document) m_document->setTransitionDuration(double(value) / kSliderScale);
    });
    transition->addWidget(m_slider);
    m_transitionLabel = new QLabel;
    m_transitionLabel->setFixedWidth(30);
    m_transitionLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_transitionLabel->setFont(pixelFont(font(), 11));
    m_transitionLabel->setForegroundRole(QPalette::PlaceholderText);
    transition->addWidget(m_transitionLabel);
    group->addLayout(transition);
    m_playButton = new QToolButton;
    m_playButton->setFixedSize(28, 22);
    m_playButton->setIconSize(QSize(12, 12));
    m_playButton->setCursor(Qt::PointingHandCursor);
    m_playButton->setObjectName(QStringLiteral("playButton"));
    m_playButton->setStyleSheet(QStringLiteral("QToolButton#playButton { background: %1; border: none; border-radius: 6px; }"
                                               "QToolButton#playButton:hover { background: %2; }"
                                               "QToolButton#playButton:pressed { background: %3; }")
                                    .arg(brandAccent().name(), brandAccent().lighter(115).name(),
                                         brandAccent().darker(120).name()));
    connect(m_playButton, &QToolButton::clicked, this, [this] { setPlaying(!m_isPlaying); });
    group->addWidget(m_playButton);
    row->addWidget(m_playbackGroup);

    connect(document, &OrbDocument::statesChanged, this, &StateStripView::syncChips);
    connect(document, &OrbDocument::selectedStateIndexChanged, this, &StateStripView::syncChips);
    connect(document, &OrbDocument::transitionDurationChanged, this, [this] {
        syncTransition();
        // The autosave record follows each finished change: a key or wheel step at once, a drag
        // when it lets go.
        if (m_playbackGroup->isVisibleTo(this) && m_document && !m_slider->isSliderDown()) m_document->saveLastProject();
    });
    connect(m_slider, &QSlider::sliderReleased, this, [this] {
        if (m_document) m_document->saveLastProject();
    });
    syncChips();
    syncTransition();
    syncPlayButton();
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void StateStripView::setPlaying(bool playing)
{
    if (m_isPlaying == playing) return;
    m_isPlaying = playing;
    syncPlayButton();
    emit playingChanged(playing);
}

QString StateStripView::editingText() const
{
    const QLineEdit* field = renameField();
    return field ? field->text() : QString();
}

StateChip* StateStripView::chip(qsizetype index) const
{
    return index >= 0 && index < m_chips.size() ? m_chips.at(index) : nullptr;
}

QLineEdit* StateStripView::renameField() const
{
    StateChip* editing = m_editingIndex ? chip(*m_editingIndex) : nullptr;
    return editing ? editing->field() : nullptr;
}

QAbstractButton* StateStripView::addButton() const { return m_addButton; }

void StateStripView::clickChip(qsizetype index)
{
    if (m_editingIndex == index) return; // clicks inside the field being edited do not reselect
    if (m_document) m_document->selectState(index);
}

void StateStripView::startRenaming(qsizetype index)
{
    if (!m_document || index < 0 || index >= m_document->states().size()) return;
    if (m_editingIndex && *m_editingIndex != index) commitRename(*m_editingIndex);
    m_document->selectState(index);
    const QString name = m_document->states().at(index)->name();
    m_editingIndex = index;
    m_editingId = m_document->states().at(index)->id();
    syncChips();
    if (StateChip* c = chip(index)) {
        c->setEditing(true, name);
        m_scroll->ensureWidgetVisible(c);
    }
}

void StateStripView::deleteState(qsizetype index)
{
    if (m_editingIndex) commitRename(*m_editingIndex);
    if (m_document) m_document->deleteState(index);
}

void StateStripView::commitRename(qsizetype index)
{
    if (m_editingIndex != index) return;
    const QString text = editingText();
    m_editingIndex.reset();
    if (StateChip* c = chip(index)) c->setEditing(false);
    // The document trims the text and keeps the old name when nothing is left.
    if (m_document) m_document->renameState(index, text);
}

void StateStripView::syncChips()
{
    if (!m_document) return;
    const auto& states = m_document->states();
    bool same = states.size() == m_chips.size();
    for (qsizetype i = 0; same && i < states.size(); ++i) same = m_chips.at(i)->state() == states.at(i);
    std::optional<QString> keptText;
    if (!same) {
        if (m_editingIndex) {
            keptText = editingText();
            m_editingIndex.reset();
            for (qsizetype i = 0; i < states.size(); ++i)
                if (states.at(i)->id() == m_editingId) m_editingIndex = i;
        }
        for (StateChip* old : std::as_const(m_chips)) {
            old->setEditing(false);
            old->hide();
            old->deleteLater();
        }
        m_chips.clear();
        for (qsizetype i = 0; i < states.size(); ++i) {
            auto* c = new StateChip(this, states.at(i));
            m_chipLayout->insertWidget(int(i), c, 0, Qt::AlignVCenter);
            m_chips.append(c);
        }
    }
    const qsizetype selected = m_document->effectiveSelectedIndex();
    for (qsizetype i = 0; i < m_chips.size(); ++i) {
        StateChip* c = m_chips.at(i);
        c->setIndex(i);
        c->setSelected(i == selected);
        c->menuActions().at(1)->setEnabled(states.size() >= 2);
        if (m_editingIndex == i && !c->field()) {
            c->setEditing(true, keptText.value_or(states.at(i)->name()));
            if (keptText) c->field()->end(false); // typing goes on where it was, not over a selection
        }
        if (m_editingIndex != i) c->setEditing(false);
    }
    m_playbackGroup->setVisible(states.size() >= 2);
    m_scroll->setFixedHeight(m_chipRow->sizeHint().height());
}

void StateStripView::syncTransition()
{
    if (!m_document) return;
    const double seconds = m_document->transitionDuration();
    {
        const QSignalBlocker blocker(m_slider);
        m_slider->setValue(int(std::lround(std::clamp(std::isfinite(seconds) ? seconds : 0.2, 0.2, 3.0) * kSliderScale)));
    }
    m_transitionLabel->setText(QString::asprintf("%.1fs", seconds));
}

void StateStripView::syncPlayButton()
{
    m_playButton->setIcon(drawnSymbolIcon(m_isPlaying ? Symbol::pause : Symbol::play, Qt::white));
    m_playButton->setToolTip(m_isPlaying ? tr("Stop preview") : tr("Play state loop"));
    m_playButton->setAccessibleName(m_playButton->toolTip());
    m_timerIcon->setPixmap(drawnSymbolIcon(Symbol::timer, secondaryText(this)).pixmap(QSize(12, 12), devicePixelRatioF()));
}

void StateStripView::paintEvent(QPaintEvent*)
{
    // The bar: the window colour raised slightly, with a hairline underneath.
    QPainter p(this);
    const QColor window = palette().color(QPalette::Window);
    p.fillRect(rect(), isDarkAppearance() ? window.lighter(112) : window.darker(102));
}

void StateStripView::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) syncPlayButton();
}

} // namespace lumara::ui

// Binding helpers of the inspector's sections.
#include "ui/inspector/InspectorSection.h"

#include "ui/inspector/InspectorControls.h"
#include "ui/inspector/LabeledSlider.h"
#include "ui/style/Theme.h"
#include "ui/widgets/FocusedWheel.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QLabel>
#include <QMetaMethod>
#include <QMetaProperty>
#include <QSignalBlocker>

namespace lumara::ui {

QLabel* rowCaption(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setFont(pixelFont(label->font(), 12));
    return label;
}

InspectorSection::InspectorSection(OrbDocument* document, QWidget* parent) : QWidget(parent), m_document(document)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    if (document) {
        connect(document, &OrbDocument::lockedParametersChanged, this, &InspectorSection::refreshLocks);
        connect(document, &OrbDocument::statesChanged, this, &InspectorSection::refreshLocks);
        connect(document, &OrbDocument::currentConfigurationChanged, this, &InspectorSection::refreshLocks);
    }
}

QString InspectorSection::fieldKeyOf(ConfigurationSignal changed)
{
    const QMetaMethod signal = QMetaMethod::fromSignal(changed);
    const QMetaObject& meta = OrbConfiguration::staticMetaObject;
    for (int i = meta.propertyOffset(); i < meta.propertyCount(); ++i)
        if (meta.property(i).notifySignal() == signal) return QString::fromLatin1(meta.property(i).name());
    return {};
}

LockableRow* InspectorSection::addLockable(QBoxLayout* layout, QWidget* content, const QString& key, const QString& parameterName)
{
    auto* row = new LockableRow(key, parameterName, content, this);
    connect(row, &LockableRow::lockToggled, this, [this, key](bool locked) {
        if (m_document) m_document->setParameterLocked(key.toStdString(), locked);
    });
    layout->addWidget(row);
    m_lockRows.push_back(row);
    refreshLocks();
    return row;
}

void InspectorSection::refreshLocks()
{
    if (!m_document) return;
    const OrbState* state = m_document->states().at(m_document->effectiveSelectedIndex());
    for (LockableRow* row : m_lockRows) row->setLocked(state->isParameterLocked(row->fieldKey().toStdString()));
}

OrbConfiguration* InspectorSection::configuration() const
{
    return m_document ? m_document->currentConfiguration() : nullptr;
}

void InspectorSection::recordUndoStep()
{
    if (m_document) m_document->recordUndoSnapshot();
}

void InspectorSection::bind(OrbConfiguration* configuration)
{
    delete m_binding; // drops every connection to the previous configuration
    m_binding = new QObject(this);
    m_bound = configuration;
    if (!configuration) return;
    for (const Follower& follower : m_followers) {
        connect(configuration, follower.changed, m_binding,
                [configuration, refresh = follower.refresh] { refresh(*configuration); });
        follower.refresh(*configuration);
    }
}

void InspectorSection::follow(ConfigurationSignal changed, std::function<void(const OrbConfiguration&)> refresh)
{
    m_followers.push_back({changed, std::move(refresh)});
}

LabeledSlider* InspectorSection::addSlider(QBoxLayout* layout, const SliderField& field)
{
    auto* slider = new LabeledSlider(field.label, field.minimum, field.maximum, field.format, this);
    slider->onCommit = [this] { recordUndoStep(); };
    connect(slider, &LabeledSlider::valueEdited, this, [this, set = field.set](double value) {
        if (OrbConfiguration* config = configuration()) (config->*set)(value);
    });
    follow(field.changed, [slider, get = field.get](const OrbConfiguration& config) { slider->setValue((config.*get)()); });
    addLockable(layout, slider, fieldKeyOf(field.changed), field.label);
    return slider;
}

ToggleSwitch* InspectorSection::addToggle(QBoxLayout* layout, const QString& label, bool (OrbConfiguration::*get)() const,
                                       void (OrbConfiguration::*set)(bool), ConfigurationSignal changed)
{
    auto* toggle = new ToggleSwitch(label, this);
    // `clicked` comes from the user only (mouse or Space); showing a value uses setChecked.
    connect(toggle, &QAbstractButton::clicked, this, [this, get, set](bool on) {
        OrbConfiguration* config = configuration();
        if (!config || (config->*get)() == on) return;
        recordUndoStep();
        (config->*set)(on);
    });
    follow(changed, [toggle, get](const OrbConfiguration& config) {
        const QSignalBlocker blocker(toggle);
        toggle->setChecked((config.*get)());
    });
    addLockable(layout, toggle, fieldKeyOf(changed), label);
    return toggle;
}

QComboBox* InspectorSection::addPicker(QBoxLayout* layout, const QString& label, const QStringList& choices,
                                       std::function<int(const OrbConfiguration&)> index,
                                       std::function<void(OrbConfiguration&, int)> setIndex, ConfigurationSignal changed)
{
    auto* picker = new FocusedWheel<QComboBox>(this);
    picker->addItems(choices);
    picker->setFocusPolicy(Qt::StrongFocus);
    picker->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    // `activated` comes from the user only; it also fires when the shown choice is picked again.
    connect(picker, &QComboBox::activated, this, [this, index, setIndex](int chosen) {
        OrbConfiguration* config = configuration();
        if (!config || chosen < 0 || index(*config) == chosen) return;
        recordUndoStep();
        setIndex(*config, chosen);
    });
    follow(changed, [picker, index](const OrbConfiguration& config) {
        const int shown = index(config);
        const QSignalBlocker blocker(picker);
        picker->setCurrentIndex(shown >= 0 && shown < picker->count() ? shown : -1);
    });
    addRow(layout, label, picker, fieldKeyOf(changed));
    return picker;
}

QLabel* InspectorSection::addRow(QBoxLayout* layout, const QString& label, QWidget* control, const QString& lockKey)
{
    QWidget* holder = lockKey.isEmpty() ? nullptr : new QWidget(this);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    QLabel* caption = rowCaption(label, this);
    caption->setBuddy(control);
    if (control->accessibleName().isEmpty()) control->setAccessibleName(label);
    row->addWidget(caption);
    row->addStretch(1);
    row->addWidget(control);
    if (!holder) {
        layout->addLayout(row);
        return caption;
    }
    holder->setLayout(row); // takes the caption and the control as its children
    addLockable(layout, holder, lockKey, label);
    return caption;
}

} // namespace lumara::ui

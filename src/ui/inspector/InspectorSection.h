// Common ground of the inspector's configuration sections: the document, the configuration they
// show (the document's current one), and binding helpers that connect each control to its
// field's change signal. Refreshing a control from the model never writes the model back.
// UI thread only.
#pragma once

#include "document/OrbDocument.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <vector>

class QBoxLayout;
class QComboBox;
class QLabel;

namespace lumara::ui {

class LabeledSlider;
class LockableRow;
class ToggleSwitch;

using ConfigurationSignal = void (OrbConfiguration::*)();

// One slider of a configuration section: its caption, range and value text, and its field.
struct SliderField {
    QString label;
    double minimum;
    double maximum;
    QString (*format)(double);
    double (OrbConfiguration::*get)() const;
    void (OrbConfiguration::*set)(double);
    ConfigurationSignal changed;
};

class InspectorSection : public QWidget {
    Q_OBJECT
public:
    explicit InspectorSection(OrbDocument* document, QWidget* parent = nullptr);

    // Shows this configuration's values and follows its changes from now on.
    void bind(OrbConfiguration* configuration);
    OrbConfiguration* boundConfiguration() const { return m_bound; }

protected:
    OrbDocument* document() const { return m_document; }
    // The configuration that edits go to: the document's current one.
    OrbConfiguration* configuration() const;
    // One undo step holding the project as it is now, before an edit.
    void recordUndoStep();

    // Runs `refresh` with the bound configuration on every bind and whenever `changed` fires.
    void follow(ConfigurationSignal changed, std::function<void(const OrbConfiguration&)> refresh);

    // A slider whose drag (or burst of key steps) records one undo step and writes live.
    LabeledSlider* addSlider(QBoxLayout* layout, const SliderField& field);
    // A switch that records one undo step per change.
    ToggleSwitch* addToggle(QBoxLayout* layout, const QString& label, bool (OrbConfiguration::*get)() const,
                         void (OrbConfiguration::*set)(bool), ConfigurationSignal changed);
    // A labelled choice; an index the model holds outside the choices selects none and is kept.
    // Each change the user makes records one undo step.
    QComboBox* addPicker(QBoxLayout* layout, const QString& label, const QStringList& choices,
                         std::function<int(const OrbConfiguration&)> index,
                         std::function<void(OrbConfiguration&, int)> setIndex, ConfigurationSignal changed);
    // A row: the caption at the leading edge, `control` at the trailing one (named after the caption).
    // With a field key the row carries that field's padlock.
    QLabel* addRow(QBoxLayout* layout, const QString& label, QWidget* control, const QString& lockKey = {});
    // `content` in a row with the padlock of field `key`, added to `layout`.
    LockableRow* addLockable(QBoxLayout* layout, QWidget* content, const QString& key, const QString& parameterName);

public:
    // The rows with a padlock, in layout order.
    const std::vector<LockableRow*>& lockableRows() const { return m_lockRows; }
    // The field whose change signal `changed` is (its property's name in OrbConfiguration).
    static QString fieldKeyOf(ConfigurationSignal changed);

private:
    // Shows the selected state's locks on every padlock.
    void refreshLocks();

private:
    struct Follower {
        ConfigurationSignal changed;
        std::function<void(const OrbConfiguration&)> refresh;
    };

    QPointer<OrbDocument> m_document;
    QPointer<OrbConfiguration> m_bound;
    QObject* m_binding = nullptr; // the context of the present connections; replaced on bind
    std::vector<Follower> m_followers;
    std::vector<LockableRow*> m_lockRows;
};

// A caption label of an inspector row.
QLabel* rowCaption(const QString& text, QWidget* parent = nullptr);

} // namespace lumara::ui

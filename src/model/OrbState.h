// One named keyframe of a project: a stable id, a name and the configuration it owns.
// Lives on the UI thread; `name` and `config` notify their observers when they change.
#pragma once

#include "model/OrbConfiguration.h"
#include "model/OrbProjectData.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUuid>

namespace lumara {

class OrbState : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString name READ name WRITE setName NOTIFY nameChanged)
    Q_PROPERTY(lumara::OrbConfiguration* config READ config NOTIFY configChanged)

public:
    // A new state with a fresh random id; takes ownership of `config`.
    OrbState(QString name, OrbConfiguration* config, QObject* parent = nullptr);
    // A state with a given id (undo snapshots keep ids); takes ownership of `config`.
    OrbState(QUuid id, QString name, OrbConfiguration* config, QObject* parent = nullptr);

    static OrbState* fromData(const OrbStateData& data, QObject* parent = nullptr);
    OrbStateData data() const;

    QUuid id() const { return m_id; }
    QString name() const { return m_name; }
    OrbConfiguration* config() const { return m_config; }
    // The field keys Randomize keeps in this state, in key order (orderedFieldKeys).
    const std::vector<std::string>& lockedParameters() const { return m_lockedParameters; }
    bool isParameterLocked(std::string_view key) const;

    void setName(const QString& name);
    // Stores orderedFieldKeys(keys); an equal list notifies nobody.
    void setLockedParameters(const std::vector<std::string>& keys);
    // Replaces the configuration with another instance and takes ownership of it. The old one is
    // released with deleteLater(), so views that still hold it stay valid until the event loop runs.
    void setConfig(OrbConfiguration* config);

signals:
    void nameChanged();
    void configChanged();
    void lockedParametersChanged();

private:
    QUuid m_id;
    QString m_name;
    QPointer<OrbConfiguration> m_config;
    std::vector<std::string> m_lockedParameters;
};

// "State N": N starts at count + 1 and grows until no existing name equals the candidate
// (exact, case-sensitive).
QString nextStateName(const QStringList& existingNames);

// Trims white space and line breaks from both ends; an empty result means "no name".
QString trimmedStateName(const QString& name);

// Upper-case standard form of a UUID, as state ids are written.
std::string uuidText(const QUuid& id);

} // namespace lumara

// Named states and the naming rules.
#include "model/OrbState.h"

#include "model/OrbFields.h"

#include <algorithm>

namespace lumara {

OrbState::OrbState(QString name, OrbConfiguration* config, QObject* parent)
    : OrbState(QUuid::createUuid(), std::move(name), config, parent)
{
}

OrbState::OrbState(QUuid id, QString name, OrbConfiguration* config, QObject* parent)
    : QObject(parent), m_id(id), m_name(std::move(name)), m_config(config ? config : new OrbConfiguration)
{
    m_config->setParent(this);
}

OrbState* OrbState::fromData(const OrbStateData& data, QObject* parent)
{
    QUuid id = QUuid::fromString(QString::fromStdString(data.id));
    if (id.isNull()) id = QUuid::createUuid();
    auto* state = new OrbState(id, QString::fromStdString(data.name), new OrbConfiguration(data.config), parent);
    state->m_lockedParameters = orderedFieldKeys(data.lockedParameters);
    return state;
}

OrbStateData OrbState::data() const
{
    return {uuidText(m_id), m_name.toStdString(), m_config->values(), m_lockedParameters};
}

bool OrbState::isParameterLocked(std::string_view key) const
{
    return std::find(m_lockedParameters.begin(), m_lockedParameters.end(), key) != m_lockedParameters.end();
}

void OrbState::setLockedParameters(const std::vector<std::string>& keys)
{
    std::vector<std::string> ordered = orderedFieldKeys(keys);
    if (ordered == m_lockedParameters) return;
    m_lockedParameters = std::move(ordered);
    emit lockedParametersChanged();
}

void OrbState::setName(const QString& name)
{
    if (m_name == name) return;
    m_name = name;
    emit nameChanged();
}

void OrbState::setConfig(OrbConfiguration* config)
{
    if (!config || config == m_config) return;
    OrbConfiguration* old = m_config;
    config->setParent(this);
    m_config = config;
    if (old) old->deleteLater();
    emit configChanged();
}

QString nextStateName(const QStringList& existingNames)
{
    for (qsizetype n = existingNames.size() + 1;; ++n) {
        const QString candidate = QStringLiteral("State %1").arg(n);
        if (!existingNames.contains(candidate, Qt::CaseSensitive)) return candidate;
    }
}

QString trimmedStateName(const QString& name) { return name.trimmed(); }

std::string uuidText(const QUuid& id) { return id.toString(QUuid::WithoutBraces).toUpper().toStdString(); }

} // namespace lumara

// Debounced autosave of field edits.
#include "document/AutosaveScheduler.h"

#include "document/OrbDocument.h"

namespace lumara {

AutosaveScheduler::AutosaveScheduler(OrbDocument* document, std::chrono::milliseconds delay, QObject* parent)
    : QObject(parent), m_document(document)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(delay);
    connect(&m_timer, &QTimer::timeout, this, &AutosaveScheduler::write);
    if (!document) return;
    connect(document, &OrbDocument::currentConfigurationChanged, this, &AutosaveScheduler::watchCurrentConfiguration);
    connect(document, &OrbDocument::statesChanged, this, &AutosaveScheduler::watchCurrentConfiguration);
    watchCurrentConfiguration();
}

AutosaveScheduler::~AutosaveScheduler() = default;

void AutosaveScheduler::watchCurrentConfiguration()
{
    OrbConfiguration* config = m_document ? m_document->currentConfiguration() : nullptr;
    if (config == m_watched) return;
    disconnect(m_connection);
    m_watched = config;
    // Only the selected state's configuration is edited in place; the others change only through
    // the document's own operations, which write the record themselves.
    if (config) m_connection = connect(config, &OrbConfiguration::changed, this, &AutosaveScheduler::edited);
}

void AutosaveScheduler::edited() { m_timer.start(); } // restarting pushes the write past the last change

void AutosaveScheduler::flush()
{
    if (m_timer.isActive()) write();
}

void AutosaveScheduler::write()
{
    m_timer.stop();
    if (m_document) m_document->saveLastProject();
}

} // namespace lumara

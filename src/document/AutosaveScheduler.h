// Keeps the autosave record up to date with field edits. Structural operations write the record
// themselves; edits of a configuration's fields (the inspector's) are written once they pause:
// `delay` after the last change, never on every change of a drag. `flush` writes a waiting edit at
// once (the application calls it when it quits). UI thread only.
#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <chrono>

namespace lumara {

class OrbConfiguration;
class OrbDocument;

class AutosaveScheduler : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kDefaultDelay{1000};

    explicit AutosaveScheduler(OrbDocument* document, std::chrono::milliseconds delay = kDefaultDelay, QObject* parent = nullptr);
    ~AutosaveScheduler() override;

    // An edit is waiting to be written.
    bool isPending() const { return m_timer.isActive(); }
    // Writes the record now when an edit is waiting.
    void flush();

private:
    void watchCurrentConfiguration();
    void edited();
    void write();

    QPointer<OrbDocument> m_document;
    QPointer<OrbConfiguration> m_watched;
    QMetaObject::Connection m_connection;
    QTimer m_timer;
};

} // namespace lumara

// SIGTERM, SIGINT and SIGHUP (a logout, `systemctl stop`, Ctrl+C) as a Qt signal on the UI thread:
// the handler only writes to a pipe (async-signal-safe), a QSocketNotifier reads its other end.
// UI thread only; one instance per process at a time.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace lumara::ui {

class QuitSignals : public QObject {
    Q_OBJECT
public:
    // Installs the handlers; without a pipe (no descriptors left) the signals keep their defaults.
    explicit QuitSignals(QObject* parent = nullptr);
    // Puts the default dispositions back and closes the pipe.
    ~QuitSignals() override;

signals:
    // One of the three arrived; `signal` is its number.
    void received(int signal);

private:
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace lumara::ui

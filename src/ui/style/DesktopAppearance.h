// Follows the desktop's light or dark preference while the editor runs: the settings portal on the
// session bus first, the GTK settings files second, and reports each change. UI thread only.
#pragma once

#include "ui/style/DesktopColorScheme.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <cstdint>
#include <optional>

class QDBusMessage;
class QFileSystemWatcher;
class QTimer;

namespace lumara::ui {

class DesktopAppearance : public QObject {
    Q_OBJECT
public:
    // How long a portal read may take. The first read is waited for (so the first window opens in
    // the desktop's colours); an answer that does not come in time counts as no portal.
    static constexpr int kPortalTimeoutMs = 500;

    // Reads the GTK settings under $XDG_CONFIG_HOME (else ~/.config) and asks the portal on the
    // session bus of $DBUS_SESSION_BUS_ADDRESS (else $XDG_RUNTIME_DIR/bus; never a bus it would
    // have to start), then follows the portal's SettingChanged signal, the portal leaving or
    // arriving, and edits of the GTK files. No bus, no portal, or a portal that answers garbage or
    // too late: the GTK files decide, or nothing does. Never fails.
    explicit DesktopAppearance(QObject* parent = nullptr);
    ~DesktopAppearance() override;

    DesktopAppearance(const DesktopAppearance&) = delete;
    DesktopAppearance& operator=(const DesktopAppearance&) = delete;

    // What the desktop prefers now.
    DesktopColorScheme colorScheme() const { return m_scheme; }
    // Whether a session bus was reached (the portal may still be absent).
    bool hasSessionBus() const { return !m_busName.isEmpty(); }
    // The portal's last colour-scheme value; empty while no portal has given a readable one.
    std::optional<std::uint32_t> portalValue() const { return m_portalValue; }
    // The GTK settings as last read.
    const GtkThemeSettings& gtkSettings() const { return m_gtk; }

signals:
    // Emitted when colorScheme() changes, after it has.
    void colorSchemeChanged(lumara::ui::DesktopColorScheme scheme);

private slots:
    void onSettingChanged(const QDBusMessage& message);

private:
    void connectToPortal();
    void readPortal(bool waitForAnswer);
    void setPortalValue(std::optional<std::uint32_t> value);
    void watchGtkFiles();
    void rereadGtkFiles();
    void decide();

    QString m_configHome;
    GtkThemeSettings m_gtk;
    QFileSystemWatcher* m_files = nullptr;
    QTimer* m_gtkSettle = nullptr;
    QString m_busName; // empty without a bus
    QDBusConnection m_bus{QString()};
    int m_readSerial = 0; // the latest read; older answers are dropped
    std::optional<std::uint32_t> m_portalValue;
    DesktopColorScheme m_scheme = DesktopColorScheme::none;
};

} // namespace lumara::ui

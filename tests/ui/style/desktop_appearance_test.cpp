// The System appearance following the desktop, with the real editor on the offscreen platform: a
// private dbus-daemon started by the test with a stand-in for the desktop's settings portal on it,
// and GTK settings files in a temporary $XDG_CONFIG_HOME.
#include "ui/UiTestSupport.h"

#include "ui/sidebar/PresetSidebarView.h"
#include "ui/style/DesktopAppearance.h"
#include "ui/style/Theme.h"
#include "ui/widgets/SegmentedControl.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QProcess>
#include <QSaveFile>
#include <QThread>
#include <QTimer>

#include <atomic>

using namespace lumara;

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString kNamespace = QStringLiteral("org.freedesktop.appearance");
const QString kKey = QStringLiteral("color-scheme");
constexpr int kWaitMs = 5000;

const char* const kGtkDark = "[Settings]\ngtk-theme-name=Adwaita-dark\ngtk-application-prefer-dark-theme=1\n";
const char* const kGtkOtherDark = "[Settings]\ngtk-theme-name=Yaru-dark\ngtk-application-prefer-dark-theme=1\n";
const char* const kGtkLight = "[Settings]\ngtk-theme-name=Adwaita\ngtk-application-prefer-dark-theme=0\n";

// A message bus of the test's own: dbus-daemon on a socket in a temporary folder, with no service
// folders, so nothing installed on the machine can be started on it.
class PrivateBus {
public:
    PrivateBus()
    {
        const QString config = m_dir.filePath("bus.conf");
        QFile file(config);
        if (!m_dir.isValid() || !file.open(QIODevice::WriteOnly)) return;
        file.write(QStringLiteral("<busconfig><type>session</type><listen>unix:dir=%1</listen><auth>EXTERNAL</auth>"
                                  "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                                  "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n")
                       .arg(m_dir.path())
                       .toUtf8());
        file.close();
        m_daemon.start(QStringLiteral("dbus-daemon"), {"--config-file=" + config, "--print-address", "--nofork"});
        if (!m_daemon.waitForStarted(kWaitMs)) return;
        while (!m_daemon.canReadLine() && m_daemon.waitForReadyRead(kWaitMs)) {}
        address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    }
    ~PrivateBus()
    {
        if (m_daemon.state() == QProcess::NotRunning) return;
        m_daemon.terminate();
        if (!m_daemon.waitForFinished(kWaitMs)) {
            m_daemon.kill();
            m_daemon.waitForFinished(kWaitMs);
        }
    }
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    QString address; // empty when the daemon did not start
    QString error() const { return m_daemon.errorString() + QLatin1Char(' ') + QString::fromUtf8(m_daemon.readAllStandardError()); }

private:
    QTemporaryDir m_dir;
    mutable QProcess m_daemon;
};

// The portal's Settings interface. It answers from a thread of its own, as the real portal answers
// from a process of its own, so that the editor's wait for its first answer is a real wait.
class FakeSettings : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")
public:
    enum class Manner {
        answers, // as a portal does: the value in two variants
        garbage, // a string where the number should be
        late,    // the value, but only long after the caller has stopped waiting
    };
    FakeSettings(Manner manner, std::uint32_t value) : m_manner(manner), m_value(value) {}

    void setValue(std::uint32_t value) { m_value = value; }
    int lateAnswersSent() const { return m_lateAnswers; }

public slots:
    QDBusVariant Read(const QString& nameSpace, const QString& key)
    {
        if (nameSpace != kNamespace || key != kKey) {
            sendErrorReply(QStringLiteral("org.freedesktop.portal.Error.NotFound"), QStringLiteral("no such setting"));
            return {};
        }
        const QVariant answer = QVariant::fromValue(QDBusVariant(QVariant::fromValue(m_value.load())));
        switch (m_manner) {
        case Manner::answers: break;
        case Manner::garbage: return QDBusVariant(QStringLiteral("dark"));
        case Manner::late:
            setDelayedReply(true);
            QTimer::singleShot(3 * ui::DesktopAppearance::kPortalTimeoutMs, this,
                               [this, bus = connection(), reply = message().createReply(QVariant::fromValue(QDBusVariant(answer)))] {
                                   bus.send(reply);
                                   ++m_lateAnswers;
                               });
            return {};
        }
        return QDBusVariant(answer);
    }

private:
    const Manner m_manner;
    std::atomic<std::uint32_t> m_value;
    std::atomic<int> m_lateAnswers = 0;
};

// The stand-in portal on the private bus: owns the portal's name and sends its signal.
class FakePortal {
public:
    FakePortal(const QString& busAddress, FakeSettings::Manner manner, std::uint32_t value)
        : m_bus(QDBusConnection::connectToBus(busAddress, QStringLiteral("fake-portal"))), m_settings(new FakeSettings(manner, value))
    {
        m_settings->moveToThread(&m_thread);
        m_thread.start();
        registered = m_bus.isConnected() && m_bus.registerObject(kPath, m_settings, QDBusConnection::ExportAllSlots)
                     && m_bus.registerService(kService);
    }
    ~FakePortal()
    {
        m_bus.unregisterService(kService);
        m_bus.unregisterObject(kPath);
        m_bus = QDBusConnection(QString());
        QDBusConnection::disconnectFromBus(QStringLiteral("fake-portal"));
        m_thread.quit();
        m_thread.wait();
        delete m_settings;
    }
    FakePortal(const FakePortal&) = delete;
    FakePortal& operator=(const FakePortal&) = delete;

    // The desktop changes its preference: Read answers the new value and the signal goes out.
    void changeColorScheme(std::uint32_t value)
    {
        m_settings->setValue(value);
        sendSettingChanged({kNamespace, kKey, QVariant::fromValue(QDBusVariant(QVariant::fromValue(value)))});
    }
    void sendSettingChanged(const QVariantList& arguments)
    {
        QDBusMessage signal = QDBusMessage::createSignal(kPath, kInterface, QStringLiteral("SettingChanged"));
        signal.setArguments(arguments);
        m_bus.send(signal);
    }
    int lateAnswersSent() const { return m_settings->lateAnswersSent(); }

    bool registered = false;

private:
    QDBusConnection m_bus;
    QThread m_thread;
    FakeSettings* m_settings;
};

// Sets an environment variable for the test and puts back what was there.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QString& value) : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name))
    {
        set(value);
    }
    ~ScopedEnv()
    {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }
    void set(const QString& value) { qputenv(m_name, value.toUtf8()); }
    void unset() { qunsetenv(m_name); }

private:
    const char* m_name;
    bool m_had;
    QByteArray m_old;
};

// The mean lightness of what a widget shows, from 0 (black) to 1 (white).
double shownLightness(QWidget* widget)
{
    const QImage image = widget->grab().toImage();
    double sum = 0;
    int count = 0;
    for (int y = 0; y < image.height(); y += 3)
        for (int x = 0; x < image.width(); x += 3, ++count) sum += image.pixelColor(x, y).lightnessF();
    return count ? sum / count : -1;
}

class DesktopFollowing : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::testApplication();
        ASSERT_TRUE(dir.isValid() && configHome.isValid());
        ASSERT_FALSE(bus.address.isEmpty()) << "dbus-daemon did not start: " << bus.error().toStdString();
        busAddress.set(bus.address);
    }
    void TearDown() override
    {
        app.reset();
        preferences.reset();
        portal.reset();
    }

    void startPortal(FakeSettings::Manner manner, std::uint32_t value)
    {
        portal = std::make_unique<FakePortal>(bus.address, manner, value);
        ASSERT_TRUE(portal->registered);
    }

    // As the editor starts: the stored appearance applied, then the editor built.
    void startEditor(int appTheme, bool show = true)
    {
        app.reset();
        preferences = std::make_unique<Preferences>(dir.filePath("Lumara.conf"));
        preferences->settings().setValue(keys::hasSeenOnboarding, true);
        preferences->settings().setValue(keys::appTheme, appTheme);
        ui::applyAppTheme(ui::storedAppTheme(preferences->settings()));
        app = std::make_unique<ui::LumaraApp>(preferences.get(), std::make_unique<test::ScriptedDialogs>());
        if (!show) return;
        app->mainWindow()->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(app->mainWindow()));
    }

    void writeGtk(const char* folder, const char* text)
    {
        ASSERT_TRUE(QDir().mkpath(configHome.filePath(folder)));
        QFile file(configHome.filePath(QString::fromUtf8(folder) + "/settings.ini"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    }
    // As most editors save: a new file renamed over the old one.
    void replaceGtk(const char* folder, const char* text)
    {
        QSaveFile file(configHome.filePath(QString::fromUtf8(folder) + "/settings.ini"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        ASSERT_TRUE(file.commit());
    }

    ui::DesktopAppearance* desktop() const { return app->desktopAppearance(); }
    ui::SegmentedControl* appearanceSwitch() const { return app->mainWindow()->sidebar()->appearanceControl(); }
    void choose(int appTheme)
    {
        QTest::mouseClick(appearanceSwitch(), Qt::LeftButton, {}, appearanceSwitch()->segmentRect(appTheme).center());
    }

    static bool waitForDark(bool dark)
    {
        return QTest::qWaitFor([dark] { return ui::isDarkAppearance() == dark; }, kWaitMs);
    }
    bool waitForDesktop(ui::DesktopColorScheme scheme) const
    {
        return QTest::qWaitFor([&] { return desktop()->colorScheme() == scheme; }, kWaitMs);
    }

    // What a person sees: the sidebar and the inspector both in dark or both in light colours. Some
    // widgets take the new palette a turn of the event loop after the application does.
    void expectShownDark(bool dark, const char* when)
    {
        EXPECT_EQ(ui::isDarkAppearance(), dark) << when;
        for (QWidget* widget : {static_cast<QWidget*>(app->mainWindow()->sidebar()), app->mainWindow()->inspector()}) {
            EXPECT_TRUE(QTest::qWaitFor([&] { return (shownLightness(widget) < 0.5) == dark; }, kWaitMs))
                << when << ": " << widget->accessibleName().toStdString() << " shows lightness " << shownLightness(widget);
        }
    }

    QTemporaryDir dir;
    QTemporaryDir configHome;
    ScopedEnv xdgConfigHome{"XDG_CONFIG_HOME", configHome.path()};
    PrivateBus bus;
    ScopedEnv busAddress{"DBUS_SESSION_BUS_ADDRESS", QString()};
    std::unique_ptr<FakePortal> portal;
    std::unique_ptr<Preferences> preferences;
    std::unique_ptr<ui::LumaraApp> app;
};

} // namespace

TEST_F(DesktopFollowing, SystemAppearanceFollowsThePortalFromLightToDarkToLight)
{
    writeGtk("gtk-3.0", kGtkDark); // the portal's word wins over the GTK file's
    startPortal(FakeSettings::Manner::answers, ui::kPortalPreferLight);
    startEditor(int(ui::AppTheme::system), false);
    EXPECT_FALSE(ui::isDarkAppearance()) << "the portal's first answer is in before the window is built";
    app->mainWindow()->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(app->mainWindow()));
    expectShownDark(false, "light at start");

    portal->changeColorScheme(ui::kPortalPreferDark);
    ASSERT_TRUE(waitForDark(true));
    expectShownDark(true, "after the desktop turned dark");
    portal->changeColorScheme(ui::kPortalPreferLight);
    ASSERT_TRUE(waitForDark(false));
    expectShownDark(false, "after the desktop turned light again");
    portal->changeColorScheme(ui::kPortalNoPreference);
    ASSERT_TRUE(waitForDark(true)) << "no preference leaves it to the GTK file";
    expectShownDark(true, "with no preference and a dark GTK theme");
}

TEST_F(DesktopFollowing, AnExplicitLightOrDarkIsKeptUntilSystemIsChosenAgain)
{
    startPortal(FakeSettings::Manner::answers, ui::kPortalPreferDark);
    startEditor(int(ui::AppTheme::system));
    expectShownDark(true, "System on a dark desktop");

    choose(int(ui::AppTheme::light));
    expectShownDark(false, "Light chosen");
    portal->changeColorScheme(ui::kPortalPreferLight);
    ASSERT_TRUE(waitForDesktop(ui::DesktopColorScheme::light));
    portal->changeColorScheme(ui::kPortalPreferDark);
    ASSERT_TRUE(waitForDesktop(ui::DesktopColorScheme::dark));
    expectShownDark(false, "Light stays while the desktop turns dark");

    choose(int(ui::AppTheme::dark));
    expectShownDark(true, "Dark chosen");
    portal->changeColorScheme(ui::kPortalPreferLight);
    ASSERT_TRUE(waitForDesktop(ui::DesktopColorScheme::light));
    expectShownDark(true, "Dark stays while the desktop turns light");

    choose(int(ui::AppTheme::system));
    expectShownDark(false, "System again takes the desktop's light at once");
    portal->changeColorScheme(ui::kPortalPreferDark);
    ASSERT_TRUE(waitForDark(true)) << "and follows it again";
}

TEST_F(DesktopFollowing, WithoutAPortalTheGtkFilesDecideAndTheirEditsAreFollowed)
{
    startEditor(int(ui::AppTheme::system));
    EXPECT_TRUE(desktop()->hasSessionBus());
    EXPECT_EQ(desktop()->colorScheme(), ui::DesktopColorScheme::none) << "no portal and no GTK settings yet";

    writeGtk("gtk-3.0", kGtkDark); // the folder did not exist when the editor started
    ASSERT_TRUE(waitForDark(true));
    expectShownDark(true, "a new GTK 3 file asking for dark");
    writeGtk("gtk-3.0", kGtkLight);
    ASSERT_TRUE(waitForDark(false));
    expectShownDark(false, "the file edited in place to a light theme");
    replaceGtk("gtk-3.0", "[Settings]\ngtk-theme-name=Adwaita-dark\n");
    ASSERT_TRUE(waitForDark(true));
    expectShownDark(true, "the file replaced by one naming a dark theme");
    replaceGtk("gtk-3.0", kGtkLight);
    ASSERT_TRUE(waitForDark(false)) << "a file replaced once is still watched";
    writeGtk("gtk-3.0", kGtkDark);
    ASSERT_TRUE(waitForDark(true)) << "and so is its replacement";

    // A portal that starts later is asked when it appears, and has no say once it leaves.
    startPortal(FakeSettings::Manner::answers, ui::kPortalPreferLight);
    ASSERT_TRUE(waitForDark(false));
    expectShownDark(false, "the portal arrived and prefers light");
    portal.reset();
    ASSERT_TRUE(waitForDark(true));
    expectShownDark(true, "the portal left; the GTK file is back");
}

TEST_F(DesktopFollowing, BrokenBusesAndPortalsFallBackToTheGtkFilesWithoutHanging)
{
    QTemporaryDir runtime; // a runtime folder with no bus socket in it
    ASSERT_TRUE(runtime.isValid());
    ScopedEnv runtimeDir("XDG_RUNTIME_DIR", runtime.path());
    enum class Setup { noAddress, deadAddress, malformedAddress, garbagePortal, latePortal };
    struct Case {
        const char* what;
        Setup setup;
        bool reachesBus;
    };
    const Case cases[] = {
        {"no bus address and no bus socket", Setup::noAddress, false},
        {"an address where no bus listens", Setup::deadAddress, false},
        {"an address that is not one", Setup::malformedAddress, false},
        {"a portal that answers a string", Setup::garbagePortal, true},
        {"a portal that answers too late", Setup::latePortal, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        writeGtk("gtk-3.0", kGtkDark);
        busAddress.set(bus.address);
        switch (c.setup) {
        case Setup::noAddress: busAddress.unset(); break;
        case Setup::deadAddress: busAddress.set("unix:path=" + runtime.filePath("no-bus-here")); break;
        case Setup::malformedAddress: busAddress.set(QStringLiteral("not a bus address")); break;
        case Setup::garbagePortal: startPortal(FakeSettings::Manner::garbage, ui::kPortalPreferLight); break;
        case Setup::latePortal: startPortal(FakeSettings::Manner::late, ui::kPortalPreferLight); break;
        }
        startEditor(int(ui::AppTheme::system), false);
        EXPECT_EQ(desktop()->hasSessionBus(), c.reachesBus);
        EXPECT_EQ(desktop()->portalValue(), std::nullopt);
        EXPECT_TRUE(ui::isDarkAppearance()) << "the GTK file decides";

        if (portal) {
            if (c.setup == Setup::latePortal) {
                ASSERT_TRUE(QTest::qWaitFor([&] { return portal->lateAnswersSent() == 1; }, kWaitMs));
            }
            const QVariant light = QVariant::fromValue(QDBusVariant(QVariant::fromValue(ui::kPortalPreferLight)));
            portal->sendSettingChanged({});
            portal->sendSettingChanged({kNamespace, kKey});
            portal->sendSettingChanged({kNamespace, kKey, QVariant::fromValue(QDBusVariant(QStringLiteral("light")))});
            portal->sendSettingChanged({kNamespace, QStringLiteral("accent-color"), light});
            portal->sendSettingChanged({42, kKey, light});
        }
        // Another dark file: once the editor has read it, whatever came before it has been seen.
        writeGtk("gtk-3.0", kGtkOtherDark);
        ASSERT_TRUE(QTest::qWaitFor([&] { return desktop()->gtkSettings().themeName == QStringLiteral("Yaru-dark"); }, kWaitMs));
        EXPECT_EQ(desktop()->portalValue(), std::nullopt) << "neither a late answer nor a malformed signal counts";
        EXPECT_TRUE(ui::isDarkAppearance());

        writeGtk("gtk-3.0", kGtkLight);
        EXPECT_TRUE(waitForDark(false)) << "the GTK file is still followed";
        if (portal) {
            portal->changeColorScheme(ui::kPortalPreferDark);
            EXPECT_TRUE(waitForDark(true)) << "a well-formed signal still counts";
        }
        app.reset();
        portal.reset();
    }
}

#include "desktop_appearance_test.moc"

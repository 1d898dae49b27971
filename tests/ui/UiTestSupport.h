// Shared pieces of the editor tests: one QApplication for the process (offscreen platform), file
// panels answered from a script, and an editor with its own settings file in a temporary folder.
#pragma once

#include "document/OrbDocument.h"
#include "document/PreferenceKeys.h"
#include "document/Preferences.h"
#include "ui/widgets/FileDialogs.h"
#include "ui/window/LumaraApp.h"
#include "ui/window/MainWindow.h"

#include <QApplication>
#include <QPixmap>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <optional>

namespace lumara::test {

inline QApplication& testApplication()
{
    static int argc = 1;
    static char name[] = "lumara-tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv); // lives until the process ends
    return *app;
}

// With LUMARA_SCREENSHOT_DIR set, saves `window` there as `name`.png: on a real display (xvfb-run
// with QT_QPA_PLATFORM=xcb) the screen's pixels as a person sees them, otherwise the widget's own.
inline void screenshot(QWidget* window, const char* name)
{
    const QByteArray dir = qgetenv("LUMARA_SCREENSHOT_DIR");
    if (dir.isEmpty()) return;
    QTest::qWait(500); // let the display catch up with the last paint
    const QPixmap shot = QGuiApplication::platformName() == QLatin1String("xcb")
                             ? window->screen()->grabWindow(window->winId())
                             : window->grab();
    shot.save(QString::fromLocal8Bit(dir) + QLatin1Char('/') + QLatin1String(name) + ".png");
}

// Answers each panel with the next scripted answer (nothing = cancelled) and records the question.
class ScriptedDialogs : public ui::FileDialogs {
public:
    struct Question {
        ui::FileType type;    // a folder panel's title as the filter, with no extension
        QString proposedName; // empty for open and folder panels
    };

    std::optional<QString> chooseFileToOpen(QWidget*, const ui::FileType& type) override { return answer({type, {}}); }
    std::optional<QString> chooseSaveLocation(QWidget*, const ui::FileType& type, const QString& proposedName) override
    {
        return answer({type, proposedName});
    }
    std::optional<QString> chooseFolder(QWidget*, const QString& title) override { return answer({{title, {}}, {}}); }

    std::deque<QString> answers; // an empty answer cancels
    std::vector<Question> questions;

private:
    std::optional<QString> answer(Question question)
    {
        questions.push_back(std::move(question));
        if (answers.empty()) return std::nullopt;
        const QString next = answers.front();
        answers.pop_front();
        if (next.isEmpty()) return std::nullopt;
        return next;
    }
};

// An editor on a fresh settings file, with its window shown. The first-run pages are taken as seen
// unless a fixture asks for a first start.
class EditorFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        testApplication();
        ASSERT_TRUE(dir.isValid());
        preferences = std::make_unique<Preferences>(dir.filePath("Lumara.conf"));
        if (!firstStart) preferences->settings().setValue(keys::hasSeenOnboarding, true);
        auto scripted = std::make_unique<ScriptedDialogs>();
        dialogs = scripted.get();
        app = std::make_unique<ui::LumaraApp>(preferences.get(), std::move(scripted));
        window()->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window()));
        // The window takes the screen's size a moment after it is shown (the offscreen screen is
        // 800 × 600); after that it keeps the size it is given, so every test measures a window
        // of its opening size that no longer changes under it.
        ASSERT_TRUE(QTest::qWaitFor([this] { return window()->isPlacedOnScreen(); }, 5000));
        window()->resize(1200, 800);
        ASSERT_TRUE(QTest::qWaitFor([this] { return window()->size() == QSize(1200, 800); }, 5000));
        QCoreApplication::processEvents();
    }
    void TearDown() override
    {
        app.reset();
        preferences.reset();
    }

    ui::MainWindow* window() const { return app->mainWindow(); }
    OrbDocument* document() const { return app->document(); }
    QString path(const QString& name) const { return dir.filePath(name); }

    bool firstStart = false;
    QTemporaryDir dir;
    std::unique_ptr<Preferences> preferences;
    ScriptedDialogs* dialogs = nullptr;
    std::unique_ptr<ui::LumaraApp> app;
};

} // namespace lumara::test

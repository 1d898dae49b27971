// The web package from the editor, in a real window on the offscreen platform: the Export section's
// sixth row below "Animation" with its texts, wholly on show; the row and the File menu item asking
// for a folder and writing the open project's package there, named after its file; the status
// capsule on success and the failure notice when the package's folder is taken by a file.
// With LUMARA_SCREENSHOT_DIR set, the inspector's Export section is saved there.
#include "ui/UiTestSupport.h"

#include "document/ProjectCodec.h"
#include "support/TestSupport.h"
#include "ui/exports/ExportFlows.h"
#include "ui/inspector/ExportSection.h"
#include "ui/inspector/InspectorControls.h"
#include "ui/inspector/InspectorView.h"
#include "ui/style/Symbols.h"
#include "ui/style/Theme.h"

#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>

#include <nlohmann/json.hpp>

using namespace lumara;
using lumara::test::screenshot;

namespace {

class WebPackageExport : public test::EditorFixture {
protected:
    ui::InspectorView* inspector() const { return static_cast<ui::InspectorView*>(window()->inspector()); }
    QList<ui::ExportButton*> rows() const { return inspector()->exportSection()->rows(); }
    QString statusText() const { return window()->exportFlows()->exportStatus()->findChild<QLabel*>()->text(); }

    // Opens a saved project of three states called "Assistant Orb".
    void openThreeStateProject()
    {
        OrbProjectData project;
        OrbValues small;
        small.orbSize = 40;
        OrbValues listening = small, speaking = small;
        listening.showShadow = false;
        speaking.shadowRadius = 2;
        project.states = {{makeStateId(), "Idle", small}, {makeStateId(), "Listening", listening},
                          {makeStateId(), "Speaking", speaking}};
        const QString file = path("Assistant Orb.lumara");
        test::writeBytes(file.toStdString(), *encodeProject(project, Container::propertyList));
        ASSERT_TRUE(window()->openFile(file));
    }

    static nlohmann::json packageJson(const QString& folder)
    {
        return nlohmann::json::parse(test::readBytes((folder + "/package.json").toStdString()));
    }
};

} // namespace

TEST_F(WebPackageExport, TheSixthRowSitsBelowAnimationWithItsTextsAndIsWhollyOnShow)
{
    QTest::qWait(300); // the window's enlargement to its screen, 0.1 s after it shows
    const QList<ui::ExportButton*> all = rows();
    ASSERT_EQ(all.size(), 6);
    ui::ExportButton* animation = all[4];
    ui::ExportButton* package = all[5];
    EXPECT_EQ(animation->title(), "Animation");
    EXPECT_EQ(package->title(), "Web Component");
    EXPECT_EQ(package->subtitle(), "npm package with live states");
    EXPECT_EQ(package->accessibleName(), "Web Component");
    EXPECT_EQ(package->icon().pixmap(QSize(24, 24)).toImage(), ui::symbolIcon(ui::Symbol::package).pixmap(QSize(24, 24)).toImage());
    EXPECT_NE(package->icon().pixmap(QSize(24, 24)).toImage(), animation->icon().pixmap(QSize(24, 24)).toImage());

    // Directly below Animation, as wide and as tall, inside the section.
    EXPECT_EQ(package->x(), animation->x());
    EXPECT_EQ(package->width(), animation->width());
    EXPECT_EQ(package->height(), animation->height());
    EXPECT_EQ(package->y(), animation->geometry().bottom() + 1 + 2);
    EXPECT_TRUE(inspector()->exportSection()->rect().contains(package->geometry()));

    // With the inspector scrolled to its end, the whole row shows in its viewport, and its texts fit
    // beside the symbol.
    inspector()->verticalScrollBar()->setValue(inspector()->verticalScrollBar()->maximum());
    QCoreApplication::processEvents();
    QWidget* viewport = inspector()->viewport();
    const QRect shown(package->mapTo(viewport, QPoint(0, 0)), package->size());
    EXPECT_TRUE(viewport->rect().contains(shown)) << "row at " << shown.y() << "+" << shown.height() << " in a viewport of "
                                                  << viewport->height();
    EXPECT_TRUE(package->isVisible());
    const int textLeft = 6 + 24 + 10;
    EXPECT_LE(textLeft + QFontMetrics(ui::pixelFont(package->font(), 13, QFont::Medium)).horizontalAdvance(package->title()),
              package->width() - 4);
    EXPECT_LE(textLeft + QFontMetrics(ui::pixelFont(package->font(), 11)).horizontalAdvance(package->subtitle()),
              package->width() - 4);

    // What a person sees there: the symbol drawn (some ink in its box), then the screenshot.
    const QImage row = package->grab().toImage();
    int ink = 0;
    const QColor base = row.pixelColor(2, 2);
    for (int y = 0; y < row.height(); ++y)
        for (int x = 8; x < 34 && x < row.width(); ++x) ink += row.pixelColor(x, y) != base;
    EXPECT_GT(ink, 20) << "the symbol is painted";
    screenshot(window(), "export-section-web-component");
}

TEST_F(WebPackageExport, TheRowWritesTheOpenProjectsPackageIntoTheChosenFolder)
{
    openThreeStateProject();
    const QString parent = path("exports");
    ASSERT_TRUE(QDir().mkpath(parent));
    dialogs->answers.push_back(parent);
    QTest::mouseClick(rows()[5], Qt::LeftButton);
    ASSERT_EQ(dialogs->questions.size(), 1u);
    EXPECT_EQ(dialogs->questions[0].type.filter, "Export Web Package");

    const QString folder = parent + "/assistant-orb";
    ASSERT_TRUE(QFileInfo(folder + "/package.json").isFile()) << "a folder named after the package, inside the one chosen";
    EXPECT_EQ(packageJson(folder)["name"], "assistant-orb");
    for (const char* file : {"index.js", "index.d.ts", "react.js", "react.d.ts", "README.md", "posters/0.png", "posters/1.png",
                             "posters/2.png"})
        EXPECT_TRUE(QFileInfo(folder + "/" + file).isFile()) << file;
    EXPECT_TRUE(window()->exportFlows()->exportStatus()->isVisible());
    EXPECT_EQ(statusText(), "Exported assistant-orb");
    EXPECT_EQ(window()->errorMessage(), "");

    // Choosing the package's own folder exports into it again rather than into a folder within.
    document()->renameState(0, QStringLiteral("Resting"));
    dialogs->answers.push_back(folder);
    QTest::mouseClick(rows()[5], Qt::LeftButton);
    EXPECT_FALSE(QFileInfo::exists(folder + "/assistant-orb"));
    EXPECT_NE(test::readBytes((folder + "/index.js").toStdString()).find("\"name\": \"Resting\""), std::string::npos);

    // Cancelling the panel writes nothing.
    QDir(folder).removeRecursively();
    dialogs->answers.push_back(QString());
    QTest::mouseClick(rows()[5], Qt::LeftButton);
    EXPECT_EQ(dialogs->questions.size(), 3u);
    EXPECT_FALSE(QFileInfo::exists(folder));
}

TEST_F(WebPackageExport, TheFileMenuOffersItAfterExportAnimationAndNamesAnUnsavedProjectLumaraOrb)
{
    QMenu* file = window()->menuBar()->findChildren<QMenu*>().value(0);
    for (QMenu* menu : window()->menuBar()->findChildren<QMenu*>())
        if (menu->title() == "&File") file = menu;
    ASSERT_TRUE(file);
    const QList<QAction*> items = file->actions();
    QAction* item = window()->action("exportWebPackageAction");
    ASSERT_TRUE(item);
    EXPECT_EQ(item->text(), QString::fromUtf8("Export Web Package\u2026"));
    const qsizetype at = items.indexOf(item);
    ASSERT_GT(at, 0);
    EXPECT_EQ(items[at - 1], window()->action("exportAnimationAction"));

    ASSERT_FALSE(document()->currentFileURL());
    dialogs->answers.push_back(dir.path());
    item->trigger();
    EXPECT_EQ(packageJson(path("lumara-orb"))["name"], "lumara-orb");
    EXPECT_EQ(statusText(), "Exported lumara-orb");
}

TEST_F(WebPackageExport, AFileWhereThePackageFolderGoesShowsTheFailureNotice)
{
    const QString taken = path("lumara-orb");
    test::writeBytes(taken.toStdString(), "a file of mine");
    dialogs->answers.push_back(dir.path());
    QTest::mouseClick(rows()[5], Qt::LeftButton);
    QCoreApplication::processEvents();
    QWidget* notice = window()->findChild<QWidget*>("errorBanner");
    ASSERT_TRUE(notice);
    EXPECT_TRUE(notice->isVisible());
    EXPECT_EQ(window()->errorMessage(),
              QString::fromUtf8("Could not export the web package \u201Clumara-orb\u201D.\n") + taken + " is not a folder.");
    EXPECT_FALSE(window()->exportFlows()->exportStatus()->isVisible());
    EXPECT_EQ(test::readBytes(taken.toStdString()), "a file of mine");
    screenshot(window(), "web-package-failed");
}

// Document operations with a real QUndoStack, the autosave record in a real settings file,
// the start-up restore chain, and saving and opening project files.
#include "document/OrbDocument.h"
#include "document/Preferences.h"
#include "model/OrbFields.h"
#include "model/RandomConfiguration.h"
#include "support/TestSupport.h"
#include "support/Unprivileged.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

using namespace lumara;

namespace {

OrbValues valuesWithSpeed(double speed)
{
    OrbValues v;
    v.speed = speed;
    return v;
}

OrbProjectData projectOf(std::initializer_list<const char*> names, std::int64_t selected = 0)
{
    OrbProjectData p;
    double speed = 10;
    for (const char* name : names) p.states.push_back({makeStateId(), name, valuesWithSpeed(speed += 10)});
    p.selectedStateIndex = selected;
    return p;
}

// A document wired to a real undo stack and a real settings file in a temporary folder.
class DocumentTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        preferences = std::make_unique<Preferences>(dir.filePath("Lumara.conf"));
    }

    std::unique_ptr<OrbDocument> makeDocument(OrbProjectData project)
    {
        auto d = std::make_unique<OrbDocument>(std::move(project), preferences.get());
        d->setUndoManager(&undo);
        RandomEngine* engine = &random;
        d->setSeedSource([engine] { return (*engine)(); });
        return d;
    }

    // The autosave record as a fresh reader of the settings file sees it.
    std::optional<OrbProjectData> autosaved()
    {
        Preferences reader(dir.filePath("Lumara.conf"));
        auto bytes = reader.data(kLastProjectKey);
        if (!bytes) return std::nullopt;
        auto p = decodeProject(bytes->toStdString(), Container::json);
        return p ? std::optional(*p) : std::nullopt;
    }

    QTemporaryDir dir;
    std::unique_ptr<Preferences> preferences;
    QUndoStack undo;
    RandomEngine random{1234};
};

} // namespace

TEST_F(DocumentTest, AddStateInsertsACopyAfterTheSelectionAndSelectsIt)
{
    auto d = makeDocument(projectOf({"Default", "B", "C"}, 1));
    d->applyPreset(*findPreset("Void"));
    const QUuid third = d->states()[2]->id();
    d->addState();
    EXPECT_EQ(d->stateNames(), (QStringList{"Default", "B", "State 4", "C"}));
    EXPECT_EQ(d->selectedStateIndex(), 2);
    EXPECT_EQ(d->states()[3]->id(), third);
    EXPECT_EQ(d->currentConfiguration()->values(), d->states()[1]->config()->values());
    EXPECT_NE(d->currentConfiguration(), d->states()[1]->config()) << "a copy, not a shared configuration";
    EXPECT_FALSE(d->currentPresetName()) << "the new state is no preset's";
    EXPECT_EQ(undo.count(), 2);
    ASSERT_TRUE(autosaved());
    EXPECT_EQ(autosaved()->states.size(), 4u);

    // A selection beyond the last state appends.
    auto beyond = makeDocument(projectOf({"Default", "B"}, 7));
    beyond->addState();
    EXPECT_EQ(beyond->stateNames(), (QStringList{"Default", "B", "State 3"}));
    EXPECT_EQ(beyond->selectedStateIndex(), 2);
}

TEST_F(DocumentTest, DeleteRenameAndSelectKeepTheSelectionAndIgnoreWhatCannotApply)
{
    // The last state cannot go, blank names and positions outside the list change nothing, and
    // selecting is no edit: nothing recorded, nothing autosaved.
    auto one = makeDocument(projectOf({"Default"}));
    one->deleteState(0);
    one->selectState(-1);
    one->selectState(1);
    one->renameState(0, "   \n\t");
    one->renameState(3, "Far");
    EXPECT_EQ(undo.count(), 0);
    EXPECT_EQ(one->stateNames(), QStringList{"Default"});
    EXPECT_FALSE(autosaved()) << "nothing changed, nothing autosaved";

    auto d = makeDocument(projectOf({"A", "B", "C"}, 1));
    const QUuid c = d->states()[2]->id();
    d->deleteState(0);
    EXPECT_EQ(d->selectedStateIndex(), 1) << "the index stays, so the state that followed is selected";
    EXPECT_EQ(d->states()[1]->id(), c);
    d->selectState(0);
    d->selectState(1);
    d->deleteState(1);
    EXPECT_EQ(d->selectedStateIndex(), 0);
    d->renameState(0, "  Sunrise \n");
    EXPECT_EQ(d->stateNames(), QStringList{"Sunrise"});
    EXPECT_EQ(undo.count(), 3);
    // Committing the name it already has is no step: the next undo must undo something.
    d->renameState(0, "Sunrise");
    d->renameState(0, " Sunrise ");
    EXPECT_EQ(undo.count(), 3);
}

TEST_F(DocumentTest, UndoAndRedoAlternateAfterEveryOperation)
{
    using Op = std::function<void(OrbDocument&)>;
    const std::vector<std::pair<const char*, Op>> operations{
        {"addState", [](OrbDocument& d) { d.addState(); }},
        {"deleteState", [](OrbDocument& d) { d.deleteState(0); }},
        {"renameState", [](OrbDocument& d) { d.renameState(1, "Renamed"); }},
        {"randomize", [](OrbDocument& d) { d.randomize(); }},
        {"applyPreset", [](OrbDocument& d) { d.applyPreset(*findPreset("Nebula")); }},
        {"field edit", [](OrbDocument& d) {
             d.recordUndoSnapshot();
             d.currentConfiguration()->setBlobBlur(42);
         }},
    };
    for (const auto& [name, op] : operations) {
        undo.clear();
        auto d = makeDocument(projectOf({"A", "B", "C"}, 1));
        const OrbProjectData before = d->projectData();
        op(*d);
        const OrbProjectData after = d->projectData();
        ASSERT_NE(before, after) << name;
        ASSERT_EQ(undo.count(), 1) << name << ": one user action is one undo step";
        for (int round = 0; round < 4; ++round) {
            undo.undo();
            ASSERT_EQ(d->projectData(), before) << name << " undo " << round;
            ASSERT_EQ(autosaved(), before) << name << ": undo rewrites the autosave record";
            undo.redo();
            ASSERT_EQ(d->projectData(), after) << name << " redo " << round;
            ASSERT_EQ(autosaved(), after) << name;
        }
    }
}

TEST_F(DocumentTest, RandomizeChangesOnlyTheCurrentState)
{
    auto d = makeDocument(projectOf({"A", "B"}, 1));
    const OrbValues other = d->states()[0]->config()->values(), mine = d->states()[1]->config()->values();
    d->randomize();
    EXPECT_NE(d->states()[1]->config()->values(), mine);
    EXPECT_EQ(d->states()[0]->config()->values(), other);
}

TEST_F(DocumentTest, WithoutAnUndoManagerEverythingWorksAndNothingIsRecorded)
{
    auto d = std::make_unique<OrbDocument>(projectOf({"A"}), preferences.get());
    d->addState();
    d->renameState(0, "First");
    d->randomize();
    d->deleteState(1);
    EXPECT_EQ(d->stateNames(), QStringList{"First"});
    EXPECT_EQ(undo.count(), 0);
}

TEST_F(DocumentTest, PresetsAreAppliedAsCopies)
{
    auto d = makeDocument(projectOf({"A"}));
    const OrbValues library = findPreset("Void")->configuration;
    d->applyPreset(*findPreset("Void"));
    d->currentConfiguration()->setBlobCount(99);
    EXPECT_EQ(findPreset("Void")->configuration, library);
    EXPECT_EQ(autosaved()->states[0].config.blobCount, library.blobCount) << "field edits alone do not autosave";
}

TEST_F(DocumentTest, CurrentConfigurationSignalFollowsSelectionAndReplacement)
{
    auto d = makeDocument(projectOf({"A", "B"}));
    QSignalSpy spy(d.get(), &OrbDocument::currentConfigurationChanged);
    d->selectState(1);
    d->randomize();
    undo.undo();
    EXPECT_EQ(spy.count(), 3);
}

TEST_F(DocumentTest, SavingAndOpeningRoundTripsTheProject)
{
    auto d = makeDocument(projectOf({"A", "B", "C"}, 2));
    d->setTransitionDuration(1.75);
    const QString path = dir.filePath("orb.lumara");
    ASSERT_TRUE(d->saveProject(path));
    EXPECT_EQ(d->currentFileURL(), path);

    auto other = makeDocument(projectOf({"X"}));
    ASSERT_TRUE(other->loadProject(path));
    EXPECT_EQ(other->projectData(), d->projectData());
    EXPECT_EQ(other->currentFileURL(), path);
    EXPECT_EQ(autosaved(), d->projectData());

    // Opening can be undone, and with it where Save writes: the earlier project had no file.
    undo.undo();
    EXPECT_EQ(other->stateNames(), QStringList{"X"});
    EXPECT_EQ(other->currentFileURL(), std::nullopt);
}

TEST_F(DocumentTest, UndoingAnOpenPutsBackTheFileTheTransitionAndThePresetName)
{
    const QString a = dir.filePath("a.lumara"), b = dir.filePath("b.lumara");
    OrbProjectData projectA = projectOf({"A1", "A2"}), projectB = projectOf({"B1"});
    projectA.transitionDuration = 1.25;
    projectB.transitionDuration = 2.5;
    test::writeBytes(a.toStdString(), *encodeProject(projectA, Container::propertyList));
    test::writeBytes(b.toStdString(), *encodeProject(projectB, Container::propertyList));

    auto d = makeDocument(projectOf({"X"}));
    d->applyPreset(*findPreset("Nebula"));
    ASSERT_TRUE(d->loadProject(a));
    ASSERT_TRUE(d->loadProject(b));
    struct Seen {
        QStringList names;
        std::optional<QString> file;
        double transition;
        std::optional<QString> preset;
    };
    const auto seen = [&] { return Seen{d->stateNames(), d->currentFileURL(), d->transitionDuration(), d->currentPresetName()}; };
    const Seen atB{{"B1"}, b, 2.5, std::nullopt}, atA{{"A1", "A2"}, a, 1.25, std::nullopt},
        atX{{"X"}, std::nullopt, 0.6, QStringLiteral("Nebula")};
    const auto expect = [&](const Seen& want, const char* step) {
        const Seen now = seen();
        EXPECT_EQ(now.names, want.names) << step;
        EXPECT_EQ(now.file, want.file) << step;
        EXPECT_EQ(now.transition, want.transition) << step;
        EXPECT_EQ(now.preset, want.preset) << step;
    };
    expect(atB, "opened");
    undo.undo();
    expect(atA, "undo");
    undo.undo();
    expect(atX, "undo twice");
    EXPECT_EQ(autosaved()->transitionDuration, 0.6) << "the autosave record follows";
    undo.redo();
    expect(atA, "redo");
    undo.redo();
    expect(atB, "redo twice");
}

TEST_F(DocumentTest, NoSequenceOfOpenUndoRedoAndSaveWritesOneProjectOverAnothersFile)
{
    // Every sequence of four steps from two files and an untitled project; Save writes where the
    // document says its file is, as the window's Save does. Each file must only ever hold its own.
    const QString a = dir.filePath("a.lumara"), b = dir.filePath("b.lumara");
    const OrbProjectData projectA = projectOf({"A1", "A2"}), projectB = projectOf({"B1"});
    test::writeBytes(a.toStdString(), *encodeProject(projectA, Container::propertyList));
    test::writeBytes(b.toStdString(), *encodeProject(projectB, Container::propertyList));
    const auto statesIn = [](const QString& path) {
        return decodeProject(test::readBytes(path.toStdString()), Container::propertyList)->states;
    };
    enum Step { openA, openB, undoStep, redoStep, save };
    const char* names[] = {"open a", "open b", "undo", "redo", "save"};
    for (int code = 0; code < 5 * 5 * 5 * 5; ++code) {
        undo.clear();
        OrbDocument document(projectOf({"Untitled"}), nullptr); // no autosave record: 625 runs stay quick
        document.setUndoManager(&undo);
        OrbDocument* d = &document;
        std::string sequence;
        for (int i = 0, rest = code; i < 4; ++i, rest /= 5) {
            const Step step = Step(rest % 5);
            sequence += std::string(names[step]) + "; ";
            switch (step) {
            case openA: ASSERT_TRUE(d->loadProject(a)); break;
            case openB: ASSERT_TRUE(d->loadProject(b)); break;
            case undoStep: undo.undo(); break;
            case redoStep: undo.redo(); break;
            case save:
                if (d->currentFileURL()) {
                    ASSERT_TRUE(d->saveProject(*d->currentFileURL()));
                }
                break;
            }
            ASSERT_EQ(statesIn(a), projectA.states) << sequence;
            ASSERT_EQ(statesIn(b), projectB.states) << sequence;
        }
    }
}

TEST_F(DocumentTest, OpeningASingleConfigurationKeepsTheTransitionDuration)
{
    const QString path = dir.filePath("single.lumara");
    test::writeBytes(path.toStdString(), *encodeConfiguration(valuesWithSpeed(5), Container::propertyList));
    auto d = makeDocument(projectOf({"A", "B"}, 1));
    d->setTransitionDuration(2.5);
    ASSERT_TRUE(d->loadProject(path));
    EXPECT_EQ(d->stateNames(), QStringList{"Default"});
    EXPECT_EQ(d->selectedStateIndex(), 0);
    EXPECT_EQ(d->transitionDuration(), 2.5);
    EXPECT_EQ(d->currentConfiguration()->speed(), 5);
}

TEST_F(DocumentTest, FailedOpenAndSaveChangeNothing)
{
    auto d = makeDocument(projectOf({"A", "B"}));
    const OrbProjectData before = d->projectData();
    const QString garbage = dir.filePath("garbage.lumara");
    test::writeBytes(garbage.toStdString(), "bplist00 certainly not");
    EXPECT_FALSE(d->loadProject(garbage));
    EXPECT_FALSE(d->loadProject(dir.filePath("missing.lumara")));
    EXPECT_EQ(d->projectData(), before);
    EXPECT_EQ(undo.count(), 0);
    EXPECT_FALSE(d->currentFileURL());

    EXPECT_FALSE(d->saveProject(dir.filePath("no/such/folder/x.lumara")));
    EXPECT_FALSE(d->currentFileURL());
}

// Permissions bind an ordinary user only, so this runs as nobody when the tests run as root.
TEST_F(DocumentTest, ReadOnlyProjectsAndUnwritableFoldersOpenButRefuseSavesAndKeepTheirBytes)
{
    if (test::rerunUnprivileged()) return;
    const QFile::Permissions readOnly = QFile::ReadOwner | QFile::ExeOwner;
    const QFile::Permissions writable = readOnly | QFile::WriteOwner;
    ASSERT_TRUE(QDir(dir.path()).mkdir("locked"));
    auto saver = makeDocument(projectOf({"Saved", "Twice"}, 1));
    const QString lockedFile = dir.filePath("read-only.lumara");
    const QString inLockedFolder = dir.filePath("locked/orb.lumara");
    ASSERT_TRUE(saver->saveProject(lockedFile));
    ASSERT_TRUE(saver->saveProject(inLockedFolder));
    const std::string bytes = test::readBytes(lockedFile.toStdString());
    ASSERT_TRUE(QFile::setPermissions(lockedFile, QFile::ReadOwner));
    ASSERT_TRUE(QFile::setPermissions(dir.filePath("locked"), readOnly));
    ASSERT_FALSE(QFile(dir.filePath("locked/probe")).open(QIODevice::WriteOnly)) << "permissions bind this user";

    struct Case {
        const char* name;
        QString opened;     // a project that must still open
        QString savedTo;    // where saving must fail
        const char* reason; // what the failure says
    };
    const Case cases[] = {
        {"read-only file in a writable folder", lockedFile, lockedFile, "Permission denied"},
        {"existing file in a read-only folder", inLockedFolder, inLockedFolder, "Permission denied"},
        {"new file in a read-only folder", inLockedFolder, dir.filePath("locked/new.lumara"), "Permission denied"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto d = makeDocument(projectOf({"Other"}));
        ASSERT_TRUE(d->loadProject(c.opened)) << "reading needs no write permission";
        EXPECT_EQ(d->stateNames(), (QStringList{"Saved", "Twice"}));
        d->renameState(0, "Edited");
        auto saved = d->saveProject(c.savedTo);
        ASSERT_FALSE(saved);
        EXPECT_EQ(saved.error().code, DocumentError::cannotWrite);
        EXPECT_NE(saved.error().message.find(c.reason), std::string::npos) << saved.error().message;
        EXPECT_EQ(d->currentFileURL(), c.opened) << "a refused save keeps the file the project came from";
        EXPECT_EQ(test::readBytes(c.opened.toStdString()), bytes);
        // Saved under a name where the user may write, the edit is kept.
        const QString elsewhere = dir.filePath(QStringLiteral("copy %1.lumara").arg(&c - cases));
        ASSERT_TRUE(d->saveProject(elsewhere));
        EXPECT_EQ(d->currentFileURL(), elsewhere);
    }
    EXPECT_EQ(QDir(dir.filePath("locked")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"orb.lumara"})
        << "no temporary file left in the folder";
    QFile::setPermissions(dir.filePath("locked"), writable);
}

// An unwritable settings folder: the project it holds still comes back, edits go on in memory,
// the failure is announced once, and the settings file keeps every key it had.
TEST_F(DocumentTest, AnUnwritableSettingsFolderIsReportedOnceAndKeepsItsFile)
{
    if (test::rerunUnprivileged()) return;
    ASSERT_TRUE(QDir(dir.path()).mkdir("settings"));
    const QString settingsPath = dir.filePath("settings/Lumara.conf");
    {
        Preferences before(settingsPath);
        OrbDocument earlier(projectOf({"Kept", "Also kept"}, 1), &before);
        earlier.saveLastProject();
        before.settings().setValue("appTheme", 1);
        ASSERT_TRUE(before.publish());
    }
    const std::string settingsBytes = test::readBytes(settingsPath.toStdString());
    ASSERT_TRUE(QFile::setPermissions(dir.filePath("settings"), QFile::ReadOwner | QFile::ExeOwner));
    {
        Preferences preferences(settingsPath);
        EXPECT_EQ(preferences.settings().value("appTheme").toInt(), 1);
        OrbDocument d(restoreLastProject(preferences, OrbValues{}), &preferences);
        ASSERT_EQ(d.stateNames(), (QStringList{"Kept", "Also kept"})) << "the autosave it had comes back";
        QSignalSpy errors(&d, &OrbDocument::errorOccurred);
        d.addState();
        d.renameState(0, "Renamed");
        d.deleteState(2);
        ASSERT_EQ(errors.count(), 1) << "one notice for the session, not one per edit";
        const QString said = errors.first().first().toString();
        EXPECT_TRUE(said.contains("could not be autosaved") && said.contains(settingsPath) && said.contains("cannot be written"))
            << said.toStdString();
        EXPECT_TRUE(d.autosaveFailing());
        EXPECT_EQ(d.stateNames(), (QStringList{"Renamed", "Also kept"})) << "edits go on in memory";
        EXPECT_TRUE(d.saveProject(dir.filePath("rescued.lumara"))) << "and can be saved where the user may write";
    }
    EXPECT_EQ(test::readBytes(settingsPath.toStdString()), settingsBytes);
    EXPECT_EQ(QDir(dir.filePath("settings")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"Lumara.conf"});
    QFile::setPermissions(dir.filePath("settings"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST_F(DocumentTest, AnAutosaveThatWorksAgainAnnouncesTheNextFailure)
{
    auto d = makeDocument(projectOf({"A"}));
    QSignalSpy errors(d.get(), &OrbDocument::errorOccurred);
    d->currentConfiguration()->setSpeed(std::numeric_limits<double>::quiet_NaN()); // cannot be encoded
    d->renameState(0, "B");
    d->renameState(0, "C");
    EXPECT_EQ(errors.count(), 1);
    d->currentConfiguration()->setSpeed(1.0);
    d->renameState(0, "D");
    EXPECT_FALSE(d->autosaveFailing());
    d->currentConfiguration()->setSpeed(std::numeric_limits<double>::infinity());
    d->renameState(0, "E");
    EXPECT_EQ(errors.count(), 2) << "a new failure after a success is news";
}

TEST_F(DocumentTest, NonFiniteValuesNeverReplaceTheAutosaveRecord)
{
    auto d = makeDocument(projectOf({"A"}));
    d->addState();
    const auto good = autosaved();
    ASSERT_TRUE(good);
    d->currentConfiguration()->setSpeed(std::numeric_limits<double>::quiet_NaN());
    d->renameState(0, "Still fine");
    EXPECT_EQ(autosaved(), good) << "an unencodable project leaves the previous record";
}

// ---- Start-up restore --------------------------------------------------------------------

class StartupRestoreTest : public DocumentTest {
protected:
    void store(const char* key, const std::string& bytes) { ASSERT_TRUE(preferences->setData(key, QByteArray::fromStdString(bytes))); }
};

TEST_F(StartupRestoreTest, PrefersTheLastProjectThenTheLegacyConfigurationThenTheDefault)
{
    const OrbProjectData two = projectOf({"A", "B"}, 9);
    const std::string legacy = *encodeConfiguration(valuesWithSpeed(1), Container::json);
    struct Case {
        const char* what;
        std::string project, configuration;
        QStringList names;
        double speed;
    };
    const Case cases[] = {
        {"last project", *encodeProject(two, Container::json), legacy, {"A", "B"}, two.states[1].config.speed},
        {"project without states", *encodeProject(OrbProjectData{}, Container::json), legacy, {"Default"}, 1},
        {"both unreadable", "{not json", "{\"also\": \"not a configuration\"}", {"Default"}, 2},
    };
    for (const Case& c : cases) {
        store(kLastProjectKey, c.project);
        store(kLastConfigurationKey, c.configuration);
        const OrbProjectData restored = restoreLastProject(*preferences, valuesWithSpeed(2));
        QStringList names;
        for (const auto& state : restored.states) names << QString::fromStdString(state.name);
        EXPECT_EQ(names, c.names) << c.what;
        EXPECT_EQ(restored.states.at(std::size_t(restored.selectedStateIndex)).config.speed, c.speed) << c.what;
        EXPECT_EQ(restored.transitionDuration, 0.6) << c.what;
    }
    store(kLastProjectKey, *encodeProject(two, Container::json));
    EXPECT_EQ(restoreLastProject(*preferences, OrbValues{}).selectedStateIndex, 1) << "limited to the last state";
}

TEST_F(StartupRestoreTest, ANewRunRestoresWhatTheLastRunAutosaved)
{
    {
        auto d = makeDocument(restoreLastProject(*preferences, OrbValues{}));
        d->addState();
        d->renameState(1, "Kept");
        d->setTransitionDuration(0.9);
        d->saveLastProject();
    }
    preferences.reset(); // the last run ends
    Preferences fresh(dir.filePath("Lumara.conf"));
    OrbDocument next(restoreLastProject(fresh, OrbValues{}), &fresh);
    EXPECT_EQ(next.stateNames(), (QStringList{"Default", "Kept"}));
    EXPECT_EQ(next.selectedStateIndex(), 1);
    EXPECT_EQ(next.transitionDuration(), 0.9);
}

TEST(Preferences, TheConfigFolderCanBeRedirected)
{
    QTemporaryDir dir;
    qputenv("LUMARA_CONFIG_DIR", dir.path().toUtf8());
    EXPECT_EQ(preferencesFilePath(), dir.filePath("Lumara.conf"));
    {
        Preferences p;
        ASSERT_TRUE(p.setData("lastProject", "bytes"));
    }
    EXPECT_TRUE(QFile::exists(dir.filePath("Lumara.conf")));
    qunsetenv("LUMARA_CONFIG_DIR");
}

TEST_F(DocumentTest, RandomizeKeepsLockedParametersThroughAHundredDrawsAndRedrawsTheRest)
{
    auto d = makeDocument(projectOf({"A"}));
    d->applyPreset(*findPreset("Jade"));
    const OrbValues start = d->currentConfiguration()->values();
    const std::vector<std::string> locked{"backgroundColors", "glowColor", "gradientType", "blobCount"};
    for (const std::string& key : locked) d->setParameterLocked(key, true);
    d->setParameterLocked("noSuchField", true);
    EXPECT_EQ(d->states()[0]->lockedParameters(), (std::vector<std::string>{"backgroundColors", "glowColor", "gradientType", "blobCount"}));
    EXPECT_EQ(undo.count(), 5) << "the preset and one step per lock; an unknown key is no step";

    // The generator never varies these, so they cannot show a change.
    const std::vector<std::string> constant{"orbSize", "showBackground", "showWavyBlobs", "showGlowEffects", "showShadow"};
    std::map<std::string, int> changes;
    for (int i = 0; i < 100; ++i) {
        d->randomize();
        const OrbValues now = d->currentConfiguration()->values();
        forEachOrbField([&](const auto& field) {
            const bool differs = !(now.*(field.member) == start.*(field.member));
            if (differs) ++changes[field.key];
        });
    }
    forEachOrbField([&](const auto& field) {
        const std::string key = field.key;
        if (std::find(locked.begin(), locked.end(), key) != locked.end()) {
            EXPECT_EQ(changes[key], 0) << key << " is locked";
        } else if (std::find(constant.begin(), constant.end(), key) == constant.end()) {
            EXPECT_GT(changes[key], 0) << key << " is redrawn";
        }
    });
    EXPECT_EQ(autosaved()->states[0].lockedParameters, d->states()[0]->lockedParameters()) << "locks are part of the project";
}

TEST_F(DocumentTest, ASeedDrawsTheSameOrbEveryTimeAndNamesItsUndoStep)
{
    auto d = makeDocument(projectOf({"A", "B"}));
    d->randomize(42);
    RandomEngine engine(42);
    EXPECT_EQ(d->currentConfiguration()->values(), makeRandomConfiguration(engine));
    EXPECT_EQ(undo.undoText(), "Randomize (Seed 42)");
    EXPECT_EQ(d->lastRandomSeed(), 42u);

    // Locks keep their fields; the unlocked ones are still the seed's.
    const CodableColor glow{0.1, 0.2, 0.3, 1.0};
    d->selectState(1);
    d->currentConfiguration()->setGlowColor(glow);
    d->setParameterLocked("glowColor", true);
    d->randomize(42);
    OrbValues expected = d->states()[0]->config()->values();
    expected.glowColor = glow;
    EXPECT_EQ(d->currentConfiguration()->values(), expected);

    // Undoing the lock and the draw puts both back; a saved file keeps the lock.
    undo.undo();
    EXPECT_EQ(d->currentConfiguration()->glowColor(), glow);
    undo.undo();
    EXPECT_TRUE(d->states()[1]->lockedParameters().empty());
    undo.redo();
    const QString path = dir.filePath("locks.lumara");
    ASSERT_TRUE(d->saveProject(path));
    auto other = makeDocument(projectOf({"X"}));
    ASSERT_TRUE(other->loadProject(path));
    EXPECT_EQ(other->states()[1]->lockedParameters(), std::vector<std::string>{"glowColor"});
}

// Two editors with the same project file open: each save replaces the file whole (last save
// wins), and a save over a file that another has written since says so.
TEST_F(DocumentTest, SavingOverAFileChangedSinceItWasOpenedWarnsAndReplacesItWhole)
{
    const QString file = dir.filePath("Shared.lumara");
    auto mine = makeDocument(projectOf({"Mine"}));
    ASSERT_TRUE(mine->saveProject(file));
    OrbDocument other(projectOf({"Other"}));
    ASSERT_TRUE(other.loadProject(file));
    other.renameState(0, "Other's edit");

    QSignalSpy warnings(mine.get(), &OrbDocument::errorOccurred);
    QSignalSpy otherWarnings(&other, &OrbDocument::errorOccurred);
    struct Step {
        OrbDocument* who;
        bool warned;
        const char* why;
    };
    const Step steps[] = {
        {mine.get(), false, "nobody else wrote the file since mine saved it"},
        {&other, true, "mine saved after other opened it"},
        {mine.get(), true, "other saved after mine did"},
        {mine.get(), false, "mine saved last"},
    };
    for (const Step& step : steps) {
        QSignalSpy& spy = step.who == mine.get() ? warnings : otherWarnings;
        spy.clear();
        ASSERT_TRUE(step.who->saveProject(file)) << step.why;
        EXPECT_EQ(spy.size(), step.warned ? 1 : 0) << step.why;
        if (step.warned) EXPECT_TRUE(spy.at(0).at(0).toString().startsWith("Shared.lumara had changed on disk")) << step.why;
        OrbDocument reader(projectOf({"Reader"}));
        ASSERT_TRUE(reader.loadProject(file)) << "whole after every save: " << step.why;
        EXPECT_EQ(reader.stateNames(), step.who->stateNames()) << "last save wins: " << step.why;
    }
}

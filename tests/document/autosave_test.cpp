// The debounced autosave of field edits, against a real settings file: nothing is written while
// edits keep coming, one write once they pause, `flush` writes a waiting edit at once, and the
// scheduler follows the selected state's configuration.
#include "document/AutosaveScheduler.h"
#include "document/OrbDocument.h"
#include "document/Preferences.h"
#include "support/TestSupport.h"

#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace lumara;
using namespace std::chrono_literals;

namespace {

class Autosave : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::coreApplication();
        ASSERT_TRUE(dir.isValid());
        preferences = std::make_unique<Preferences>(dir.filePath("Lumara.conf"));
        OrbProjectData project;
        project.states.push_back({makeStateId(), "Default", OrbValues{}});
        project.states.push_back({makeStateId(), "Second", OrbValues{}});
        document = std::make_unique<OrbDocument>(project, preferences.get());
    }
    // The first state's blur as the settings file holds it now (a fresh reader of the file, which
    // reads the writer's autosave slot: the writer still runs and holds it).
    double storedBlur(int state = 0) const
    {
        Preferences reader(dir.filePath("Lumara.conf"));
        const auto stored = autosavedProject(reader, preferences->autosaveSlot());
        return stored ? stored->states.at(std::size_t(state)).config.blobBlur : -1;
    }

    QTemporaryDir dir;
    std::unique_ptr<Preferences> preferences;
    std::unique_ptr<OrbDocument> document;
};

} // namespace

TEST_F(Autosave, EditsAreWrittenOnceTheyPauseAndFlushWritesAtOnce)
{
    AutosaveScheduler autosave(document.get(), 50ms);
    for (int i = 1; i <= 5; ++i) document->currentConfiguration()->setBlobBlur(i);
    EXPECT_TRUE(autosave.isPending());
    EXPECT_NE(storedBlur(), 5.0) << "nothing is written while edits keep coming";
    EXPECT_TRUE(QTest::qWaitFor([&] { return !autosave.isPending(); }, 5000));
    EXPECT_EQ(storedBlur(), 5.0);

    document->currentConfiguration()->setBlobBlur(9);
    autosave.flush();
    EXPECT_FALSE(autosave.isPending());
    EXPECT_EQ(storedBlur(), 9.0) << "flush writes the waiting edit at once";

    // Writing an equal value is no edit.
    document->currentConfiguration()->setBlobBlur(9);
    EXPECT_FALSE(autosave.isPending());
}

TEST_F(Autosave, FollowsTheSelectedStatesConfiguration)
{
    AutosaveScheduler autosave(document.get(), 10min); // only flush writes here
    OrbConfiguration* first = document->currentConfiguration();
    document->selectState(1);
    first->setBlobBlur(4); // not the selected state's configuration any more
    EXPECT_FALSE(autosave.isPending());
    document->currentConfiguration()->setBlobBlur(6);
    EXPECT_TRUE(autosave.isPending());
    autosave.flush();
    EXPECT_EQ(storedBlur(1), 6.0);

    document->randomize(); // a new configuration instance in the selected state
    document->currentConfiguration()->setBlobBlur(7);
    EXPECT_TRUE(autosave.isPending());
}

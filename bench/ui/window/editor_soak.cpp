// A soak of the whole editor: rounds of what a designer does (presets, slider drags, colours,
// adding, renaming, deleting and reordering states, undo and redo, playback, the text, PNG and
// animated exports, the export preview, saving and opening) through the real window, for ten
// minutes by default, with the process's resident memory and open file descriptors sampled every
// minute. The first minute begins with a tour of every preset and export format (the warm-up: each
// is met once before it is measured). After the first minute neither may grow: memory within 5 MB,
// descriptors constant; the program says which and exits with 1 when one does. It also says how
// far memory rose once the rounds had gone through every combination of their choices. The
// allocator is set up as the editor sets it (configureAllocatorForEditing).
//
// Memory is the process's anonymous resident memory (RssAnon), read after every round. Each row
// gives the lowest reading of its minute (the floor: what the editor holds between rounds, which a
// leak raises) and the highest (the floor plus whatever a round had in flight: encoder frames, the
// highlighter, allocator arenas, which vary by 10 MB and more from round to round); growth is
// judged on the floor. Beside them, malloc's bytes in use, which tell a leak from fragmentation,
// and the resident pages of mapped files (RssFile: the libraries' code and data, paged in as a
// code path is first used and given back by the kernel under pressure; not the editor's to hold).
// The undo history is kept as in the editor, so its step count is in the table too.
//
//   bench_editor_soak [--minutes=M] [--interval=SECONDS]    (make bench runs it with the defaults)
//
// Offscreen without a display (make bench sets that), or on an X server under xvfb-run. UI thread
// only; the animated export's encoder works on its own thread as in the editor.
#include "document/OrbDocument.h"
#include "document/PreferenceKeys.h"
#include "document/Preferences.h"
#include "model/OrbPreset.h"
#include "ui/exports/AnimationExportRunner.h"
#include "ui/exports/ExportFlows.h"
#include "ui/inspector/ColorsSection.h"
#include "ui/inspector/InspectorView.h"
#include "ui/inspector/LabeledSlider.h"
#include "ui/sidebar/PresetSidebarView.h"
#include "ui/states/StateStripView.h"
#include "ui/window/LumaraApp.h"
#include "ui/window/MainWindow.h"

#include "support/SliderGestures.h"
#include "ui/UiTestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <malloc.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numeric>
#include <string>
#include <vector>

using namespace lumara;

namespace {

// The formats the rounds go through, one of each kind per round in turn.
constexpr std::array kTextFormats{exporting::ExportFormat::swiftUI, exporting::ExportFormat::html,
                                  exporting::ExportFormat::prompt};
constexpr std::array kAnimatedFormats{exporting::AnimatedExportFormat::gif, exporting::AnimatedExportFormat::apng,
                                      exporting::AnimatedExportFormat::mp4};

struct Sample {
    double minute = 0;
    double floorMegabytes = 0; // the lowest reading of the interval
    double peakMegabytes = 0;  // the highest
    double heapMegabytes = 0;  // malloc's bytes in use at the end of the interval
    double fileMegabytes = 0;  // resident pages of mapped files at the end of the interval
    int descriptors = 0;
    long undoSteps = 0;
    long rounds = 0;
};

// A "kB" line of /proc/self/status ("RssAnon:", "RssFile:") in megabytes.
double statusMegabytes(const QByteArray& field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine())
        if (line.startsWith(field)) return line.mid(field.size()).trimmed().split(' ').front().toDouble() / 1024.0;
    return -1;
}

// What malloc has handed out and not had back: a leak raises it, fragmentation and the arenas
// of worker threads raise only the resident figure.
double heapInUseMegabytes()
{
    const struct mallinfo2 info = mallinfo2();
    return double(info.uordblks + info.hblkhd) / (1024.0 * 1024.0);
}

int openDescriptors()
{
    // The listing holds one descriptor of its own while it reads.
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size()) - 1;
}

struct Options {
    double minutes = 10;
    double intervalSeconds = 60;
};

bool parseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        char* end = nullptr;
        if (a.rfind("--minutes=", 0) == 0) {
            options.minutes = std::strtod(a.c_str() + 10, &end);
        } else if (a.rfind("--interval=", 0) == 0) {
            options.intervalSeconds = std::strtod(a.c_str() + 11, &end);
        } else {
            std::fprintf(stderr, "usage: %s [--minutes=M] [--interval=SECONDS]\n", argv[0]);
            return false;
        }
        if (!end || *end != '\0' || !(options.minutes > 0) || !(options.intervalSeconds > 0)) {
            std::fprintf(stderr, "bench_editor_soak: %s is not a positive number\n", a.c_str());
            return false;
        }
    }
    return true;
}

// One round of editing on the window; `round` varies what is chosen.
class Designer {
public:
    Designer(ui::LumaraApp* app, test::ScriptedDialogs* dialogs, const QString& folder)
        : m_app(app), m_window(app->mainWindow()), m_dialogs(dialogs), m_folder(folder)
    {
        auto* inspector = static_cast<ui::InspectorView*>(m_window->inspector());
        m_colors = inspector->colorsSection();
        m_sliders = inspector->findChildren<ui::LabeledSlider*>();
    }

    void round(long round)
    {
        OrbDocument* document = m_app->document();
        const auto pause = [](int ms) { QTest::qWait(ms); };
        const std::vector<OrbPreset>& presets = allPresets();

        // A preset from the sidebar, then slider drags across the inspector.
        m_window->sidebar()->applyPreset(presets[std::size_t(round) % presets.size()]);
        pause(100);
        for (int i = 0; i < 4; ++i) {
            ui::LabeledSlider* slider = m_sliders[std::size_t(round * 4 + i) % std::size_t(m_sliders.size())];
            if (!slider->isVisible()) continue;
            test::dragSlider(slider->slider(), (round + i) % 2 ? 0.8 : 0.2, 12);
            pause(30);
        }

        // Colours: the dialog on a background position and on the glow, a colour added and removed.
        for (qsizetype target : {qsizetype(0), ui::ColorsSection::kGlow}) {
            QColorDialog* dialog = m_colors->openColorDialog(target);
            dialog->setCurrentColor(QColor::fromHsv(int(round * 37 % 360), 180, 230));
            pause(30);
            dialog->accept();
        }
        m_colors->addColor();
        m_colors->removeColor();
        pause(50);

        // States: two added, one renamed through the strip's field, the order reversed (as a
        // pasted design of the same states), one deleted.
        ui::StateStripView* strip = m_window->stateStrip();
        strip->addButton()->click();
        strip->addButton()->click();
        strip->startRenaming(0);
        strip->renameField()->setText(QStringLiteral("Round %1").arg(round));
        strip->commitRename(0);
        OrbProjectData reversed = document->projectData();
        std::reverse(reversed.states.begin(), reversed.states.end());
        document->openDesign(reversed);
        while (document->states().size() > 3) strip->deleteState(document->states().size() - 1);
        pause(50);

        // Undo and redo through the menu actions.
        for (int i = 0; i < 3; ++i) m_window->action("undoAction")->trigger();
        for (int i = 0; i < 2; ++i) m_window->action("redoAction")->trigger();

        // Playback through the states.
        strip->setPlaying(true);
        pause(1500);
        strip->setPlaying(false);

        // The text exports to files, the copied code, the highlighted preview, a PNG.
        for (exporting::ExportFormat format : kTextFormats) {
            m_dialogs->answers.push_back(path(QStringLiteral("orb.%1.txt").arg(int(format))));
            m_window->exportTextFile(format);
        }
        m_window->action("copyCodeAction")->trigger();
        ui::ExportFlows* flows = m_window->exportFlows();
        flows->requestExportPreview(kTextFormats[std::size_t(round) % kTextFormats.size()]);
        if (!QTest::qWaitFor([&] { return !flows->isPreparingExport(); }, 10000))
            std::fprintf(stderr, "round %ld: the preview took over 10 s\n", round);
        pause(50);
        flows->closePreview();
        m_dialogs->answers.push_back(path(QStringLiteral("orb.png")));
        m_window->exportPNGImage();
        m_window->waitForExports();

        // An animated export, each format in turn, small and short.
        exportAnimation(std::size_t(round) % kAnimatedFormats.size(), round % 2 == 1, QStringLiteral("orb"));
        pause(50);

        // Save As, Save, and opening the file again.
        const QString project = path(QStringLiteral("soak.lumara"));
        m_dialogs->answers.push_back(project);
        m_window->saveAsCommand();
        document->renameState(1, QStringLiteral("Saved %1").arg(round));
        m_window->saveCommand();
        m_dialogs->answers.push_back(project);
        m_window->openCommand();
        pause(100);

        if (!m_window->errorMessage().isEmpty() && m_window->errorMessage() != m_lastError) {
            m_lastError = m_window->errorMessage();
            std::fprintf(stderr, "round %ld: the editor says: %s\n", round, qPrintable(m_lastError));
        }
    }

    // The first minute's warm-up: every preset drawn and exported as a PNG, every text format
    // previewed, every animated format exported with and without the playback loop, so that no
    // later round meets a combination, and the memory it needs, for the first time.
    void tour()
    {
        OrbDocument* document = m_app->document();
        ui::ExportFlows* flows = m_window->exportFlows();
        const std::vector<OrbPreset>& presets = allPresets();
        for (std::size_t i = 0; i < presets.size(); ++i) {
            m_window->sidebar()->applyPreset(presets[i]);
            QTest::qWait(150);
            m_dialogs->answers.push_back(path(QStringLiteral("tour.png")));
            m_window->exportPNGImage();
            m_window->waitForExports();
            flows->requestExportPreview(kTextFormats[i % kTextFormats.size()]);
            if (!QTest::qWaitFor([&] { return !flows->isPreparingExport(); }, 10000))
                std::fprintf(stderr, "tour: the preview of %s took over 10 s\n", presets[i].name.c_str());
            flows->closePreview();
        }
        m_window->stateStrip()->addButton()->click();
        for (std::size_t format = 0; format < kAnimatedFormats.size(); ++format)
            for (bool loop : {false, true}) exportAnimation(format, loop, QStringLiteral("tour"));
        m_window->stateStrip()->deleteState(document->states().size() - 1);
    }

private:
    QString path(const QString& name) const { return QDir(m_folder).filePath(name); }

    // An animated export, small and short, of the selected state or of the playback loop.
    void exportAnimation(std::size_t formatIndex, bool loop, const QString& name)
    {
        exporting::MotionSettings motion;
        motion.duration = 0.5;
        motion.fps = 10;
        motion.scale = 0.5;
        const exporting::AnimatedExportFormat format = kAnimatedFormats[formatIndex];
        ui::AnimationExportRunner* runner = m_window->exportFlows()->animationRunner();
        if (runner->startAnimationExport(format, motion, path(QStringLiteral("%1.anim.%2").arg(name).arg(int(format))), loop))
            runner->waitForAnimationExport();
    }

    ui::LumaraApp* m_app;
    ui::MainWindow* m_window;
    test::ScriptedDialogs* m_dialogs;
    QString m_folder;
    ui::ColorsSection* m_colors = nullptr;
    QList<ui::LabeledSlider*> m_sliders;
    QString m_lastError;
};

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!parseOptions(argc, argv, options)) return 2;
    ui::configureAllocatorForEditing(); // as the editor does
    QTemporaryDir folder;
    qputenv("LUMARA_CONFIG_DIR", folder.path().toUtf8());
    QApplication application(argc, argv);

    Preferences preferences(QDir(folder.path()).filePath(QStringLiteral("Lumara.conf")));
    preferences.settings().setValue(QLatin1String(keys::hasSeenOnboarding), true);
    auto scripted = std::make_unique<test::ScriptedDialogs>();
    test::ScriptedDialogs* dialogs = scripted.get();
    ui::LumaraApp app(&preferences, std::move(scripted));
    ui::MainWindow* window = app.mainWindow();
    window->resize(1600, 1000);
    window->show();
    if (!QTest::qWaitForWindowExposed(window)) {
        std::fprintf(stderr, "bench_editor_soak: the window was never exposed\n");
        return 2;
    }
    Designer designer(&app, dialogs, folder.path());

    std::vector<Sample> samples;
    double floor = 0, peak = 0;
    const auto read = [&] {
        // glibc keeps freed memory for reuse; trimming first measures what the editor holds.
        malloc_trim(0);
        const double now = statusMegabytes("RssAnon:");
        floor = floor == 0 ? now : std::min(floor, now);
        peak = std::max(peak, now);
    };
    const auto sample = [&](double minute, long rounds) {
        samples.push_back(
            {minute, floor, peak, heapInUseMegabytes(), statusMegabytes("RssFile:"), openDescriptors(),
             long(window->undoStack()->count()), rounds});
        const Sample& s = samples.back();
        std::printf("%7.2f  %9.1f  %9.1f  %8.1f  %9.1f  %4d  %6ld  %6ld\n", s.minute, s.floorMegabytes, s.peakMegabytes,
                    s.heapMegabytes, s.fileMegabytes, s.descriptors, s.undoSteps, s.rounds);
        std::fflush(stdout);
        floor = peak = 0;
    };
    std::printf(" minute  floor(MB)   peak(MB)  heap(MB)  files(MB)   fds    undo  rounds\n");
    read();
    sample(0, 0);
    QElapsedTimer clock;
    clock.start();
    const qint64 totalMs = qint64(options.minutes * 60000.0);
    const qint64 intervalMs = qint64(options.intervalSeconds * 1000.0);
    qint64 nextSample = intervalMs;
    long rounds = 0;
    designer.tour();
    std::printf("   (the warm-up tour of every preset and format took %.1f s)\n", double(clock.elapsed()) / 1000.0);
    while (clock.elapsed() < totalMs) {
        designer.round(rounds++);
        read();
        while (clock.elapsed() >= nextSample && nextSample <= totalMs) {
            sample(double(nextSample) / 60000.0, rounds);
            nextSample += intervalMs;
        }
    }
    if (samples.size() < 3) {
        std::printf("too short to judge: run at least two intervals\n");
        return 0;
    }

    // From the first interval's sample on, neither figure may grow.
    const Sample& base = samples[1];
    double highest = base.floorMegabytes;
    bool descriptorsConstant = true;
    for (std::size_t i = 2; i < samples.size(); ++i) {
        highest = std::max(highest, samples[i].floorMegabytes);
        descriptorsConstant = descriptorsConstant && samples[i].descriptors == base.descriptors;
    }
    const double growth = highest - base.floorMegabytes;
    const bool memoryKept = growth <= 5.0;
    std::printf("after the first interval: memory floor %+.1f MB at most (limit 5.0), descriptors %s; %ld rounds\n", growth,
                descriptorsConstant ? "constant" : "changed", rounds);
    // The rounds go through every preset, text format and animated format with and without the
    // loop once in a cycle; before a cycle is complete, a combination not yet seen can still set
    // a new high-water mark, which is no leak. For comparison, the growth after the first sample
    // taken once a whole cycle has run.
    const long cycle = long(std::lcm(allPresets().size(), kAnimatedFormats.size() * 2)); // each with and without the loop
    const auto afterCycle = std::find_if(samples.begin(), samples.end(), [&](const Sample& s) { return s.rounds >= cycle; });
    if (afterCycle != samples.end() && afterCycle + 1 != samples.end()) {
        double highestAfter = afterCycle->floorMegabytes;
        for (auto it = afterCycle + 1; it != samples.end(); ++it) highestAfter = std::max(highestAfter, it->floorMegabytes);
        std::printf("after the first whole cycle of %ld rounds (minute %.0f): memory floor %+.1f MB at most\n", cycle,
                    afterCycle->minute, highestAfter - afterCycle->floorMegabytes);
    }
    return memoryKept && descriptorsConstant ? 0 : 1;
}

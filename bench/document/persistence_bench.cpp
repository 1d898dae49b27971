// Saving a project and writing the autosave record: a typical three-state project and the largest
// one the limits accept (1000 states of 32 colours), through the real output module and settings file.
#include "document/EmbeddedInMedia.h"
#include "document/EmbeddedProject.h"
#include "document/OrbDocument.h"
#include "document/Preferences.h"
#include "model/ProjectLimits.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QTemporaryDir>

using namespace lumara;

namespace {

OrbProjectData project(std::size_t states, std::size_t colours)
{
    OrbProjectData p;
    OrbValues values;
    values.backgroundColors.assign(colours, CodableColor{0.1, 0.2, 0.3, 1.0});
    for (std::size_t i = 0; i < states; ++i) p.states.push_back({makeStateId(), "State " + std::to_string(i + 1), values});
    return p;
}

void BM_SaveProject(benchmark::State& state)
{
    QTemporaryDir dir;
    OrbDocument document(project(static_cast<std::size_t>(state.range(0)), static_cast<std::size_t>(state.range(1))));
    const QString path = dir.filePath("orb.lumara");
    for (auto _ : state)
        if (!document.saveProject(path)) state.SkipWithError("save failed");
}
BENCHMARK(BM_SaveProject)->Args({3, 3})->Args({kMaxStates, kMaxBackgroundColors})->Unit(benchmark::kMillisecond);

void BM_Autosave(benchmark::State& state)
{
    QTemporaryDir dir;
    Preferences preferences(dir.filePath("Lumara.conf"));
    OrbDocument document(project(static_cast<std::size_t>(state.range(0)), static_cast<std::size_t>(state.range(1))), &preferences);
    bool failed = false;
    QObject::connect(&document, &OrbDocument::errorOccurred, [&] { failed = true; });
    double transition = 0.5;
    for (auto _ : state) {
        document.setTransitionDuration(transition += 0.001); // a change, so every record differs
        document.saveLastProject();
    }
    if (failed) state.SkipWithError("autosave failed");
}
BENCHMARK(BM_Autosave)->Args({3, 3})->Args({kMaxStates, kMaxBackgroundColors})->Unit(benchmark::kMillisecond);

// Opening the design of a large export: 256 MB of MP4 media data or WebM clusters before the
// record (sparse files), or a 32 MB GIF whose image data comes first (walked block by block).
void BM_OpenDesignOfLargeFile(benchmark::State& state)
{
    const auto kind = static_cast<MediaKind>(state.range(0));
    const std::string record = *encodeEmbeddedProject(project(3, 3));
    const std::string small = minimalMediaWithProject(kind, record);
    QTemporaryDir dir;
    const QString path = dir.filePath("large");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return state.SkipWithError("cannot write the file");
    const auto bigEndian = [](std::uint64_t v, int bytes) {
        std::string out;
        for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8) out.push_back(static_cast<char>((v >> shift) & 0xFF));
        return out;
    };
    constexpr std::uint64_t kBulk = 256u << 20;
    std::string head, tail;
    if (kind == MediaKind::isoMedia) {
        head = small.substr(0, 20) + bigEndian(1, 4) + "mdat" + bigEndian(kBulk + 16, 8);
        tail = small.substr(20);
    } else if (kind == MediaKind::matroska) {
        // EBML header, a segment of unknown size, then one large cluster before the tags.
        const std::size_t segment = small.find(std::string("\x18\x53\x80\x67", 4));
        head = small.substr(0, segment) + std::string("\x18\x53\x80\x67\x01\xff\xff\xff\xff\xff\xff\xff", 12) +
               std::string("\x1f\x43\xb6\x75\x01", 5) + bigEndian(kBulk, 7);
        tail = small.substr(segment + 12);
    } else {
        std::string blocks;
        const std::string subBlock = '\xff' + std::string(255, 'U');
        while (blocks.size() < (32u << 20)) blocks += subBlock;
        head = small.substr(0, 13) + "\x21\xfe" + blocks + '\0';
        tail = small.substr(13);
    }
    file.write(head.data(), static_cast<qint64>(head.size()));
    if (kind != MediaKind::gif) file.resize(file.size() + static_cast<qint64>(kBulk));
    file.seek(file.size());
    file.write(tail.data(), static_cast<qint64>(tail.size()));
    file.close();
    for (auto _ : state) {
        auto bytes = readProjectFileBytes(path.toStdString());
        auto opened = bytes ? decodeProjectFile(*bytes, 0.6) : Error<CodecError>{CodecError::notParseable, ""};
        if (!opened) return state.SkipWithError("the design did not open");
        benchmark::DoNotOptimize(opened);
    }
}
BENCHMARK(BM_OpenDesignOfLargeFile)
    ->Arg(static_cast<int>(MediaKind::isoMedia))
    ->Arg(static_cast<int>(MediaKind::matroska))
    ->Arg(static_cast<int>(MediaKind::gif))
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

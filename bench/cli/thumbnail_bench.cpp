// Thumbnails for file managers: a 256-pixel preview of a project file, in process (read, decode,
// render, encode, write), as the file manager runs it (a fresh `lumara-thumbnailer` process, the
// figure to hold within 100 ms) and through the full `lumara thumbnail` for comparison.
#include "cli/Thumbnail.h"
#include "document/ProjectCodec.h"
#include "model/OrbPreset.h"

#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include <fstream>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

using namespace lumara;

namespace {

// A project of three preset states, the middle one selected, as a user would save it.
std::string writeProject(const QTemporaryDir& dir)
{
    OrbProjectData project;
    for (const char* name : {"Deep Sea", "Northern Lights", "Jade"})
        project.states.push_back({makeStateId(), name, findPreset(name)->configuration});
    project.selectedStateIndex = 1;
    const std::string path = dir.filePath("orb.lumara").toStdString();
    std::ofstream(path, std::ios::binary) << encodeProject(project, Container::propertyList).value();
    return path;
}

void BM_ThumbnailInProcess(benchmark::State& state)
{
    QTemporaryDir dir;
    const std::string input = writeProject(dir);
    const std::string output = dir.filePath("thumb.png").toStdString();
    for (auto _ : state)
        if (!cli::writeThumbnail(input, output, static_cast<int>(state.range(0)))) state.SkipWithError("thumbnail failed");
}
BENCHMARK(BM_ThumbnailInProcess)->Arg(128)->Arg(256)->Arg(512)->Unit(benchmark::kMillisecond);

// Wall time of one process writing the 256-pixel preview, start-up included.
void runThumbnailProcess(benchmark::State& state, std::vector<std::string> words)
{
    QTemporaryDir dir;
    words.push_back(writeProject(dir));
    words.push_back(dir.filePath("thumb.png").toStdString());
    words.insert(words.end(), {"--size", "256"});
    std::vector<char*> argv;
    for (auto& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    for (auto _ : state) {
        pid_t pid = 0;
        int status = 0;
        if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0 ||
            waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
            state.SkipWithError("the thumbnail process failed");
    }
}

void BM_Thumbnailer(benchmark::State& state) { runThumbnailProcess(state, {LUMARA_THUMBNAILER}); }
BENCHMARK(BM_Thumbnailer)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ThumbnailCommand(benchmark::State& state) { runThumbnailProcess(state, {LUMARA_BINARY, "thumbnail"}); }
BENCHMARK(BM_ThumbnailCommand)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();

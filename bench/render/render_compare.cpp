// render_compare: renders a fixed set of pictures (every preset at five times at 560 px, seeded
// random looks at 280, 560 and 840 px, every other one framed with room for the shadow, the
// default orb at 1600 px; each on the reduced and the per-pixel path, on one thread and on two)
// and either keeps them or compares them with kept ones. A change that must not move a byte is
// checked by keeping the pictures of the build before it and comparing the build after it:
//   render_compare --keep DIR      writes each picture's raw RGBA into DIR
//   render_compare --against DIR   prints the cases that differ with their largest and mean
//                                  difference, and a summary; exits 1 if any byte differs
// With --still-layers after DIR, every picture is drawn through one still-layer cache lent to
// every render of the run (the look is seen once at another time first, then drawn twice: when
// its still layers are computed and when they are read back), so comparing against pictures kept
// without it shows that the cache changes no byte, across looks and times.
#include "model/OrbPreset.h"
#include "model/RandomConfiguration.h"
#include "render/OrbRenderer.h"
#include "render/Parallel.h"
#include "render/StillLayers.h"
#include "render/ReducedLayersError.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using namespace lumara;

struct Case {
    std::string name;
    OrbValues values;
    double time;
    render::RenderOptions options;
};

std::vector<Case> cases()
{
    std::vector<Case> out;
    int index = 0;
    for (const auto& preset : allPresets()) {
        for (int i = 0; i < static_cast<int>(std::size(test::kPresetTimes)); ++i) {
            render::RenderOptions options;
            options.pixelsPerPoint = 560.0 / preset.configuration.orbSize;
            out.push_back({"preset" + std::to_string(index) + "-t" + std::to_string(i), preset.configuration,
                           test::kPresetTimes[i], options});
        }
        ++index;
    }
    for (int i = 0; i < 30; ++i) {
        RandomEngine engine(2000 + static_cast<unsigned>(i));
        const OrbValues v = makeRandomConfiguration(engine);
        out.push_back({"random" + std::to_string(i), v, 8.1e8 + 0.77 * i, test::randomLookOptions(v, i)});
    }
    render::RenderOptions large;
    large.pixelsPerPoint = 1600.0 / OrbValues{}.orbSize;
    out.push_back({"default1600", OrbValues{}, 8.1e8 + 2.5, large});
    return out;
}

std::vector<std::uint8_t> readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

int main(int argc, char** argv)
{
    const bool still = argc == 4 && std::string(argv[3]) == "--still-layers";
    if ((argc != 3 && !still) || (std::string(argv[1]) != "--keep" && std::string(argv[1]) != "--against")) {
        std::fprintf(stderr, "usage: render_compare --keep DIR | --against DIR [--still-layers]\n");
        return 2;
    }
    const bool keep = std::string(argv[1]) == "--keep";
    const std::string dir = argv[2];
    // A folder that cannot be made shows as the first picture that cannot be written.
    std::error_code ignored;
    if (keep) std::filesystem::create_directories(dir, ignored);
    render::WorkerPool two(2);
    render::StillLayers cache;
    int differing = 0, total = 0, worstAll = 0;
    for (const Case& c : cases()) {
        for (int exact = 0; exact < 2; ++exact) {
            for (int threads = 1; threads <= 2; ++threads) {
                render::RenderOptions options = c.options;
                options.exactSmoothLayers = exact == 1;
                options.threads = 1;
                if (threads == 2) options.workers = &two;
                std::vector<render::Image> images;
                if (still) {
                    options.stillLayers = &cache;
                    render::renderOrb(c.values, c.time - 0.75, options);
                    images.push_back(render::renderOrb(c.values, c.time, options));
                }
                images.push_back(render::renderOrb(c.values, c.time, options));
                const std::string path =
                    dir + "/" + c.name + (exact ? "-exact" : "-reduced") + "-" + std::to_string(threads) + ".rgba";
                for (const render::Image& image : images) {
                ++total;
                if (keep) {
                    std::ofstream out(path, std::ios::binary);
                    out.write(reinterpret_cast<const char*>(image.pixels.data()), static_cast<std::streamsize>(image.pixels.size()));
                    out.close();
                    if (!out) {
                        std::fprintf(stderr, "render_compare: cannot write %s\n", path.c_str());
                        return 1;
                    }
                    continue;
                }
                const std::vector<std::uint8_t> kept = readFile(path);
                if (kept.size() != image.pixels.size()) {
                    std::printf("%s: size %zu, kept %zu\n", path.c_str(), image.pixels.size(), kept.size());
                    ++differing;
                    continue;
                }
                int worst = 0;
                long long sum = 0, bytes = 0;
                for (std::size_t i = 0; i < kept.size(); ++i) {
                    const int d = std::abs(int(kept[i]) - int(image.pixels[i]));
                    worst = std::max(worst, d);
                    sum += d;
                    bytes += d != 0;
                }
                if (worst > 0) {
                    ++differing;
                    worstAll = std::max(worstAll, worst);
                    std::printf("%s: %lld bytes differ, largest %d, mean %.5f\n", path.c_str(), bytes, worst,
                                double(sum) / double(kept.size()));
                }
                }
            }
        }
    }
    if (still)
        std::printf("still layers computed: %ld backgrounds, %ld shadows\n", cache.computed().backgrounds,
                    cache.computed().shadows);
    if (keep) std::printf("kept %d pictures in %s\n", total, dir.c_str());
    else std::printf("%d of %d pictures differ (largest difference %d)\n", differing, total, worstAll);
    return differing ? 1 : 0;
}

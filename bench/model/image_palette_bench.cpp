// How long taking a picture's colours keeps the UI thread: a 12-megapixel photo-sized picture
// (averaged down first) and a picture already at the sample size whose noise fills every OKLab bin,
// the clustering's worst case. Single-threaded, like the command.
#include "model/ImagePalette.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>

namespace {

std::vector<std::uint8_t> noisyGradient(int width, int height, int noise)
{
    std::vector<std::uint8_t> bytes(std::size_t(width) * std::size_t(height) * 4);
    std::mt19937 rng(3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* px = &bytes[(std::size_t(y) * std::size_t(width) + std::size_t(x)) * 4];
            const int base[3] = {255 * x / width, 255 * y / height, 255 - 255 * x / width};
            for (int i = 0; i < 3; ++i)
                px[i] = std::uint8_t(std::clamp(base[i] + int(rng() % unsigned(2 * noise + 1)) - noise, 0, 255));
            px[3] = 255;
        }
    return bytes;
}

void run(benchmark::State& state, int width, int height, int noise)
{
    const std::vector<std::uint8_t> bytes = noisyGradient(width, height, noise);
    const lumara::PixelView view{bytes, width, height, std::size_t(width) * 4};
    for (auto _ : state) {
        auto palette = lumara::extractPalette(view);
        benchmark::DoNotOptimize(palette);
    }
}

void BM_Palette12Megapixels(benchmark::State& state) { run(state, 4000, 3000, 8); }
void BM_PaletteEveryBinFilled(benchmark::State& state) { run(state, 256, 256, 127); }

} // namespace

BENCHMARK(BM_Palette12Megapixels)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaletteEveryBinFilled)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();

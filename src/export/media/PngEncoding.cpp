// PNG chunks, row filters and the still-image encoder on libdeflate. Pure; safe from any thread.
#include "export/media/PngEncoding.h"

#include <libdeflate.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace lumara::exporting {

void putBigEndian32(std::uint8_t* out, std::uint32_t value)
{
    out[0] = static_cast<std::uint8_t>(value >> 24);
    out[1] = static_cast<std::uint8_t>(value >> 16);
    out[2] = static_cast<std::uint8_t>(value >> 8);
    out[3] = static_cast<std::uint8_t>(value);
}

void putBigEndian16(std::uint8_t* out, std::uint16_t value)
{
    out[0] = static_cast<std::uint8_t>(value >> 8);
    out[1] = static_cast<std::uint8_t>(value);
}

std::vector<std::uint8_t> pngChunk(const char (&type)[5], const std::uint8_t* data, std::size_t size)
{
    std::vector<std::uint8_t> out(12 + size);
    putBigEndian32(out.data(), static_cast<std::uint32_t>(size));
    std::memcpy(out.data() + 4, type, 4);
    if (size) std::memcpy(out.data() + 8, data, size);
    putBigEndian32(out.data() + 8 + size, libdeflate_crc32(0, out.data() + 4, 4 + size));
    return out;
}

namespace {

// The five PNG filters of row `r` below row `u`, written one after the other into `out`
// (none, sub, up, average, Paeth). The first pixel has no left neighbours (a = c = 0); after it
// the loop has no branches, so it vectorises.
void predictRow(const std::uint8_t* __restrict r, const std::uint8_t* __restrict u, std::uint8_t* __restrict out,
                std::size_t rowBytes)
{
    std::uint8_t* __restrict none = out;
    std::uint8_t* __restrict sub = out + rowBytes;
    std::uint8_t* __restrict up = out + 2 * rowBytes;
    std::uint8_t* __restrict average = out + 3 * rowBytes;
    std::uint8_t* __restrict paeth = out + 4 * rowBytes;
    for (std::size_t i = 0; i < 4 && i < rowBytes; ++i) { // a = c = 0: Paeth predicts b
        none[i] = sub[i] = r[i];
        up[i] = paeth[i] = static_cast<std::uint8_t>(r[i] - u[i]);
        average[i] = static_cast<std::uint8_t>(r[i] - (u[i] >> 1));
    }
    // 16-bit arithmetic: enough for these sums, and it lets the compiler use the vector units.
    for (std::size_t i = 4; i < rowBytes; ++i) {
        const std::int16_t a = r[i - 4], b = u[i], c = u[i - 4];
        const auto pa = static_cast<std::int16_t>(std::abs(b - c));
        const auto pb = static_cast<std::int16_t>(std::abs(a - c));
        const auto pc = static_cast<std::int16_t>(std::abs(a + b - 2 * c));
        const std::int16_t predicted = (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
        none[i] = r[i];
        sub[i] = static_cast<std::uint8_t>(r[i] - a);
        up[i] = static_cast<std::uint8_t>(r[i] - b);
        average[i] = static_cast<std::uint8_t>(r[i] - ((a + b) >> 1));
        paeth[i] = static_cast<std::uint8_t>(r[i] - predicted);
    }
}

} // namespace

// PNG scanlines of the packed RGBA rectangle. Each row takes the filter whose output has the
// smallest sum of absolute values (as signed bytes), the usual predictor of what deflates best;
// neighbours outside the rectangle count as 0. The loops have no branches so they vectorise.
void filterPngRows(const std::uint8_t* pixels, int width, int height, std::vector<std::uint8_t>& out,
                std::vector<std::uint8_t>& scratch)
{
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
    out.resize((rowBytes + 1) * static_cast<std::size_t>(height));
    scratch.assign(rowBytes * 6, 0); // five candidate rows, then a row of zeros above the first
    const std::uint8_t* zeros = scratch.data() + rowBytes * 5;
    std::uint8_t* dst = out.data();
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* r = pixels + rowBytes * static_cast<std::size_t>(y);
        const std::uint8_t* u = y > 0 ? r - rowBytes : zeros;
        std::uint8_t* none = scratch.data();
        predictRow(r, u, none, rowBytes);
        int best = 0;
        std::uint64_t bestCost = ~std::uint64_t{0};
        for (int filter = 0; filter < 5; ++filter) {
            const std::uint8_t* candidate = scratch.data() + rowBytes * static_cast<std::size_t>(filter);
            std::uint64_t cost = 0;
            for (std::size_t i = 0; i < rowBytes; ++i) cost += static_cast<std::uint64_t>(std::abs(static_cast<std::int8_t>(candidate[i])));
            if (cost < bestCost) {
                bestCost = cost;
                best = filter;
            }
        }
        *dst++ = static_cast<std::uint8_t>(best);
        std::memcpy(dst, scratch.data() + rowBytes * static_cast<std::size_t>(best), rowBytes);
        dst += rowBytes;
    }
}

std::string encodeRgbaPng(const std::uint8_t* pixels, int width, int height)
{
    if (width <= 0 || height <= 0) return {};
    const std::unique_ptr<libdeflate_compressor, decltype(&libdeflate_free_compressor)> compressor(
        libdeflate_alloc_compressor(kPngDeflateLevel), &libdeflate_free_compressor);
    if (!compressor) return {};
    std::vector<std::uint8_t> filtered, scratch;
    filterPngRows(pixels, width, height, filtered, scratch);
    std::vector<std::uint8_t> deflated(libdeflate_zlib_compress_bound(compressor.get(), filtered.size()));
    const std::size_t size =
        libdeflate_zlib_compress(compressor.get(), filtered.data(), filtered.size(), deflated.data(), deflated.size());
    if (size == 0) return {};

    std::uint8_t header[13] = {};
    putBigEndian32(header, static_cast<std::uint32_t>(width));
    putBigEndian32(header + 4, static_cast<std::uint32_t>(height));
    header[8] = 8; // bits per channel
    header[9] = 6; // truecolour with alpha
    std::string png(reinterpret_cast<const char*>(kPngSignature), sizeof kPngSignature);
    png.reserve(sizeof kPngSignature + 25 + 12 + size + 12);
    for (const auto& part : {pngChunk("IHDR", header, sizeof header), pngChunk("IDAT", deflated.data(), size),
                             pngChunk("IEND", nullptr, 0)})
        png.append(reinterpret_cast<const char*>(part.data()), part.size());
    return png;
}

} // namespace lumara::exporting

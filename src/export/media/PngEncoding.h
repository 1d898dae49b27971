// The pieces of the PNG format our writers share: chunks, big-endian fields, row filtering and
// the still-image encoder. Pure functions; safe from any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace lumara::exporting {

inline constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
// libdeflate's level 6: close to the smallest files at a fraction of level 9's time (see ApngWriter.cpp).
inline constexpr int kPngDeflateLevel = 6;

void putBigEndian32(std::uint8_t* out, std::uint32_t value);
void putBigEndian16(std::uint8_t* out, std::uint16_t value);

// A whole chunk: length, type, data, CRC of type and data.
std::vector<std::uint8_t> pngChunk(const char (&type)[5], const std::uint8_t* data, std::size_t size);

// PNG scanlines of the packed RGBA rectangle in `out` (`scratch` is working memory kept between
// calls). Each row takes the filter whose output has the smallest sum of absolute values (as
// signed bytes), the usual predictor of what deflates best; neighbours outside the rectangle
// count as 0.
void filterPngRows(const std::uint8_t* pixels, int width, int height, std::vector<std::uint8_t>& out,
                   std::vector<std::uint8_t>& scratch);

// A complete truecolour-with-alpha PNG (signature, IHDR, one IDAT, IEND) of `width` x `height`
// packed straight RGBA pixels, or an empty string when the sizes are not positive or the
// compressor cannot be had.
std::string encodeRgbaPng(const std::uint8_t* pixels, int width, int height);

} // namespace lumara::exporting

// Reading exported videos back with FFmpeg's own tools (ffprobe, ffmpeg) and PNG chunk parsing,
// for tests that check real encodes with a real decoder.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace lumara::test {

// ffprobe's flat description of the first video stream (counted frames included) and the
// container: keys such as "streams.stream.0.codec_name", "streams.stream.0.nb_read_frames",
// "streams.stream.0.tags.alpha_mode", "format.duration"; values without quotes. Empty on failure.
std::map<std::string, std::string> probeVideo(const std::string& path);

// Presentation times of the decoded frames, in seconds, in display order.
std::vector<double> frameTimes(const std::string& path);

// Every frame decoded to straight RGBA, width x height each. VP9 goes through libvpx so its alpha
// channel is decoded too.
std::vector<std::vector<std::uint8_t>> decodeRgba(const std::string& path, int width, int height);

struct PngChunk {
    std::string type;
    std::string data;
};
// The chunks of a PNG file in order; empty when the signature is missing.
std::vector<PngChunk> pngChunks(const std::string& bytes);

std::uint32_t bigEndian32(const std::string& bytes, std::size_t offset);
std::uint16_t bigEndian16(const std::string& bytes, std::size_t offset);

} // namespace lumara::test

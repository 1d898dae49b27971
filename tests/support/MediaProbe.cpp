// ffprobe / ffmpeg wrappers for the export tests.
#include "support/MediaProbe.h"

#include "support/TestSupport.h"

#include <sstream>

namespace lumara::test {

std::map<std::string, std::string> probeVideo(const std::string& path)
{
    const auto result = runProcess("ffprobe", {"-v", "error", "-count_frames", "-select_streams", "v:0", "-show_entries",
                                               "stream:stream_tags:format", "-of", "flat", path});
    std::map<std::string, std::string> fields;
    if (result.exitCode != 0) return fields;
    std::istringstream lines(result.out);
    for (std::string line; std::getline(lines, line);) {
        const auto equals = line.find('=');
        if (equals == std::string::npos) continue;
        std::string value = line.substr(equals + 1);
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
        fields[line.substr(0, equals)] = value;
    }
    return fields;
}

std::vector<double> frameTimes(const std::string& path)
{
    const auto result = runProcess("ffprobe", {"-v", "error", "-select_streams", "v:0", "-show_entries",
                                               "frame=best_effort_timestamp_time", "-of", "csv=p=0", path});
    std::vector<double> times;
    std::istringstream lines(result.out);
    for (std::string line; std::getline(lines, line);)
        if (!line.empty()) times.push_back(std::stod(line));
    return times;
}

std::vector<std::vector<std::uint8_t>> decodeRgba(const std::string& path, int width, int height)
{
    std::vector<std::string> args{"-v", "error"};
    const auto probe = probeVideo(path);
    const auto codec = probe.find("streams.stream.0.codec_name");
    if (codec != probe.end() && codec->second == "vp9") args.insert(args.end(), {"-c:v", "libvpx-vp9"});
    args.insert(args.end(), {"-i", path, "-fps_mode", "passthrough", "-f", "rawvideo", "-pix_fmt", "rgba", "-"});
    const auto result = runProcess("ffmpeg", args);
    std::vector<std::vector<std::uint8_t>> frames;
    const std::size_t size = static_cast<std::size_t>(width) * height * 4;
    if (result.exitCode != 0 || size == 0) return frames;
    for (std::size_t at = 0; at + size <= result.out.size(); at += size)
        frames.emplace_back(result.out.begin() + static_cast<std::ptrdiff_t>(at),
                            result.out.begin() + static_cast<std::ptrdiff_t>(at + size));
    return frames;
}

std::uint32_t bigEndian32(const std::string& bytes, std::size_t offset)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) value = (value << 8) | static_cast<std::uint8_t>(bytes.at(offset + i));
    return value;
}

std::uint16_t bigEndian16(const std::string& bytes, std::size_t offset)
{
    return static_cast<std::uint16_t>((static_cast<std::uint8_t>(bytes.at(offset)) << 8) |
                                      static_cast<std::uint8_t>(bytes.at(offset + 1)));
}

std::vector<PngChunk> pngChunks(const std::string& bytes)
{
    std::vector<PngChunk> chunks;
    if (bytes.size() < 8 || bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) return chunks;
    for (std::size_t at = 8; at + 12 <= bytes.size();) {
        const std::size_t length = bigEndian32(bytes, at);
        if (at + 12 + length > bytes.size()) break;
        chunks.push_back({bytes.substr(at + 4, 4), bytes.substr(at + 8, length)});
        at += 12 + length;
    }
    return chunks;
}

} // namespace lumara::test

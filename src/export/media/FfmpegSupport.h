// Helpers shared by the files that drive FFmpeg: failures thrown as `ff::Failure` inside one
// .cpp and caught at its public entry points, and RAII guards for FFmpeg's objects. Internal to
// src/export/media; any thread.
#pragma once

#include "document/OutputFile.h"
#include "export/media/AnimatedExport.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <memory>
#include <new>
#include <string>

namespace lumara::exporting::ff {

struct Failure {
    ExportError code;
    std::string message;
};

inline std::string avErrorText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

inline void check(int code, const std::string& what)
{
    if (code < 0) throw Failure{ExportError::writeFailed, what + ": " + avErrorText(code)};
}

template <typename T>
T* require(T* object, const std::string& what)
{
    if (!object) throw Failure{ExportError::writeFailed, what};
    return object;
}

// Runs `body` and turns what it throws into the returned failure; a writer that failed is marked
// `finished`, so it writes nothing more.
template <typename Body>
Result<Ok, ExportError> guarded(bool& finished, Body&& body)
{
    try {
        body();
        return Ok{};
    } catch (const Failure& failure) {
        finished = true;
        return Error<ExportError>{failure.code, failure.message};
    } catch (const std::bad_alloc&) {
        finished = true;
        return Error<ExportError>{ExportError::writeFailed, "out of memory"};
    }
}

// Throws unless a writer still open for `width` x `height` frames can take `frame`.
inline void checkNextFrame(bool finished, int width, int height, const render::Image& frame)
{
    if (finished) throw Failure{ExportError::writeFailed, "the file is already complete"};
    if (frame.width != width || frame.height != height ||
        frame.pixels.size() != static_cast<std::size_t>(frame.width) * frame.height * 4)
        throw Failure{ExportError::renderFailed, "a frame does not match the video's size"};
}

struct OutputContextDeleter {
    void operator()(AVFormatContext* context) const
    {
        if (context->pb && !(context->oformat->flags & AVFMT_NOFILE)) avio_closep(&context->pb);
        avformat_free_context(context);
    }
};
struct CodecContextDeleter {
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct FrameDeleter {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketDeleter {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct ScalerDeleter {
    void operator()(SwsContext* scaler) const { sws_freeContext(scaler); }
};
struct Dictionary {
    AVDictionary* entries = nullptr;
    Dictionary() = default;
    Dictionary(const Dictionary&) = delete;
    Dictionary& operator=(const Dictionary&) = delete;
    ~Dictionary() { av_dict_free(&entries); }
    void set(const char* key, const std::string& value) { check(av_dict_set(&entries, key, value.c_str(), 0), key); }
};

// Where FFmpeg writes `output`: a regular destination's temporary file by name (MP4's index pass
// reads it back), a stream through the output's own descriptor.
inline std::string outputUrl(const OutputFile& output)
{
    return output.isStream() ? "pipe:" + std::to_string(output.descriptor()) : "file:" + output.temporaryPath();
}

inline std::unique_ptr<AVFormatContext, OutputContextDeleter> allocateOutput(const char* muxer, const std::string& url)
{
    AVFormatContext* raw = nullptr;
    check(avformat_alloc_output_context2(&raw, nullptr, muxer, url.c_str()), "cannot set up the file");
    return std::unique_ptr<AVFormatContext, OutputContextDeleter>(require(raw, "cannot set up the file"));
}

// Tags an encoder or a frame as BT.709 limited-range video, which is what rgbaScaler() makes.
template <typename Tagged>
void tagBt709(Tagged& tagged)
{
    tagged.color_range = AVCOL_RANGE_MPEG;
    tagged.colorspace = AVCOL_SPC_BT709;
    tagged.color_primaries = AVCOL_PRI_BT709;
    tagged.color_trc = AVCOL_TRC_BT709;
}

// Converts straight-alpha sRGB RGBA of `width` x `height` into `to`, BT.709 limited range.
inline std::unique_ptr<SwsContext, ScalerDeleter> rgbaScaler(int width, int height, AVPixelFormat to)
{
    std::unique_ptr<SwsContext, ScalerDeleter> scaler(
        require(sws_getContext(width, height, AV_PIX_FMT_RGBA, width, height, to, SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INP,
                               nullptr, nullptr, nullptr),
                "cannot convert to " + std::string(av_get_pix_fmt_name(to))));
    // sRGB input in full range, BT.709 limited-range output, as the stream is tagged.
    sws_setColorspaceDetails(scaler.get(), sws_getCoefficients(SWS_CS_DEFAULT), 1, sws_getCoefficients(SWS_CS_ITU709), 0, 0,
                             1 << 16, 1 << 16);
    return scaler;
}

} // namespace lumara::exporting::ff

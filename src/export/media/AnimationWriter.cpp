// FFmpeg-backed writers. Inside this file FFmpeg failures are thrown as `Failure` from the
// `check` helpers and caught at every public entry point; the FFmpeg objects are held by RAII
// guards so every exit path releases them and closes the file.
#include "export/media/AnimationWriter.h"

#include "document/EmbeddedInMedia.h"
#include "export/media/ApngWriter.h"
#include "export/media/FfmpegSupport.h"
#include "export/media/WebmWriter.h"
#include "render/StraightAlpha.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>

namespace lumara::exporting {

namespace {

using namespace ff;

// The GIF muxer writes the trailer byte last. Between it and the file sits this pass-through,
// which always holds back the latest byte, so the design's extension can go in before the trailer
// once the muxer is done (on a stream as well as a file).
struct HeldTrailer {
    AVFormatContext* output = nullptr;
    AVIOContext* file = nullptr; // the muxer's own output while the pass-through stands in
    AVIOContext* io = nullptr;
    int last = -1;

    HeldTrailer() = default;
    HeldTrailer(const HeldTrailer&) = delete;
    HeldTrailer& operator=(const HeldTrailer&) = delete;
    ~HeldTrailer() { release(); }

    void install(AVFormatContext* context)
    {
        auto* buffer = static_cast<unsigned char*>(av_malloc(kBufferBytes));
        if (!buffer) throw Failure{ExportError::writeFailed, "out of memory"};
        io = avio_alloc_context(buffer, kBufferBytes, 1, this, nullptr, &HeldTrailer::pass, nullptr);
        if (!io) {
            av_free(buffer);
            throw Failure{ExportError::writeFailed, "out of memory"};
        }
        output = context;
        file = context->pb;
        context->pb = io;
    }

    // Flushes what the muxer wrote, with `extension` before the trailer, and gives the muxer its
    // own output back.
    void finish(const std::string& extension)
    {
        avio_flush(io);
        if (last == 0x3B) avio_write(file, reinterpret_cast<const unsigned char*>(extension.data()), static_cast<int>(extension.size()));
        if (last >= 0) avio_w8(file, last);
        last = -1;
        release();
        check(file->error, "cannot write the file");
    }

    void release()
    {
        if (!io) return;
        output->pb = file;
        av_freep(&io->buffer);
        avio_context_free(&io);
    }

    static int pass(void* opaque, std::uint8_t* data, int size)
    {
        auto* self = static_cast<HeldTrailer*>(opaque);
        if (size <= 0) return 0;
        if (self->last >= 0) avio_w8(self->file, self->last);
        avio_write(self->file, data, size - 1);
        self->last = data[size - 1];
        return self->file->error < 0 ? self->file->error : size;
    }

    static constexpr int kBufferBytes = 32 * 1024;
};

struct Recipe {
    const char* muxer;
    const char* encoder;
    AVPixelFormat pixelFormat;
};

Recipe recipeFor(AnimatedExportFormat format)
{
    switch (format) {
    case AnimatedExportFormat::mp4: return {"mp4", "libx264", AV_PIX_FMT_YUV420P};
    case AnimatedExportFormat::gif: return {"gif", "gif", AV_PIX_FMT_PAL8};
    case AnimatedExportFormat::prores: return {"mov", "prores_ks", AV_PIX_FMT_YUVA444P10LE};
    case AnimatedExportFormat::webm:
    case AnimatedExportFormat::apng: break; // our own writers, WebmWriter and ApngWriter
    }
    return {"mp4", "libx264", AV_PIX_FMT_YUV420P};
}

class FfmpegWriter final : public AnimationWriter {
public:
    FfmpegWriter(OutputFile& output, const AnimationWriterSettings& settings) : m_settings(settings)
    {
        const Recipe recipe = recipeFor(settings.format);
        const bool padToEven = settings.format == AnimatedExportFormat::mp4; // 4:2:0 H.264 needs even sides
        m_codedWidth = settings.width + (padToEven ? settings.width % 2 : 0);
        m_codedHeight = settings.height + (padToEven ? settings.height % 2 : 0);
        const AVRational frameTime{1, settings.fps};

        const std::string url = outputUrl(output);
        m_output = allocateOutput(recipe.muxer, url);

        const AVCodec* codec = require(avcodec_find_encoder_by_name(recipe.encoder),
                                       std::string("this FFmpeg has no ") + recipe.encoder + " encoder");
        m_codec.reset(require(avcodec_alloc_context3(codec), "out of memory"));
        m_codec->width = m_codedWidth;
        m_codec->height = m_codedHeight;
        m_codec->pix_fmt = recipe.pixelFormat;
        m_codec->time_base = frameTime;
        m_codec->framerate = AVRational{settings.fps, 1};
        m_codec->sample_aspect_ratio = AVRational{1, 1};
        const bool converted = recipe.pixelFormat != AV_PIX_FMT_PAL8; // every format but GIF goes through swscale
        if (converted) tagBt709(*m_codec);
        if (m_output->oformat->flags & AVFMT_GLOBALHEADER) m_codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;

        Dictionary codecOptions;
        Dictionary muxerOptions;
        switch (settings.format) {
        case AnimatedExportFormat::mp4:
            codecOptions.set("preset", "veryfast");
            codecOptions.set("crf", "20");
            // One encoder thread: the render workers already keep the cores busy, and each x264
            // frame thread holds its own frames (measured 13 MB more at 600 x 600 for no gain).
            m_codec->thread_count = 1;
            // A 5-frame look-ahead instead of veryfast's 10: 9 MB less at 600 x 600, and these
            // slow-moving loops came out 6 % smaller, not larger.
            codecOptions.set("rc-lookahead", "5");
            // Index first, so the file plays while it downloads; metadata under our own key.
            muxerOptions.set("movflags", "+faststart+use_metadata_tags");
            break;
        case AnimatedExportFormat::apng: break;
        case AnimatedExportFormat::gif:
            muxerOptions.set("loop", "0");
            // Delays are whole hundredths taken from the timestamps; the last one makes the total exact.
            if (settings.frameCount > 0) {
                const auto hundredths = [&](std::int64_t i) { return (i * 200 + settings.fps) / (2 * settings.fps); };
                muxerOptions.set("final_delay", std::to_string(hundredths(settings.frameCount) -
                                                               hundredths(settings.frameCount - 1)));
            }
            break;
        case AnimatedExportFormat::webm: break; // WebmWriter
        case AnimatedExportFormat::prores:
            codecOptions.set("profile", "4444");
            codecOptions.set("alpha_bits", "16");
            codecOptions.set("vendor", "apl0"); // some editors accept ProRes only with this vendor tag
            muxerOptions.set("movflags", "+use_metadata_tags");
            break;
        }
        check(avcodec_open2(m_codec.get(), codec, &codecOptions.entries), std::string("cannot start ") + recipe.encoder);

        m_stream = require(avformat_new_stream(m_output.get(), nullptr), "out of memory");
        m_stream->time_base = frameTime;
        m_stream->avg_frame_rate = AVRational{settings.fps, 1};
        check(avcodec_parameters_from_context(m_stream->codecpar, m_codec.get()), "cannot describe the stream");

        check(avio_open(&m_output->pb, url.c_str(), AVIO_FLAG_WRITE), "cannot write " + output.displayPath());
        // The design: a GIF extension added at the end, a container tag in the videos.
        if (!settings.embeddedProject.empty()) {
            if (settings.format == AnimatedExportFormat::gif) {
                m_gifExtension = gifProjectExtension(settings.embeddedProject);
                m_heldTrailer.install(m_output.get());
            } else {
                check(av_dict_set(&m_output->metadata, std::string(kVideoProjectTag).c_str(),
                                  settings.embeddedProject.c_str(), 0),
                      "cannot add the design");
            }
        }
        check(avformat_write_header(m_output.get(), &muxerOptions.entries), "cannot write the file header");

        m_frame.reset(require(av_frame_alloc(), "out of memory"));
        m_frame->format = recipe.pixelFormat;
        m_frame->width = m_codedWidth;
        m_frame->height = m_codedHeight;
        // ProRes takes its colour tags from each frame rather than from the encoder's settings.
        m_frame->color_range = m_codec->color_range;
        m_frame->colorspace = m_codec->colorspace;
        m_frame->color_primaries = m_codec->color_primaries;
        m_frame->color_trc = m_codec->color_trc;
        check(av_frame_get_buffer(m_frame.get(), 0), "out of memory");
        m_packet.reset(require(av_packet_alloc(), "out of memory"));

        if (converted) {
            m_scaler = rgbaScaler(m_codedWidth, m_codedHeight, recipe.pixelFormat);
            m_rgba.resize(static_cast<std::size_t>(m_codedWidth) * m_codedHeight * 4);
        }
        if (settings.format == AnimatedExportFormat::gif) {
            if (settings.palette.empty() || settings.palette.size() > 256)
                throw Failure{ExportError::writeFailed, "a GIF needs a palette of 1 to 256 colours"};
            m_mapper.emplace(settings.palette);
        }
    }

    Result<Ok, ExportError> writeFrame(const render::Image& frame) override
    {
        return guarded(m_finished, [&] {
            checkNextFrame(m_finished, m_settings.width, m_settings.height, frame);
            check(av_frame_make_writable(m_frame.get()), "out of memory");
            fill(frame);
            m_frame->pts = m_nextPts++;
            check(avcodec_send_frame(m_codec.get(), m_frame.get()), "cannot encode a frame");
            drain();
        });
    }

    Result<Ok, ExportError> finish() override
    {
        return guarded(m_finished, [&] {
            if (m_finished) return;
            m_finished = true;
            check(avcodec_send_frame(m_codec.get(), nullptr), "cannot finish encoding");
            drain();
            check(av_write_trailer(m_output.get()), "cannot complete the file");
            if (m_heldTrailer.io) m_heldTrailer.finish(m_gifExtension);
            const int closed = avio_closep(&m_output->pb);
            check(closed, "cannot complete the file");
        });
    }

private:
    // Converts the premultiplied frame into the encoder's input.
    void fill(const render::Image& frame)
    {
        const int w = m_settings.width, h = m_settings.height;
        switch (m_settings.format) {
        case AnimatedExportFormat::mp4: {
            const render::Image flat = flattenOntoMatte(frame, m_settings.matte);
            const auto matte = opaqueMatteBytes(m_settings.matte);
            for (int y = 0; y < m_codedHeight; ++y) {
                std::uint8_t* row = m_rgba.data() + static_cast<std::size_t>(y) * m_codedWidth * 4;
                if (y < h) std::memcpy(row, flat.row(y), static_cast<std::size_t>(w) * 4);
                // An odd side is extended by one matte-coloured column or row.
                for (int x = y < h ? w : 0; x < m_codedWidth; ++x) std::memcpy(row + x * 4, matte.data(), 4);
            }
            scale();
            break;
        }
        case AnimatedExportFormat::prores:
            for (int y = 0; y < h; ++y)
                render::unpremultiplyRow(frame.row(y), m_rgba.data() + static_cast<std::size_t>(y) * w * 4, w);
            scale();
            break;
        case AnimatedExportFormat::webm: // WebmWriter
        case AnimatedExportFormat::apng: break;
        case AnimatedExportFormat::gif: {
            const render::Image flat = flattenOntoMatte(frame, m_settings.matte);
            m_mapper->map(flat, m_frame->data[0], m_frame->linesize[0]);
            auto* palette = reinterpret_cast<std::uint32_t*>(m_frame->data[1]);
            const auto& colors = m_mapper->palette();
            for (std::size_t i = 0; i < 256; ++i) {
                const PaletteColor c = i < colors.size() ? colors[i] : PaletteColor{0, 0, 0};
                palette[i] = 0xff000000u | (std::uint32_t{c[0]} << 16) | (std::uint32_t{c[1]} << 8) | c[2];
            }
            break;
        }
        }
    }

    void scale()
    {
        const std::uint8_t* source[1] = {m_rgba.data()};
        const int stride[1] = {m_codedWidth * 4};
        sws_scale(m_scaler.get(), source, stride, 0, m_codedHeight, m_frame->data, m_frame->linesize);
    }

    void drain()
    {
        for (;;) {
            const int received = avcodec_receive_packet(m_codec.get(), m_packet.get());
            if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) return;
            check(received, "cannot encode a frame");
            // Every frame lasts 1 / fps, the last one included, so players see the exact length.
            if (m_packet->duration <= 0) m_packet->duration = 1;
            av_packet_rescale_ts(m_packet.get(), m_codec->time_base, m_stream->time_base);
            m_packet->stream_index = m_stream->index;
            check(av_interleaved_write_frame(m_output.get(), m_packet.get()), "cannot write a frame");
        }
    }

    AnimationWriterSettings m_settings;
    int m_codedWidth = 0;
    int m_codedHeight = 0;
    std::unique_ptr<AVFormatContext, OutputContextDeleter> m_output;
    HeldTrailer m_heldTrailer; // after m_output: gives it back its own output before it closes
    std::string m_gifExtension;
    std::unique_ptr<AVCodecContext, CodecContextDeleter> m_codec;
    std::unique_ptr<AVFrame, FrameDeleter> m_frame;
    std::unique_ptr<AVPacket, PacketDeleter> m_packet;
    std::unique_ptr<SwsContext, ScalerDeleter> m_scaler;
    AVStream* m_stream = nullptr; // owned by m_output
    std::vector<std::uint8_t> m_rgba;
    std::optional<PaletteMapper> m_mapper;
    std::int64_t m_nextPts = 0;
    bool m_finished = false;
};

} // namespace

Result<Ok, ExportError> AnimationWriter::repeatFrame(int)
{
    return Error<ExportError>{ExportError::writeFailed, "this writer cannot repeat a frame"};
}

int finishingSteps(const AnimationWriterSettings& settings)
{
    return settings.format == AnimatedExportFormat::webm ? std::max(settings.frameCount, 0) : 0;
}

Result<std::unique_ptr<AnimationWriter>, ExportError> openAnimationWriter(OutputFile& output,
                                                                          const AnimationWriterSettings& settings)
{
    // The program keeps no log; encoder chatter would also break the command line's one-line errors.
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_QUIET); });
    if (settings.width < 1 || settings.height < 1 || settings.fps < 1)
        return Error<ExportError>{ExportError::renderFailed, "frames need a positive size and frame rate"};
    // MP4 and QuickTime write their index after the frames and seek back to place it.
    if ((settings.format == AnimatedExportFormat::mp4 || settings.format == AnimatedExportFormat::prores) &&
        output.isStream())
        return Error<ExportError>{ExportError::writeFailed,
                                  std::string(settings.format == AnimatedExportFormat::mp4 ? "an MP4 video" : "a ProRes video") +
                                      " cannot be written to " + output.displayPath() +
                                      ": it needs a regular file (WebM, GIF and animated PNG can be streamed)"};
    if (settings.format == AnimatedExportFormat::apng) return openApngWriter(output, settings);
    if (settings.format == AnimatedExportFormat::webm) return openWebmWriter(output, settings);
    try {
        return std::unique_ptr<AnimationWriter>(std::make_unique<FfmpegWriter>(output, settings));
    } catch (const Failure& failure) {
        return Error<ExportError>{failure.code, failure.message};
    } catch (const std::bad_alloc&) {
        return Error<ExportError>{ExportError::writeFailed, "out of memory"};
    }
}

} // namespace lumara::exporting

// The WebM writer. WebM keeps transparency as a second VP9 stream whose frames ride beside the
// colour frames as block additions. FFmpeg's libvpx-vp9 wrapper runs two libvpx encoders side by
// side for that, and each holds about 42 MB at 600 x 600 whatever its options (token buffers,
// reference frames, per-frame tables: measured with heaptrack; threads, tile columns, row-mt,
// cpu-used, realtime mode, auto-alt-ref, enable-tpl, arnr and aq-mode moved the peak by less than
// 1 MB, and lag-in-frames is already 0). With the editor's libraries (42 MB) and the render
// workers that made the export peak at 168-179 MB. So the encoders take turns instead: frames are
// encoded for colour as they arrive and their alpha planes wait, deflated, in an anonymous
// temporary file with the colour packets; finish() frees the colour encoder, encodes the alpha
// planes and writes each colour packet with its alpha packet. Same options, same stream layout
// as FFmpeg's wrapper, so decoders and browsers read it as before.
//
// While the colour pass runs, the caller converts each frame to YUV and deflates its alpha plane
// while an encoder thread of the writer's own encodes the frame before it for colour, with a ring
// of a few converted frames between them, so conversion, encoding and the export's render thread
// share the cores. The frames reach libvpx as references to the ring's buffers, not copies.
// A frame shown again later (a seamless loop's way back) keeps its colour planes deflated in the
// temporary file and its alpha plane's copy there, and repeatFrame() encodes it again from them,
// so it is neither drawn nor converted twice.
#include "export/media/WebmWriter.h"

#include "document/EmbeddedInMedia.h"
#include "export/media/FfmpegSupport.h"
#include "render/StraightAlpha.h"

extern "C" {
#include <libavutil/intreadwrite.h>
#include <libavutil/opt.h>
}

#include <libdeflate.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <new>
#include <optional>
#include <system_error>
#include <thread>

namespace lumara::exporting {

namespace {

using namespace ff;


struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
struct CompressorDeleter {
    void operator()(libdeflate_compressor* compressor) const { libdeflate_free_compressor(compressor); }
};
struct DecompressorDeleter {
    void operator()(libdeflate_decompressor* decompressor) const { libdeflate_free_decompressor(decompressor); }
};

// Where a packet or an alpha plane sits in the spill file.
struct Spilled {
    long long offset = 0;
    std::size_t size = 0;
    std::int64_t pts = 0;
    std::int64_t dts = 0;
    std::int64_t duration = 0;
    int flags = 0;
};

// Converted frames in flight between the caller and the encoder thread: one being converted,
// one being encoded, one waiting.
constexpr int kRingFrames = 3;

class WebmWriter final : public AnimationWriter {
public:
    WebmWriter(OutputFile& output, const AnimationWriterSettings& settings) : m_settings(settings)
    {
        m_spill.reset(require(std::tmpfile(), "cannot create a temporary file for the transparency"));
        m_compressor.reset(require(libdeflate_alloc_compressor(1), "out of memory"));
        openMuxer(output);
        // Two threads: the colour encoder is the longest chain of the first pass, and a second
        // thread shortens it by about a quarter for 7 MB.
        m_encoder = openEncoder(std::min(2, static_cast<int>(std::max(1u, std::thread::hardware_concurrency()))));
        writeHeader(output);
        openConversion();
        m_encoding = std::thread([this] { encodeColourFrames(); });
    }

    // Unfinished (a failure or a cancellation): the frames still queued are not encoded.
    ~WebmWriter() override
    {
        {
            const std::lock_guard lock(m_mutex);
            m_queued.clear();
        }
        stopEncoding();
    }

    Result<Ok, ExportError> writeFrame(const render::Image& frame) override
    {
        return guarded(m_finished, [&] {
            checkNextFrame(m_finished, m_settings.width, m_settings.height, frame);
            const int slot = takeFreeSlot();
            AVFrame* yuva = m_ring[static_cast<std::size_t>(slot)].get();
            // The encoder let go of the frame before handing the slot back; copying is only a safeguard.
            check(av_frame_make_writable(yuva), "out of memory");
            convert(frame, *yuva);
            const std::size_t position = m_alphaPlanes.size();
            spillAlphaPlane(*yuva);
            if (position < m_settings.repeatedLater.size() && m_settings.repeatedLater[position]) keepColour(*yuva, position);
            queue(slot, position);
        });
    }

    // The colour planes come back from the spill file and the alpha plane's spilled copy is
    // shared, so a repeated frame costs neither drawing nor converting.
    Result<Ok, ExportError> repeatFrame(int earlier) override
    {
        return guarded(m_finished, [&] {
            if (m_finished) throw Failure{ExportError::writeFailed, "the file is already complete"};
            const auto index = static_cast<std::size_t>(earlier);
            if (earlier < 0 || index >= m_kept.size() || !m_kept[index])
                throw Failure{ExportError::writeFailed, "frame " + std::to_string(earlier) + " was not kept for showing again"};
            const int slot = takeFreeSlot();
            AVFrame* yuva = m_ring[static_cast<std::size_t>(slot)].get();
            check(av_frame_make_writable(yuva), "out of memory");
            restoreColour(*m_kept[index], *yuva);
            const std::size_t position = m_alphaPlanes.size();
            m_alphaPlanes.push_back(m_alphaPlanes[index]);
            queue(slot, position);
        });
    }

    bool repeatsFrames() const override { return true; }

    Result<Ok, ExportError> finish() override
    {
        return guarded(m_finished, [&] {
            if (m_finished) return;
            m_finished = true;
            stopEncoding();
            if (m_encodingFailure) throw *m_encodingFailure;
            check(avcodec_send_frame(m_encoder.get(), nullptr), "cannot finish encoding");
            spillColourPackets();
            m_encoder.reset(); // before the alpha encoder starts: the point of the two passes
            for (auto& frame : m_ring) frame.reset();
            m_scaler.reset();
            m_rgba = {};
            encodeAlphaAndWrite();
            check(av_write_trailer(m_output.get()), "cannot complete the file");
            check(avio_closep(&m_output->pb), "cannot complete the file");
        });
    }

private:
    void openMuxer(const OutputFile& output)
    {
        m_url = outputUrl(output);
        m_output = allocateOutput("webm", m_url);
    }

    // A VP9 encoder for 4:2:0 frames, the colour's and the alpha's alike (libvpx-vp9 configures
    // its alpha encoder as a copy of the colour one), running libvpx's row threads on `threads`
    // threads; the stream is the same for any count.
    std::unique_ptr<AVCodecContext, CodecContextDeleter> openEncoder(int threads)
    {
        const AVCodec* codec = require(avcodec_find_encoder_by_name("libvpx-vp9"), "this FFmpeg has no libvpx-vp9 encoder");
        std::unique_ptr<AVCodecContext, CodecContextDeleter> encoder(require(avcodec_alloc_context3(codec), "out of memory"));
        encoder->width = m_settings.width;
        encoder->height = m_settings.height;
        encoder->pix_fmt = AV_PIX_FMT_YUV420P;
        encoder->time_base = AVRational{1, m_settings.fps};
        encoder->framerate = AVRational{m_settings.fps, 1};
        encoder->sample_aspect_ratio = AVRational{1, 1};
        encoder->thread_count = threads;
        tagBt709(*encoder);
        if (m_output->oformat->flags & AVFMT_GLOBALHEADER) encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        encoder->bit_rate = 0; // constant quality
        Dictionary options;
        options.set("crf", "32");
        options.set("deadline", "good");
        options.set("cpu-used", "5");
        options.set("row-mt", "1");
        // No look-ahead: alternate reference frames made these loops no smaller, each queued frame
        // costs memory, and without them every frame gives exactly one packet, which is how the
        // alpha packets are paired with the colour ones.
        options.set("lag-in-frames", "0");
        options.set("auto-alt-ref", "0");
        check(avcodec_open2(encoder.get(), codec, &options.entries), "cannot start libvpx-vp9");
        return encoder;
    }

    void writeHeader(const OutputFile& output)
    {
        m_stream = require(avformat_new_stream(m_output.get(), nullptr), "out of memory");
        m_stream->time_base = AVRational{1, m_settings.fps};
        m_stream->avg_frame_rate = AVRational{m_settings.fps, 1};
        check(avcodec_parameters_from_context(m_stream->codecpar, m_encoder.get()), "cannot describe the stream");
        // The muxer marks the track as carrying alpha (AlphaMode 1) for this pixel format.
        m_stream->codecpar->format = AV_PIX_FMT_YUVA420P;
        check(avio_open(&m_output->pb, m_url.c_str(), AVIO_FLAG_WRITE), "cannot write " + output.displayPath());
        // The design travels as a tag of the file.
        if (!m_settings.embeddedProject.empty())
            check(av_dict_set(&m_output->metadata, std::string(kVideoProjectTag).c_str(), m_settings.embeddedProject.c_str(), 0),
                  "cannot add the design");
        check(avformat_write_header(m_output.get(), nullptr), "cannot write the file header");
    }

    void openConversion()
    {
        const int w = m_settings.width, h = m_settings.height;
        for (int slot = 0; slot < kRingFrames; ++slot) {
            std::unique_ptr<AVFrame, FrameDeleter> frame(require(av_frame_alloc(), "out of memory"));
            frame->format = AV_PIX_FMT_YUVA420P;
            frame->width = w;
            frame->height = h;
            check(av_frame_get_buffer(frame.get(), 0), "out of memory");
            m_ring.push_back(std::move(frame));
            m_free.push_back(slot);
        }
        m_packet.reset(require(av_packet_alloc(), "out of memory"));
        m_scaler = rgbaScaler(w, h, AV_PIX_FMT_YUVA420P);
        m_rgba.resize(static_cast<std::size_t>(w) * h * 4);
        m_plane.resize(static_cast<std::size_t>(w) * h);
    }

    void convert(const render::Image& frame, AVFrame& yuva)
    {
        const int w = m_settings.width;
        for (int y = 0; y < m_settings.height; ++y)
            render::unpremultiplyRow(frame.row(y), m_rgba.data() + static_cast<std::size_t>(y) * w * 4, w);
        const std::uint8_t* source[1] = {m_rgba.data()};
        const int stride[1] = {w * 4};
        sws_scale(m_scaler.get(), source, stride, 0, m_settings.height, yuva.data, yuva.linesize);
    }

    // Hands a converted slot to the encoder thread as the frame at `position`.
    void queue(int slot, std::size_t position)
    {
        m_ring[static_cast<std::size_t>(slot)]->pts = static_cast<std::int64_t>(position);
        {
            const std::lock_guard lock(m_mutex);
            m_queued.push_back(slot);
        }
        m_changed.notify_all();
    }

    // Bytes of the three colour planes, packed.
    std::size_t colourBytes() const
    {
        const std::size_t w = static_cast<std::size_t>(m_settings.width), h = static_cast<std::size_t>(m_settings.height);
        return w * h + 2 * ((w + 1) / 2) * ((h + 1) / 2);
    }

    // Calls `rows(plane, row, bytes)` for each row of the colour planes in packed order.
    template <typename Rows>
    void forColourRows(Rows&& rows) const
    {
        for (int plane = 0; plane < 3; ++plane) {
            const int w = plane ? (m_settings.width + 1) / 2 : m_settings.width;
            const int h = plane ? (m_settings.height + 1) / 2 : m_settings.height;
            for (int y = 0; y < h; ++y) rows(plane, y, static_cast<std::size_t>(w));
        }
    }

    void keepColour(const AVFrame& yuva, std::size_t position)
    {
        m_colourPlanes.resize(colourBytes());
        std::uint8_t* out = m_colourPlanes.data();
        forColourRows([&](int plane, int y, std::size_t bytes) {
            std::memcpy(out, yuva.data[plane] + static_cast<std::ptrdiff_t>(y) * yuva.linesize[plane], bytes);
            out += bytes;
        });
        const std::size_t bound = libdeflate_zlib_compress_bound(m_compressor.get(), m_colourPlanes.size());
        if (m_deflated.size() < bound) m_deflated.resize(bound);
        const std::size_t size = libdeflate_zlib_compress(m_compressor.get(), m_colourPlanes.data(), m_colourPlanes.size(),
                                                          m_deflated.data(), m_deflated.size());
        if (size == 0) throw Failure{ExportError::writeFailed, "cannot compress a frame"};
        if (m_kept.size() <= position) m_kept.resize(position + 1);
        m_kept[position] = spill(m_deflated.data(), size);
    }

    void restoreColour(const Spilled& where, AVFrame& yuva)
    {
        if (m_deflated.size() < where.size) m_deflated.resize(where.size);
        unspill(where, m_deflated.data());
        m_colourPlanes.resize(colourBytes());
        inflate(m_deflated.data(), where.size, m_colourPlanes);
        const std::uint8_t* in = m_colourPlanes.data();
        forColourRows([&](int plane, int y, std::size_t bytes) {
            std::memcpy(yuva.data[plane] + static_cast<std::ptrdiff_t>(y) * yuva.linesize[plane], in, bytes);
            in += bytes;
        });
    }

    // Inflates exactly out.size() bytes.
    void inflate(const std::uint8_t* deflated, std::size_t size, std::vector<std::uint8_t>& out)
    {
        if (!m_inflater) m_inflater.reset(require(libdeflate_alloc_decompressor(), "out of memory"));
        std::size_t inflated = 0;
        if (libdeflate_zlib_decompress(m_inflater.get(), deflated, size, out.data(), out.size(), &inflated) != LIBDEFLATE_SUCCESS ||
            inflated != out.size())
            throw Failure{ExportError::writeFailed, "the temporary file was damaged"};
    }

    // A ring slot the encoder is done with; rethrows the encoder thread's failure.
    int takeFreeSlot()
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return !m_free.empty() || m_encodingFailure; });
        if (m_encodingFailure) throw *m_encodingFailure;
        const int slot = m_free.front();
        m_free.pop_front();
        return slot;
    }

    // The encoder thread: encodes the queued frames for colour in order, handing each slot back
    // once libvpx has read it, until stopEncoding() finds the queue empty, or a failure.
    void encodeColourFrames()
    {
        std::unique_ptr<AVFrame, FrameDeleter> colour(av_frame_alloc());
        for (;;) {
            int slot = -1;
            {
                std::unique_lock lock(m_mutex);
                m_changed.wait(lock, [&] { return !m_queued.empty() || m_stopping; });
                if (m_queued.empty()) return;
                slot = m_queued.front();
                m_queued.pop_front();
            }
            std::optional<Failure> failure;
            try {
                encodeColour(colour.get(), *m_ring[static_cast<std::size_t>(slot)]);
            } catch (const Failure& thrown) {
                failure = thrown;
            } catch (const std::bad_alloc&) {
                failure = Failure{ExportError::writeFailed, "out of memory"};
            }
            const bool failed = failure.has_value();
            {
                const std::lock_guard lock(m_mutex);
                m_free.push_back(slot);
                if (failed) m_encodingFailure = std::move(failure);
            }
            m_changed.notify_all();
            if (failed) return;
        }
    }

    // Sends the first three planes of `yuva` to the colour encoder as a reference to its buffers
    // (a frame without buffers would be copied) and spills the packets that come out.
    void encodeColour(AVFrame* colour, const AVFrame& yuva)
    {
        require(colour, "out of memory");
        colour->format = AV_PIX_FMT_YUV420P;
        colour->width = yuva.width;
        colour->height = yuva.height;
        tagBt709(*colour);
        for (int plane = 0; plane < 3; ++plane) {
            colour->data[plane] = yuva.data[plane];
            colour->linesize[plane] = yuva.linesize[plane];
        }
        for (std::size_t i = 0; i < std::size(yuva.buf) && yuva.buf[i]; ++i)
            colour->buf[i] = require(av_buffer_ref(yuva.buf[i]), "out of memory");
        colour->pts = yuva.pts;
        const int sent = avcodec_send_frame(m_encoder.get(), colour);
        av_frame_unref(colour);
        check(sent, "cannot encode a frame");
        spillColourPackets();
    }

    void stopEncoding()
    {
        if (!m_encoding.joinable()) return;
        {
            const std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_changed.notify_all();
        m_encoding.join();
    }

    // Appends to the spill file; the caller's alpha planes and the encoder's packets share it.
    Spilled spill(const std::uint8_t* data, std::size_t size)
    {
        const std::lock_guard lock(m_spillMutex);
        Spilled where;
        where.offset = m_spillEnd;
        where.size = size;
        if (std::fseek(m_spill.get(), static_cast<long>(m_spillEnd), SEEK_SET) != 0 ||
            std::fwrite(data, 1, size, m_spill.get()) != size)
            throw Failure{ExportError::writeFailed, "cannot write the temporary file (is the disk full?)"};
        m_spillEnd += static_cast<long long>(size);
        return where;
    }

    void unspill(const Spilled& where, std::uint8_t* out)
    {
        const std::lock_guard lock(m_spillMutex);
        if (std::fseek(m_spill.get(), static_cast<long>(where.offset), SEEK_SET) != 0 ||
            std::fread(out, 1, where.size, m_spill.get()) != where.size)
            throw Failure{ExportError::writeFailed, "cannot read back the temporary file"};
    }

    void spillAlphaPlane(const AVFrame& yuva)
    {
        const int w = m_settings.width, h = m_settings.height;
        for (int y = 0; y < h; ++y)
            std::memcpy(m_plane.data() + static_cast<std::size_t>(y) * w, yuva.data[3] + static_cast<std::ptrdiff_t>(y) * yuva.linesize[3],
                        static_cast<std::size_t>(w));
        const std::size_t bound = libdeflate_zlib_compress_bound(m_compressor.get(), m_plane.size());
        if (m_deflated.size() < bound) m_deflated.resize(bound);
        const std::size_t size =
            libdeflate_zlib_compress(m_compressor.get(), m_plane.data(), m_plane.size(), m_deflated.data(), m_deflated.size());
        if (size == 0) throw Failure{ExportError::writeFailed, "cannot compress the transparency"};
        m_alphaPlanes.push_back(spill(m_deflated.data(), size));
    }

    void spillColourPackets()
    {
        for (;;) {
            const int received = avcodec_receive_packet(m_encoder.get(), m_packet.get());
            if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) return;
            check(received, "cannot encode a frame");
            Spilled where = spill(m_packet->data, static_cast<std::size_t>(m_packet->size));
            where.pts = m_packet->pts;
            where.dts = m_packet->dts;
            where.duration = m_packet->duration > 0 ? m_packet->duration : 1; // the last frame lasts 1 / fps too
            where.flags = m_packet->flags;
            m_colourPackets.push_back(where);
            av_packet_unref(m_packet.get());
        }
    }

    void encodeAlphaAndWrite()
    {
        // One thread: the alpha planes encode quickly, and a second thread made them slower.
        m_encoder = openEncoder(1);
        std::unique_ptr<AVFrame, FrameDeleter> alpha(require(av_frame_alloc(), "out of memory"));
        alpha->format = AV_PIX_FMT_YUV420P;
        alpha->width = m_settings.width;
        alpha->height = m_settings.height;
        check(av_frame_get_buffer(alpha.get(), 0), "out of memory");
        // Alpha rides in the luma plane; the chroma planes stay neutral, as libvpx-vp9 leaves them.
        for (int plane = 1; plane < 3; ++plane)
            std::memset(alpha->data[plane], 0x80, static_cast<std::size_t>(alpha->linesize[plane]) * ((m_settings.height + 1) / 2));
        const int w = m_settings.width;
        for (std::size_t i = 0; i < m_alphaPlanes.size(); ++i) {
            if (m_deflated.size() < m_alphaPlanes[i].size) m_deflated.resize(m_alphaPlanes[i].size);
            unspill(m_alphaPlanes[i], m_deflated.data());
            inflate(m_deflated.data(), m_alphaPlanes[i].size, m_plane);
            check(av_frame_make_writable(alpha.get()), "out of memory");
            for (int y = 0; y < m_settings.height; ++y)
                std::memcpy(alpha->data[0] + static_cast<std::ptrdiff_t>(y) * alpha->linesize[0],
                            m_plane.data() + static_cast<std::size_t>(y) * w, static_cast<std::size_t>(w));
            alpha->pts = static_cast<std::int64_t>(i);
            check(avcodec_send_frame(m_encoder.get(), alpha.get()), "cannot encode the transparency");
            writePairedPackets();
            if (m_settings.finishProgress && !m_settings.finishProgress(static_cast<int>(i) + 1))
                throw Failure{ExportError::cancelled, "cancelled"};
        }
        check(avcodec_send_frame(m_encoder.get(), nullptr), "cannot finish encoding the transparency");
        writePairedPackets();
        if (m_written != m_colourPackets.size())
            throw Failure{ExportError::writeFailed, "the colour and transparency streams came out of step"};
    }

    // Writes the next colour packet with each alpha packet the encoder gives, in order.
    void writePairedPackets()
    {
        for (;;) {
            const int received = avcodec_receive_packet(m_encoder.get(), m_packet.get());
            if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) return;
            check(received, "cannot encode the transparency");
            if (m_written >= m_colourPackets.size())
                throw Failure{ExportError::writeFailed, "the colour and transparency streams came out of step"};
            const Spilled& colour = m_colourPackets[m_written++];
            std::unique_ptr<AVPacket, PacketDeleter> out(require(av_packet_alloc(), "out of memory"));
            check(av_new_packet(out.get(), static_cast<int>(colour.size)), "out of memory");
            unspill(colour, out->data);
            out->pts = colour.pts;
            out->dts = colour.dts;
            out->duration = colour.duration;
            out->flags = colour.flags;
            // A block addition with id 1 holds the alpha frame, as WebM readers expect.
            std::uint8_t* side = require(
                av_packet_new_side_data(out.get(), AV_PKT_DATA_MATROSKA_BLOCKADDITIONAL, static_cast<std::size_t>(m_packet->size) + 8),
                "out of memory");
            AV_WB64(side, 1);
            std::memcpy(side + 8, m_packet->data, static_cast<std::size_t>(m_packet->size));
            av_packet_unref(m_packet.get());
            av_packet_rescale_ts(out.get(), AVRational{1, m_settings.fps}, m_stream->time_base);
            out->stream_index = m_stream->index;
            check(av_interleaved_write_frame(m_output.get(), out.get()), "cannot write a frame");
        }
    }

    AnimationWriterSettings m_settings;
    std::string m_url;
    std::unique_ptr<std::FILE, FileCloser> m_spill;
    std::mutex m_spillMutex; // guards the spill file and m_spillEnd
    long long m_spillEnd = 0;
    std::unique_ptr<libdeflate_compressor, CompressorDeleter> m_compressor;
    std::unique_ptr<AVFormatContext, OutputContextDeleter> m_output;
    // The colour encoder belongs to the encoder thread until stopEncoding(); then the alpha encoder.
    std::unique_ptr<AVCodecContext, CodecContextDeleter> m_encoder;
    std::vector<std::unique_ptr<AVFrame, FrameDeleter>> m_ring; // converted frames, alpha in plane 3
    std::unique_ptr<AVPacket, PacketDeleter> m_packet; // the encoder's
    std::unique_ptr<SwsContext, ScalerDeleter> m_scaler;
    AVStream* m_stream = nullptr; // owned by m_output
    std::vector<std::uint8_t> m_rgba;
    std::vector<std::uint8_t> m_plane;    // one alpha plane, packed
    std::vector<std::uint8_t> m_deflated; // one alpha plane or colour frame, compressed
    std::vector<std::uint8_t> m_colourPlanes; // one frame's colour planes, packed
    std::unique_ptr<libdeflate_decompressor, DecompressorDeleter> m_inflater;
    std::vector<std::optional<Spilled>> m_kept; // per position: its colour planes, if shown again
    std::vector<Spilled> m_alphaPlanes;
    std::vector<Spilled> m_colourPackets; // the encoder thread's until it stops
    std::size_t m_written = 0; // colour packets written with their alpha
    bool m_finished = false;

    // Hand-over between the caller and the encoder thread.
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<int> m_free;   // ring slots the caller may fill
    std::deque<int> m_queued; // ring slots waiting for the encoder, in order
    bool m_stopping = false;
    std::optional<Failure> m_encodingFailure;
    std::thread m_encoding; // last: started once everything above exists
};

} // namespace

Result<std::unique_ptr<AnimationWriter>, ExportError> openWebmWriter(OutputFile& output,
                                                                     const AnimationWriterSettings& settings)
{
    try {
        return std::unique_ptr<AnimationWriter>(std::make_unique<WebmWriter>(output, settings));
    } catch (const Failure& failure) {
        return Error<ExportError>{failure.code, failure.message};
    } catch (const std::bad_alloc&) {
        return Error<ExportError>{ExportError::writeFailed, "out of memory"};
    } catch (const std::system_error& error) {
        return Error<ExportError>{ExportError::writeFailed, std::string("cannot start the encoder thread: ") + error.what()};
    }
}

} // namespace lumara::exporting

#include "imaging/AviFrameReader.h"

#include <cstring>
#include <memory>
#include <vector>

extern "C" {
#include <libavutil/imgutils.h>
}

#include "imaging/LibavHandles.h"

namespace vorla {
namespace {

using libav::FormatPtr;

// A packet budget: a file whose first video frame does not decode within this many packets is
// treated as unreadable rather than read to its end.
constexpr int kMaxPacketsForFirstFrame = 4096;

FormatPtr OpenMovie(const std::string& path) {
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) return nullptr;
    FormatPtr context(raw);
    if (avformat_find_stream_info(context.get(), nullptr) < 0) return nullptr;
    return context;
}

bool ConvertToDib(const AVFrame& frame, std::uint64_t maxPixels, CDib& out) {
    const int width = frame.width;
    const int height = frame.height;
    if (width <= 0 || height <= 0) return false;
    if (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) > maxPixels)
        return false;
    libav::ScalerPtr scaler(sws_getContext(width, height, static_cast<AVPixelFormat>(frame.format),
                                           width, height, AV_PIX_FMT_BGR24, SWS_BILINEAR, nullptr,
                                           nullptr, nullptr));
    if (!scaler) return false;
    CDib dib;
    dib.Create(width, height, 24);
    // swscale writes top-down rows; a negative stride starting at the last stored row turns
    // them into the bitmap's bottom-up order without a copy.
    std::uint8_t* destination[4] = {dib.Row(0), nullptr, nullptr, nullptr};
    int destinationStride[4] = {dib.TopDown() ? dib.Stride() : -dib.Stride(), 0, 0, 0};
    if (sws_scale(scaler.get(), frame.data, frame.linesize, 0, height, destination,
                  destinationStride) != height)
        return false;
    out = std::move(dib);
    return true;
}

}  // namespace

void AviFrameReader::SilenceLogging() {
    av_log_set_level(AV_LOG_QUIET);
}

ImagingResult AviFrameReader::FrameSize(const std::string& path, std::int32_t& width,
                                        std::int32_t& height) {
    FormatPtr format = OpenMovie(path);
    if (!format) return ImagingResult::Failed;
    int stream = av_find_best_stream(format.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (stream < 0) return ImagingResult::Failed;
    const AVCodecParameters* parameters = format->streams[stream]->codecpar;
    if (parameters->width <= 0 || parameters->height <= 0) return ImagingResult::Failed;
    width = parameters->width;
    height = parameters->height;
    return ImagingResult::Ok;
}

ImagingResult AviFrameReader::ReadFirstFrame(const std::string& path, std::uint64_t maxPixels,
                                             CDib& out) {
    FormatPtr format = OpenMovie(path);
    if (!format) return ImagingResult::Failed;
    const AVCodec* codec = nullptr;
    int stream = av_find_best_stream(format.get(), AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    if (stream < 0 || codec == nullptr) return ImagingResult::Failed;
    const AVCodecParameters* parameters = format->streams[stream]->codecpar;
    if (parameters->width <= 0 || parameters->height <= 0 ||
        static_cast<std::uint64_t>(parameters->width) *
                static_cast<std::uint64_t>(parameters->height) >
            maxPixels)
        return ImagingResult::Failed;

    libav::CodecPtr decoder(avcodec_alloc_context3(codec));
    if (!decoder || avcodec_parameters_to_context(decoder.get(), parameters) < 0 ||
        avcodec_open2(decoder.get(), codec, nullptr) < 0)
        return ImagingResult::Failed;
    libav::FramePtr frame(av_frame_alloc());
    libav::PacketPtr packet(av_packet_alloc());
    if (!frame || !packet) return ImagingResult::Failed;

    bool draining = false;
    for (int packets = 0; packets < kMaxPacketsForFirstFrame;) {
        if (!draining) {
            int read = av_read_frame(format.get(), packet.get());
            if (read < 0) {
                draining = true;
                avcodec_send_packet(decoder.get(), nullptr);
            } else {
                ++packets;
                bool ours = packet->stream_index == stream;
                int sent = ours ? avcodec_send_packet(decoder.get(), packet.get()) : 0;
                av_packet_unref(packet.get());
                if (!ours) continue;
                if (sent < 0 && sent != AVERROR(EAGAIN)) continue;  // a damaged packet
            }
        }
        int received = avcodec_receive_frame(decoder.get(), frame.get());
        if (received == 0)
            return ConvertToDib(*frame, maxPixels, out) ? ImagingResult::Ok : ImagingResult::Failed;
        if (received == AVERROR_EOF || (draining && received != AVERROR(EAGAIN))) break;
        if (draining && received == AVERROR(EAGAIN)) break;
    }
    return ImagingResult::Failed;
}

}  // namespace vorla

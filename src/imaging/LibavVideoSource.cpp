#include "imaging/LibavVideoSource.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <memory>
#include <string_view>

extern "C" {
#include <libavutil/display.h>
}

#include "imaging/LibavHandles.h"

namespace vorla {
namespace {

// The longest clip taken as real; a larger duration is a damaged header.
constexpr double kMaxDuration = 1e6;
// A frame rate above this is a damaged header, not a clip.
constexpr double kMaxFrameRate = 1000;
// What a picture is taken to last when the clip gives no rate (seconds).
constexpr double kStepWithoutRate = 0.1;
constexpr int kIoBufferSize = 4096;
// A picture this little after a requested time still counts as at it: containers keep times in
// units as coarse as a millisecond, rounded to the nearest (seconds).
constexpr double kTimeSlack = 6e-4;

using libav::FramePtr;

// Bytes in memory as a libav input.
struct MemoryReader {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    std::size_t position = 0;
};

int ReadMemory(void* opaque, std::uint8_t* buffer, int wanted) {
    auto& reader = *static_cast<MemoryReader*>(opaque);
    const std::size_t left = reader.size - reader.position;
    if (left == 0 || wanted <= 0) return AVERROR_EOF;
    const std::size_t count = std::min(left, static_cast<std::size_t>(wanted));
    std::memcpy(buffer, reader.data + reader.position, count);
    reader.position += count;
    return static_cast<int>(count);
}

std::int64_t SeekMemory(void* opaque, std::int64_t offset, int whence) {
    auto& reader = *static_cast<MemoryReader*>(opaque);
    const auto size = static_cast<std::int64_t>(reader.size);
    if (whence == AVSEEK_SIZE) return size;
    std::int64_t target = offset;
    switch (whence & ~AVSEEK_FORCE) {
        case SEEK_SET: break;
        case SEEK_CUR: target += static_cast<std::int64_t>(reader.position); break;
        case SEEK_END: target += size; break;
        default: return -1;
    }
    if (target < 0 || target > size) return -1;
    reader.position = static_cast<std::size_t>(target);
    return target;
}

// Demuxers that read one still picture (or text drawn as one) rather than a clip.
bool IsStillPicture(const AVInputFormat& format) {
    const std::string_view name = format.name != nullptr ? format.name : "";
    return name == "image2" || name == "tty" || name.ends_with("_pipe");
}

// Clockwise degrees that turn the stored picture upright, as ffmpeg's own players read the
// display matrix; an angle that is not a quarter turn is left alone, as they leave it.
int RotationOf(const AVStream& stream) {
    const std::uint8_t* matrix =
        av_stream_get_side_data(&stream, AV_PKT_DATA_DISPLAYMATRIX, nullptr);
    if (matrix == nullptr) return 0;
    const double angle = -av_display_rotation_get(reinterpret_cast<const std::int32_t*>(matrix));
    if (!std::isfinite(angle)) return 0;
    const long quarter = std::lround(angle / 90);
    if (std::abs(angle - 90.0 * static_cast<double>(quarter)) > 2) return 0;
    return static_cast<int>(((quarter % 4) + 4) % 4) * 90;
}

// Whether the first bytes name a container libav knows, though it could not be opened: a clip
// cut short or damaged, rather than some other kind of file.
bool LooksLikeContainer(const std::uint8_t* data, std::size_t size, const std::string& path) {
    constexpr std::size_t kProbeBytes = 4096;
    // The prober reads a little past the end of what it is given: zeros, as it expects.
    std::vector<std::uint8_t> head(kProbeBytes + AV_INPUT_BUFFER_PADDING_SIZE, 0);
    std::size_t count = 0;
    if (data != nullptr) {
        count = std::min(size, kProbeBytes);
        std::memcpy(head.data(), data, count);
    } else {
        std::ifstream file(path, std::ios::binary);
        file.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(kProbeBytes));
        count = static_cast<std::size_t>(std::max<std::streamsize>(0, file.gcount()));
    }
    AVProbeData probe{};
    probe.buf = head.data();
    probe.buf_size = static_cast<int>(count);
    probe.filename = "";
    int score = 0;
    const AVInputFormat* format = av_probe_input_format3(&probe, 1, &score);
    // Above the score a file's name alone earns: the bytes themselves say which container.
    return format != nullptr && score > AVPROBE_SCORE_EXTENSION && !IsStillPicture(*format);
}

bool ValidRate(AVRational rate) {
    return rate.num > 0 && rate.den > 0 && av_q2d(rate) <= kMaxFrameRate;
}

// Turns a picture of width x height (3 bytes a pixel) clockwise by rotation degrees into out.
void Rotate(const std::uint8_t* in, int width, int height, int rotation, std::uint8_t* out) {
    const int outWidth = rotation == 180 ? width : height;
    const int outHeight = rotation == 180 ? height : width;
    for (int y = 0; y < outHeight; ++y) {
        for (int x = 0; x < outWidth; ++x) {
            int sx = 0, sy = 0;
            if (rotation == 90) {  // the top row becomes the right column
                sx = y;
                sy = height - 1 - x;
            } else if (rotation == 270) {
                sx = width - 1 - y;
                sy = x;
            } else {
                sx = width - 1 - x;
                sy = height - 1 - y;
            }
            std::memcpy(out + 3 * (static_cast<std::size_t>(y) * outWidth + x),
                        in + 3 * (static_cast<std::size_t>(sy) * width + sx), 3);
        }
    }
}

}  // namespace

struct LibavVideoSource::Input {
    MemoryReader memory;
    AVIOContext* io = nullptr;
    AVFormatContext* format = nullptr;
    int stream = -1;
    const AVCodec* codec = nullptr;

    Input() = default;
    Input(const Input&) = delete;
    Input& operator=(const Input&) = delete;
    ~Input() {
        // The container does not own a reader it was given.
        if (format != nullptr) avformat_close_input(&format);
        if (io != nullptr) {
            av_freep(&io->buffer);
            avio_context_free(&io);
        }
    }
};

LibavVideoSource::LibavVideoSource(std::uint64_t maxPixels) : maxPixels_(maxPixels) {}

VideoFault LibavVideoSource::OpenInput(Input& input) const {
    AVFormatContext* format = avformat_alloc_context();
    if (format == nullptr) return VideoFault::NotVideo;
    if (data_ != nullptr) {
        input.memory = MemoryReader{data_, size_, 0};
        auto* buffer = static_cast<std::uint8_t*>(av_malloc(kIoBufferSize));
        input.io = buffer == nullptr ? nullptr
                                     : avio_alloc_context(buffer, kIoBufferSize, 0, &input.memory,
                                                          ReadMemory, nullptr, SeekMemory);
        if (input.io == nullptr) {
            av_free(buffer);
            avformat_free_context(format);
            return VideoFault::NotVideo;
        }
        format->pb = input.io;
    }
    // On failure the call frees the context itself.
    if (avformat_open_input(&format, data_ != nullptr ? nullptr : path_.c_str(), nullptr, nullptr) <
        0) {
        return LooksLikeContainer(data_, size_, path_) ? VideoFault::Damaged : VideoFault::NotVideo;
    }
    input.format = format;
    if (avformat_find_stream_info(format, nullptr) < 0 || IsStillPicture(*format->iformat)) {
        return VideoFault::NotVideo;
    }
    // A cover picture in a sound file is a video stream of one attached picture: not video.
    int chosen = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (chosen >= 0 && (format->streams[chosen]->disposition & AV_DISPOSITION_ATTACHED_PIC)) {
        chosen = -1;
        for (unsigned i = 0; i < format->nb_streams; ++i) {
            const AVStream& stream = *format->streams[i];
            if (stream.codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
                !(stream.disposition & AV_DISPOSITION_ATTACHED_PIC)) {
                chosen = static_cast<int>(i);
                break;
            }
        }
    }
    if (chosen < 0) return VideoFault::NoVideoStream;
    input.stream = chosen;
    input.codec = avcodec_find_decoder(format->streams[chosen]->codecpar->codec_id);
    if (input.codec == nullptr) return VideoFault::Unsupported;
    return VideoFault::None;
}

VideoFault LibavVideoSource::Inspect(Input& input, VideoInfo& info) const {
    const AVStream& stream = *input.format->streams[input.stream];
    const AVCodecParameters& parameters = *stream.codecpar;
    if (parameters.width <= 0 || parameters.height <= 0) return VideoFault::Damaged;
    if (static_cast<std::uint64_t>(parameters.width) *
            static_cast<std::uint64_t>(parameters.height) >
        maxPixels_) {
        return VideoFault::TooLarge;
    }
    // Anamorphic pixels: the picture is shown wider (or narrower) than it is stored.
    double width = parameters.width;
    const AVRational aspect =
        av_guess_sample_aspect_ratio(input.format, const_cast<AVStream*>(&stream), nullptr);
    if (aspect.num > 0 && aspect.den > 0) width = width * aspect.num / aspect.den;
    if (!(width < kMaxVideoSide + 0.5) || parameters.height > kMaxVideoSide) {
        return VideoFault::TooLarge;
    }
    info.rotation = RotationOf(stream);
    info.width = std::max(1, static_cast<int>(std::lround(width)));
    info.height = parameters.height;
    if (info.rotation == 90 || info.rotation == 270) std::swap(info.width, info.height);

    double duration = 0;
    if (stream.duration != AV_NOPTS_VALUE && stream.duration > 0) {
        duration = static_cast<double>(stream.duration) * av_q2d(stream.time_base);
    } else if (input.format->duration != AV_NOPTS_VALUE && input.format->duration > 0) {
        duration = static_cast<double>(input.format->duration) / AV_TIME_BASE;
    }
    if (!(duration > 0) || !(duration <= kMaxDuration)) return VideoFault::UnknownTiming;
    info.duration = duration;
    AVRational rate =
        ValidRate(stream.avg_frame_rate) ? stream.avg_frame_rate : stream.r_frame_rate;
    if (!ValidRate(rate)) rate = AVRational{0, 0};
    info.rateNumerator = rate.num;
    info.rateDenominator = rate.den;
    return VideoFault::None;
}

VideoFault LibavVideoSource::Open(const std::string& path, VideoInfo& info) {
    path_ = path;
    data_ = nullptr;
    size_ = 0;
    return OpenSource(info);
}

VideoFault LibavVideoSource::OpenBytes(const std::uint8_t* data, std::size_t size,
                                       VideoInfo& info) {
    path_.clear();
    data_ = data;
    size_ = size;
    if (data == nullptr) {
        opened_ = false;
        return VideoFault::NotVideo;
    }
    return OpenSource(info);
}

VideoFault LibavVideoSource::OpenSource(VideoInfo& info) {
    Input input;
    VideoFault fault = OpenInput(input);
    if (fault == VideoFault::None) fault = Inspect(input, info);
    opened_ = fault == VideoFault::None;
    if (opened_) info_ = info;
    return fault;
}

VideoFault LibavVideoSource::Decode(const std::vector<double>& times, int width, int height,
                                    const VideoFrameSink& sink) {
    if (!opened_ || width <= 0 || height <= 0 || width > kMaxVideoSide || height > kMaxVideoSide) {
        return VideoFault::NotVideo;
    }
    if (times.empty()) return VideoFault::None;
    Input input;
    if (const VideoFault fault = OpenInput(input); fault != VideoFault::None) return fault;
    AVFormatContext* format = input.format;
    AVStream& stream = *format->streams[input.stream];
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        if (static_cast<int>(i) != input.stream) format->streams[i]->discard = AVDISCARD_ALL;
    }
    // Clip times count from the container's start, as ffmpeg counts them.
    double origin = 0;
    if (format->start_time != AV_NOPTS_VALUE) {
        origin = static_cast<double>(format->start_time) / AV_TIME_BASE;
    } else if (stream.start_time != AV_NOPTS_VALUE) {
        origin = static_cast<double>(stream.start_time) * av_q2d(stream.time_base);
    }
    if (times.front() > 0) {
        // To the key frame at or before the first time; a failed seek reads from the start.
        const auto target = static_cast<std::int64_t>((times.front() + origin) * AV_TIME_BASE);
        av_seek_frame(format, -1, target, AVSEEK_FLAG_BACKWARD);
    }

    libav::CodecPtr decoder(avcodec_alloc_context3(input.codec));
    if (!decoder || avcodec_parameters_to_context(decoder.get(), stream.codecpar) < 0) {
        return VideoFault::Unsupported;
    }
    // Files use every core; bytes in memory come from the fuzz target, kept on one thread.
    decoder->thread_count = data_ != nullptr ? 1 : 0;
    if (avcodec_open2(decoder.get(), input.codec, nullptr) < 0) return VideoFault::Unsupported;
    FramePtr frame(av_frame_alloc());
    FramePtr candidate(av_frame_alloc());
    libav::PacketPtr packet(av_packet_alloc());
    if (!frame || !candidate || !packet) return VideoFault::Damaged;

    const int rotation = info_.rotation;
    const bool turned = rotation == 90 || rotation == 270;
    const int scaledWidth = turned ? height : width;
    const int scaledHeight = turned ? width : height;
    const std::size_t bytes =
        3 * static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    std::vector<std::uint8_t> scaled(bytes);
    // The scaler writes planar G, B, R: the same values as packed RGB with these flags (planar
    // output always interpolates chroma in full), several times faster, since swscale's packed
    // path with full chroma is plain C. The planes are interleaved after.
    const std::size_t planeBytes =
        static_cast<std::size_t>(scaledWidth) * static_cast<std::size_t>(scaledHeight);
    std::vector<std::uint8_t> planar(3 * planeBytes);
    std::vector<std::uint8_t> upright(rotation != 0 ? bytes : 0);
    libav::ScalerPtr scaler;
    const double step = info_.FrameRate() > 0 ? 1 / info_.FrameRate() : kStepWithoutRate;

    bool haveCandidate = false;
    bool candidateReady = false;  // `upright` (or `scaled`) holds the candidate
    double candidateTime = 0;
    std::size_t next = 0;
    bool cancelled = false;

    // The candidate in RGB at the asked size, made once however many times it is delivered.
    auto convert = [&]() {
        const AVFrame& f = *candidate;
        // The cached context is reused while the picture's size and format stay the same.
        scaler.reset(sws_getCachedContext(
            scaler.release(), f.width, f.height, static_cast<AVPixelFormat>(f.format), scaledWidth,
            scaledHeight, AV_PIX_FMT_GBRP, SWS_LANCZOS | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT,
            nullptr, nullptr, nullptr));
        if (!scaler) return false;
        // The picture's own colour matrix and range, as ffmpeg's scaler reads them.
        if (f.colorspace != AVCOL_SPC_UNSPECIFIED || f.color_range == AVCOL_RANGE_JPEG) {
            int* inTable = nullptr;
            int* outTable = nullptr;
            int inFull = 0, outFull = 0, brightness = 0, contrast = 0, saturation = 0;
            if (sws_getColorspaceDetails(scaler.get(), &inTable, &inFull, &outTable, &outFull,
                                         &brightness, &contrast, &saturation) >= 0) {
                const int space =
                    f.colorspace == AVCOL_SPC_UNSPECIFIED ? SWS_CS_DEFAULT : f.colorspace;
                sws_setColorspaceDetails(scaler.get(), sws_getCoefficients(space),
                                         f.color_range == AVCOL_RANGE_JPEG ? 1 : inFull, outTable,
                                         outFull, brightness, contrast, saturation);
            }
        }
        std::uint8_t* planes[4] = {planar.data(), planar.data() + planeBytes,
                                   planar.data() + 2 * planeBytes, nullptr};
        int strides[4] = {scaledWidth, scaledWidth, scaledWidth, 0};
        if (sws_scale(scaler.get(), f.data, f.linesize, 0, f.height, planes, strides) !=
            scaledHeight) {
            return false;
        }
        const std::uint8_t* green = planes[0];
        const std::uint8_t* blue = planes[1];
        const std::uint8_t* red = planes[2];
        for (std::size_t p = 0; p < planeBytes; ++p) {
            scaled[3 * p] = red[p];
            scaled[3 * p + 1] = green[p];
            scaled[3 * p + 2] = blue[p];
        }
        if (rotation != 0)
            Rotate(scaled.data(), scaledWidth, scaledHeight, rotation, upright.data());
        return true;
    };
    // Delivers the candidate for every time before `until`.
    auto deliverBefore = [&](double until) {
        while (!cancelled && next < times.size() && times[next] + kTimeSlack < until) {
            if (!candidateReady) {
                if (!convert()) {
                    // A picture the scaler refuses is skipped; the next one serves.
                    haveCandidate = false;
                    return;
                }
                candidateReady = true;
            }
            const std::uint8_t* rgb = rotation != 0 ? upright.data() : scaled.data();
            if (!sink(static_cast<int>(next), rgb)) cancelled = true;
            ++next;
        }
    };
    auto take = [&](AVFrame& decoded) {
        const bool usable = decoded.width > 0 && decoded.height > 0 &&
                            static_cast<std::uint64_t>(decoded.width) *
                                    static_cast<std::uint64_t>(decoded.height) <=
                                maxPixels_ &&
                            decoded.format >= 0 &&
                            sws_isSupportedInput(static_cast<AVPixelFormat>(decoded.format)) > 0;
        std::int64_t stamp = decoded.best_effort_timestamp;
        if (stamp == AV_NOPTS_VALUE) stamp = decoded.pts;
        double time = stamp != AV_NOPTS_VALUE
                          ? static_cast<double>(stamp) * av_q2d(stream.time_base) - origin
                          : (haveCandidate ? candidateTime + step : 0);
        if (!std::isfinite(time)) time = haveCandidate ? candidateTime + step : 0;
        if (!usable) {
            av_frame_unref(&decoded);
            return;
        }
        if (haveCandidate) deliverBefore(time);
        av_frame_unref(candidate.get());
        av_frame_move_ref(candidate.get(), &decoded);
        haveCandidate = true;
        candidateReady = false;
        candidateTime = time;
    };
    auto receiveAll = [&]() {
        while (!cancelled && next < times.size()) {
            const int received = avcodec_receive_frame(decoder.get(), frame.get());
            if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) return;
            if (received < 0) return;  // a damaged picture: go on with the next packet
            take(*frame);
        }
    };

    while (!cancelled && next < times.size()) {
        const int read = av_read_frame(format, packet.get());
        if (read < 0) break;  // the end, or bytes that cannot be read further
        if (packet->stream_index == input.stream) {
            // A damaged packet is passed over; what decodes after it still counts.
            avcodec_send_packet(decoder.get(), packet.get());
            receiveAll();
        }
        av_packet_unref(packet.get());
    }
    if (!cancelled && next < times.size()) {
        avcodec_send_packet(decoder.get(), nullptr);
        receiveAll();
        // The last picture lasts its own frame, and a little more for a clip whose declared
        // length runs past it.
        if (haveCandidate) deliverBefore(candidateTime + 2 * step);
    }
    if (cancelled) return VideoFault::Cancelled;
    if (next == times.size()) return VideoFault::None;
    return next == 0 ? VideoFault::Damaged : VideoFault::EndedEarly;
}

}  // namespace vorla

#include "app/video/video_encoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

std::string libraryError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The container FFmpeg writes for each kind; the temporary name has no
// telling extension, so the container is named.
const char* containerOf(VideoKind kind) {
    switch (kind) {
        case VideoKind::mp4:
            return "mp4";
        case VideoKind::webm:
            return "webm";
        case VideoKind::gif:
            return "gif";
    }
    return "mp4";
}

const AVCodec* findEncoder(VideoKind kind) {
    switch (kind) {
        case VideoKind::mp4: {
            const AVCodec* x264 = avcodec_find_encoder_by_name("libx264");
            return x264 ? x264 : avcodec_find_encoder(AV_CODEC_ID_H264);
        }
        case VideoKind::webm: {
            const AVCodec* vpx = avcodec_find_encoder_by_name("libvpx-vp9");
            return vpx ? vpx : avcodec_find_encoder(AV_CODEC_ID_VP9);
        }
        case VideoKind::gif:
            return avcodec_find_encoder(AV_CODEC_ID_GIF);
    }
    return nullptr;
}

// The temporary file beside the final one: ".NAME.XXXXXX" in its folder,
// made (empty) so that the folder is known to be writable.
bool makeTemporaryFile(const std::string& path, std::string& temporary, std::string& error) {
    size_t slash = path.find_last_of('/');
    std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    temporary = folder + "." + name + ".XXXXXX";
    int descriptor = mkstemp(temporary.data());
    if (descriptor < 0) {
        error = std::strerror(errno);
        return false;
    }
    // mkstemp makes it private; the clip gets the usual permissions.
    mode_t mask = umask(0);
    umask(mask);
    fchmod(descriptor, 0666 & ~mask);
    close(descriptor);
    return true;
}

// Frames are scaled and converted to this before the encoder (or, for a
// GIF, before the palette filters).
AVPixelFormat scaledFormat(VideoKind kind) { return kind == VideoKind::gif ? AV_PIX_FMT_RGB24 : AV_PIX_FMT_YUV420P; }

}  // namespace

std::optional<VideoKind> videoKindOf(const std::string& path) {
    size_t dot = path.find_last_of('.');
    size_t slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::nullopt;
    std::string extension = lowerCase(path.substr(dot));
    if (extension == ".mp4") return VideoKind::mp4;
    if (extension == ".webm") return VideoKind::webm;
    if (extension == ".gif") return VideoKind::gif;
    return std::nullopt;
}

struct VideoEncoder::State {
    VideoRequest request;
    VideoKind kind = VideoKind::mp4;
    std::string temporary;
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    AVStream* stream = nullptr;
    SwsContext* scaler = nullptr;
    AVFrame* scaled = nullptr;
    AVPacket* packet = nullptr;
    // GIF: split -> palettegen -> paletteuse, which holds every frame until
    // the palette of the whole clip is known at the end.
    AVFilterGraph* graph = nullptr;
    AVFilterContext* source = nullptr;
    AVFilterContext* sink = nullptr;
    AVFrame* filtered = nullptr;

    ~State() {
        avfilter_graph_free(&graph);
        av_frame_free(&filtered);
        av_frame_free(&scaled);
        av_packet_free(&packet);
        sws_freeContext(scaler);
        avcodec_free_context(&codec);
        if (format) {
            if (format->pb) avio_closep(&format->pb);
            avformat_free_context(format);
        }
    }

    bool openCodec(std::string& error);
    bool openFilters(std::string& error);
    bool openFile(std::string& error);
    bool encode(AVFrame* frame, std::string& error);
    bool filterAndEncode(AVFrame* frame, std::string& error);
    bool scale(const FrameImage& image, std::string& error);
};

bool VideoEncoder::State::openCodec(std::string& error) {
    const AVCodec* encoder = findEncoder(kind);
    if (!encoder) {
        error = "this FFmpeg has no encoder for it";
        return false;
    }
    codec = avcodec_alloc_context3(encoder);
    codec->width = request.width;
    codec->height = request.height;
    codec->time_base = AVRational{1, videoFramesPerSecond};
    codec->framerate = AVRational{videoFramesPerSecond, 1};
    codec->sample_aspect_ratio = AVRational{1, 1};
    codec->pix_fmt = kind == VideoKind::gif ? AV_PIX_FMT_PAL8 : AV_PIX_FMT_YUV420P;
    // A key frame a second, so a player can seek in a long clip.
    codec->gop_size = videoFramesPerSecond;
    if (format->oformat->flags & AVFMT_GLOBALHEADER) codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* options = nullptr;
    if (kind == VideoKind::mp4) {
        // Thin lines on flat colours: a low constant-quality factor keeps
        // edges clean; a window recording trades size for speed.
        av_dict_set(&options, "preset", request.realTime ? "ultrafast" : "veryfast", 0);
        av_dict_set(&options, "crf", "20", 0);
    } else if (kind == VideoKind::webm) {
        av_dict_set(&options, "crf", "32", 0);
        av_dict_set(&options, "b", "0", 0);
        av_dict_set(&options, "deadline", request.realTime ? "realtime" : "good", 0);
        av_dict_set(&options, "cpu-used", request.realTime ? "8" : "5", 0);
        av_dict_set(&options, "row-mt", "1", 0);
    }
    int result = avcodec_open2(codec, encoder, &options);
    av_dict_free(&options);
    if (result < 0) {
        error = std::string("the ") + encoder->name + " encoder refuses " + std::to_string(request.width) + "x" +
                std::to_string(request.height) + " (" + libraryError(result) + ")";
        return false;
    }
    return true;
}

bool VideoEncoder::State::openFilters(std::string& error) {
    graph = avfilter_graph_alloc();
    char arguments[160];
    std::snprintf(arguments, sizeof arguments, "video_size=%dx%d:pix_fmt=%d:time_base=1/%d:pixel_aspect=1/1",
                  request.width, request.height, static_cast<int>(AV_PIX_FMT_RGB24), videoFramesPerSecond);
    int result = avfilter_graph_create_filter(&source, avfilter_get_by_name("buffer"), "in", arguments, nullptr, graph);
    if (result >= 0)
        result =
            avfilter_graph_create_filter(&sink, avfilter_get_by_name("buffersink"), "out", nullptr, nullptr, graph);
    if (result >= 0) {
        AVFilterInOut* outputs = avfilter_inout_alloc();
        AVFilterInOut* inputs = avfilter_inout_alloc();
        outputs->name = av_strdup("in");
        outputs->filter_ctx = source;
        inputs->name = av_strdup("out");
        inputs->filter_ctx = sink;
        // One palette for the whole clip; the error diffusion hides the
        // banding of gradients and anti-aliased edges.
        result = avfilter_graph_parse_ptr(graph,
                                          "split[a][b];[a]palettegen=stats_mode=full[p];"
                                          "[b][p]paletteuse=dither=sierra2_4a",
                                          &inputs, &outputs, nullptr);
        avfilter_inout_free(&inputs);
        avfilter_inout_free(&outputs);
    }
    if (result >= 0) result = avfilter_graph_config(graph, nullptr);
    if (result < 0) {
        error = "the GIF palette filters cannot start (" + libraryError(result) + ")";
        return false;
    }
    filtered = av_frame_alloc();
    return true;
}

bool VideoEncoder::State::openFile(std::string& error) {
    stream = avformat_new_stream(format, nullptr);
    stream->time_base = codec->time_base;
    stream->avg_frame_rate = codec->framerate;
    avcodec_parameters_from_context(stream->codecpar, codec);
    int result = avio_open(&format->pb, temporary.c_str(), AVIO_FLAG_WRITE);
    if (result >= 0) result = avformat_write_header(format, nullptr);
    if (result < 0) {
        error = libraryError(result);
        return false;
    }
    return true;
}

// Sends a frame (null: the end) and writes every packet that comes out.
bool VideoEncoder::State::encode(AVFrame* frame, std::string& error) {
    int result = avcodec_send_frame(codec, frame);
    while (result >= 0) {
        result = avcodec_receive_packet(codec, packet);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return true;
        if (result < 0) break;
        av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
        packet->stream_index = stream->index;
        result = av_interleaved_write_frame(format, packet);
        if (result >= 0 && format->pb->error < 0) result = format->pb->error;
    }
    error = libraryError(result);
    return false;
}

// GIF frames pass the palette filters first (null: the end of the clip).
bool VideoEncoder::State::filterAndEncode(AVFrame* frame, std::string& error) {
    int result = av_buffersrc_add_frame_flags(source, frame, AV_BUFFERSRC_FLAG_KEEP_REF);
    while (result >= 0) {
        result = av_buffersink_get_frame(sink, filtered);
        if (result == AVERROR(EAGAIN)) return true;
        if (result == AVERROR_EOF) return encode(nullptr, error);
        if (result < 0) break;
        bool encoded = encode(filtered, error);
        av_frame_unref(filtered);
        if (!encoded) return false;
    }
    error = libraryError(result);
    return false;
}

// To the clip's size and the encoder's pixels; GL's bottom-up rows are
// read from the last with a negative stride, which turns the image over.
bool VideoEncoder::State::scale(const FrameImage& image, std::string& error) {
    size_t expected = static_cast<size_t>(image.width) * static_cast<size_t>(std::max(image.height, 0)) * 3;
    if (image.width <= 0 || image.height <= 0 || image.rgb.size() != expected) {
        error = "a frame read back from the window is empty";
        return false;
    }
    scaler = sws_getCachedContext(scaler, image.width, image.height, AV_PIX_FMT_RGB24, request.width, request.height,
                                  scaledFormat(kind), SWS_BICUBIC, nullptr, nullptr, nullptr);
    if (!scaler || av_frame_make_writable(scaled) < 0) {
        error = "the frame cannot be scaled";
        return false;
    }
    int stride = image.width * 3;
    const uint8_t* lastRow = image.rgb.data() + static_cast<size_t>(image.height - 1) * static_cast<size_t>(stride);
    const uint8_t* sourceRows[4] = {lastRow, nullptr, nullptr, nullptr};
    const int sourceStrides[4] = {-stride, 0, 0, 0};
    sws_scale(scaler, sourceRows, sourceStrides, 0, image.height, scaled->data, scaled->linesize);
    return true;
}

VideoEncoder::VideoEncoder() = default;

VideoEncoder::~VideoEncoder() { abandon(); }

bool VideoEncoder::open(const VideoRequest& request, std::string& error) {
    abandon();
    // The libraries' own reports would be lines of their own; each failure
    // is told once, in the program's words, with the library's reason.
    av_log_set_level(AV_LOG_QUIET);
    std::optional<VideoKind> kind = videoKindOf(request.path);
    if (!kind) {
        error = "unknown extension (known: .mp4, .webm, .gif)";
        return false;
    }
    if (request.width <= 0 || request.height <= 0) {
        error = "no frame size";
        return false;
    }
    // H.264 and VP9 store colour at half size: libx264 refuses odd sizes
    // with no reason given, so the reason is given here.
    if (*kind != VideoKind::gif && (request.width % 2 != 0 || request.height % 2 != 0)) {
        error = "H.264 and VP9 need an even width and height, not " + std::to_string(request.width) + "x" +
                std::to_string(request.height);
        return false;
    }
    state_ = std::make_unique<State>();
    State& state = *state_;
    state.request = request;
    state.kind = *kind;
    state.packet = av_packet_alloc();
    state.scaled = av_frame_alloc();
    state.scaled->format = scaledFormat(*kind);
    state.scaled->width = request.width;
    state.scaled->height = request.height;
    framesAdded_ = 0;
    if (av_frame_get_buffer(state.scaled, 0) < 0) {
        error = "out of memory";
        state_.reset();
        return false;
    }
    if (!makeTemporaryFile(request.path, state.temporary, error)) {
        state_.reset();
        return false;
    }
    bool opened =
        avformat_alloc_output_context2(&state.format, nullptr, containerOf(*kind), state.temporary.c_str()) >= 0 &&
        state.openCodec(error) && (*kind != VideoKind::gif || state.openFilters(error)) && state.openFile(error);
    if (!opened) abandon();
    return opened;
}

bool VideoEncoder::addFrame(const FrameImage& image, std::string& error) {
    if (!state_) {
        error = "no clip is open";
        return false;
    }
    State& state = *state_;
    size_t frameBytes = static_cast<size_t>(state.request.width) * static_cast<size_t>(state.request.height) * 3;
    if (state.kind == VideoKind::gif && frameBytes * static_cast<size_t>(framesAdded_ + 1) > gifHeldBytesLimit) {
        error = "a GIF holds its frames until the end, and " + std::to_string(framesAdded_ + 1) +
                " frames of this size pass 2 GiB (a smaller --video-size, fewer frames, or .mp4)";
        return false;
    }
    if (!state.scale(image, error)) return false;
    state.scaled->pts = framesAdded_;
    bool added =
        state.kind == VideoKind::gif ? state.filterAndEncode(state.scaled, error) : state.encode(state.scaled, error);
    if (added) framesAdded_ += 1;
    return added;
}

bool VideoEncoder::finish(std::string& error) {
    if (!state_) {
        error = "no clip is open";
        return false;
    }
    State& state = *state_;
    if (framesAdded_ == 0) {
        error = "no frame was drawn";
        abandon();
        return false;
    }
    bool flushed = state.kind == VideoKind::gif ? state.filterAndEncode(nullptr, error) : state.encode(nullptr, error);
    if (flushed) {
        int result = av_write_trailer(state.format);
        if (result >= 0 && state.format->pb->error < 0) result = state.format->pb->error;
        // The last bytes reach the file only as it closes: a full disk may
        // say so only here.
        int closed = avio_closep(&state.format->pb);
        if (result >= 0) result = closed;
        flushed = result >= 0;
        if (!flushed) error = libraryError(result);
    }
    if (flushed && std::rename(state.temporary.c_str(), state.request.path.c_str()) != 0) {
        error = std::strerror(errno);
        flushed = false;
    }
    if (!flushed) {
        abandon();
        return false;
    }
    state_.reset();
    return true;
}

void VideoEncoder::abandon() {
    if (!state_) return;
    std::string temporary = state_->temporary;
    state_.reset();
    if (!temporary.empty()) std::remove(temporary.c_str());
}

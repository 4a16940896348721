#include "video_encoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <functional>
#include <string_view>

namespace video {

namespace {

constexpr int IoBufferBytes = 1 << 16;
constexpr int Channels = 2;
// A key frame every two seconds, so a player can seek.
constexpr int KeyFrameSeconds = 2;
constexpr std::int64_t AacBitRate = 192'000;
constexpr std::int64_t OpusBitRate = 128'000;

struct Choice
{
    std::array<const char*, 2> names;  // tried first, in order
    AVCodecID fallback;                // then any encoder of this codec
};

// One encoder option: which encoder it is for, its name and value.
struct EncoderOption
{
    std::string_view encoder;
    const char* key;
    const char* value;
};
// The picture changes a little each step and stands still between: fast
// presets lose almost nothing on it, and keep the export well ahead of the sound.
constexpr EncoderOption EncoderOptions[] = {
    {"libx264", "preset", "ultrafast"}, {"libx264", "crf", "20"},
    {"libvpx-vp9", "deadline", "realtime"}, {"libvpx-vp9", "cpu-used", "8"}, {"libvpx-vp9", "row-mt", "1"},
    {"libvpx-vp9", "crf", "32"}, {"libvpx-vp9", "b", "0"}, {"libvpx-vp9", "lag-in-frames", "0"},
    {"libvpx-vp9", "tile-columns", "2"},
};

std::string ErrorText(int error)
{
    std::array<char, AV_ERROR_MAX_STRING_SIZE> text{};
    av_strerror(error, text.data(), text.size());
    return text.data();
}

const AVCodec* FindEncoder(const Choice& choice)
{
    for (const char* name : choice.names) {
        if (name != nullptr)
            if (const AVCodec* codec = avcodec_find_encoder_by_name(name))
                return codec;
    }
    return avcodec_find_encoder(choice.fallback);
}

std::string Tried(const Choice& choice)
{
    std::string names;
    for (const char* name : choice.names)
        if (name != nullptr)
            names += std::string(names.empty() ? "" : ", ") + name;
    return names + ", any " + avcodec_get_name(choice.fallback) + " encoder";
}

// Writing and seeking on the descriptor for the muxer.
#if LIBAVFORMAT_VERSION_MAJOR >= 61
int WritePacket(void* opaque, const std::uint8_t* data, int size)
#else
int WritePacket(void* opaque, std::uint8_t* data, int size)
#endif
{
    const int descriptor = *static_cast<int*>(opaque);
    for (int done = 0; done < size;) {
        const ssize_t written = ::write(descriptor, data + done, static_cast<std::size_t>(size - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return AVERROR(written < 0 ? errno : EIO);
        done += static_cast<int>(written);
    }
    return size;
}

std::int64_t Seek(void* opaque, std::int64_t offset, int whence)
{
    const int descriptor = *static_cast<int*>(opaque);
    if (whence & AVSEEK_SIZE) {
        struct stat status{};
        return ::fstat(descriptor, &status) == 0 ? status.st_size : AVERROR(errno);
    }
    const off_t at = ::lseek(descriptor, offset, whence & ~AVSEEK_FORCE);
    return at < 0 ? AVERROR(errno) : at;
}

} // namespace

std::optional<Container> ContainerFor(const std::filesystem::path& target)
{
    std::string extension = target.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == ".mp4" || extension == ".m4v")
        return Container::Mp4;
    if (extension == ".webm")
        return Container::WebM;
    return std::nullopt;
}

struct VideoEncoder::Parts
{
    int descriptor = -1;
    Settings settings;
    AVFormatContext* format = nullptr;
    AVIOContext* io = nullptr;
    AVCodecContext* video = nullptr;
    AVCodecContext* audio = nullptr;
    AVStream* videoStream = nullptr;
    AVStream* audioStream = nullptr;
    SwsContext* scaler = nullptr;
    SwrContext* resampler = nullptr;
    AVAudioFifo* fifo = nullptr;
    AVFrame* picture = nullptr;
    AVFrame* sound = nullptr;
    AVPacket* packet = nullptr;
    std::int64_t framesSent = 0;
    std::int64_t samplesSent = 0;

    ~Parts()
    {
        av_packet_free(&packet);
        av_frame_free(&sound);
        av_frame_free(&picture);
        av_audio_fifo_free(fifo);
        swr_free(&resampler);
        sws_freeContext(scaler);
        avcodec_free_context(&audio);
        avcodec_free_context(&video);
        if (io)
            av_freep(&io->buffer);
        avio_context_free(&io);
        avformat_free_context(format);
    }

    // Every packet the encoder has ready, into the file.
    EncoderOutcome Drain(AVCodecContext* codec, AVStream* stream)
    {
        for (;;) {
            const int received = avcodec_receive_packet(codec, packet);
            if (received == AVERROR(EAGAIN) || received == AVERROR_EOF)
                return {};
            if (received < 0)
                return {EncoderFault::EncodingFailed, ErrorText(received)};
            av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
            packet->stream_index = stream->index;
            if (const int written = av_interleaved_write_frame(format, packet); written < 0)
                return {EncoderFault::WriteFailed, ErrorText(written)};
        }
    }

    EncoderOutcome Send(AVCodecContext* codec, AVStream* stream, const AVFrame* frame)
    {
        if (const int sent = avcodec_send_frame(codec, frame); sent < 0)
            return {EncoderFault::EncodingFailed, ErrorText(sent)};
        return Drain(codec, stream);
    }

    // Whole encoder frames of sound from the queue; with last, the rest too.
    EncoderOutcome SendSound(bool last)
    {
        const int size = audio->frame_size > 0 ? audio->frame_size : 1024;
        while (av_audio_fifo_size(fifo) >= size || (last && av_audio_fifo_size(fifo) > 0)) {
            const int count = std::min(size, av_audio_fifo_size(fifo));
            av_frame_unref(sound);
            sound->format = audio->sample_fmt;
            sound->sample_rate = audio->sample_rate;
            av_channel_layout_copy(&sound->ch_layout, &audio->ch_layout);
            // A short last frame is padded with silence where the encoder needs whole ones.
            const bool shortAllowed = audio->codec->capabilities
                                      & (AV_CODEC_CAP_SMALL_LAST_FRAME | AV_CODEC_CAP_VARIABLE_FRAME_SIZE);
            sound->nb_samples = shortAllowed ? count : size;
            if (const int made = av_frame_get_buffer(sound, 0); made < 0)
                return {EncoderFault::EncodingFailed, ErrorText(made)};
            av_samples_set_silence(sound->extended_data, 0, sound->nb_samples, Channels, audio->sample_fmt);
            av_audio_fifo_read(fifo, reinterpret_cast<void**>(sound->extended_data), count);
            sound->pts = samplesSent;
            samplesSent += sound->nb_samples;
            if (EncoderOutcome sent = Send(audio, audioStream, sound); sent.fault != EncoderFault::None)
                return sent;
        }
        return {};
    }

    // The converted sound into the queue; without samples, what the resampler still holds.
    EncoderOutcome Queue(const float* samples, int frames)
    {
        const int room = swr_get_out_samples(resampler, frames);
        if (room <= 0)
            return {};
        std::uint8_t** converted = nullptr;
        if (const int made = av_samples_alloc_array_and_samples(&converted, nullptr, Channels, room, audio->sample_fmt, 0);
            made < 0)
            return {EncoderFault::EncodingFailed, ErrorText(made)};
        const auto* in = reinterpret_cast<const std::uint8_t*>(samples);
        const int got = swr_convert(resampler, converted, room, samples ? &in : nullptr, frames);
        EncoderOutcome outcome;
        if (got < 0)
            outcome = {EncoderFault::EncodingFailed, ErrorText(got)};
        else if (got > 0 && av_audio_fifo_write(fifo, reinterpret_cast<void**>(converted), got) < got)
            outcome = {EncoderFault::EncodingFailed, "the sound queue is full"};
        av_freep(&converted[0]);
        av_freep(&converted);
        return outcome;
    }
};

VideoEncoder::VideoEncoder(std::unique_ptr<Parts> parts) : parts_(std::move(parts)) {}
VideoEncoder::~VideoEncoder() = default;

std::string VideoEncoder::VideoEncoderName() const
{
    return parts_->video->codec->name;
}

std::string VideoEncoder::AudioEncoderName() const
{
    return parts_->audio->codec->name;
}

namespace {

// The sample format the encoder takes, floats where it can.
AVSampleFormat SampleFormatFor(const AVCodec* codec)
{
    if (!codec->sample_fmts)
        return AV_SAMPLE_FMT_FLTP;
    for (const AVSampleFormat wanted : {AV_SAMPLE_FMT_FLTP, AV_SAMPLE_FMT_FLT})
        for (const AVSampleFormat* f = codec->sample_fmts; *f != AV_SAMPLE_FMT_NONE; ++f)
            if (*f == wanted)
                return wanted;
    return codec->sample_fmts[0];
}

// The sound's own rate where the encoder takes it (AAC), else the nearest
// above it (Opus takes 48 kHz).
int SampleRateFor(const AVCodec* codec, int rate)
{
    if (!codec->supported_samplerates)
        return rate;
    int above = 0;
    int highest = 0;
    for (const int* r = codec->supported_samplerates; *r != 0; ++r) {
        if (*r == rate)
            return rate;
        if (*r > rate && (above == 0 || *r < above))
            above = *r;
        highest = std::max(highest, *r);
    }
    return above != 0 ? above : highest;
}

} // namespace

std::unique_ptr<VideoEncoder> VideoEncoder::Open(int descriptor, const Settings& settings, EncoderOutcome& outcome)
{
    const bool mp4 = settings.container == Container::Mp4;
    const Choice videoChoice = mp4 ? Choice{{"libx264", nullptr}, AV_CODEC_ID_H264}
                                   : Choice{{"libvpx-vp9", nullptr}, AV_CODEC_ID_VP9};
    const Choice audioChoice = mp4 ? Choice{{"aac", nullptr}, AV_CODEC_ID_AAC}
                                   : Choice{{"libopus", "opus"}, AV_CODEC_ID_OPUS};
    const AVCodec* videoCodec = FindEncoder(videoChoice);
    if (!videoCodec) {
        outcome = {EncoderFault::NoVideoEncoder, Tried(videoChoice)};
        return nullptr;
    }
    const AVCodec* audioCodec = FindEncoder(audioChoice);
    if (!audioCodec) {
        outcome = {EncoderFault::NoAudioEncoder, Tried(audioChoice)};
        return nullptr;
    }
    auto parts = std::make_unique<Parts>();
    Parts& p = *parts;
    p.descriptor = descriptor;
    p.settings = settings;
    const auto refused = [&](int error) {
        outcome = {EncoderFault::Refused, ErrorText(error)};
        return nullptr;
    };
    int result = avformat_alloc_output_context2(&p.format, nullptr, mp4 ? "mp4" : "webm", nullptr);
    if (result < 0)
        return refused(result);
    auto* buffer = static_cast<unsigned char*>(av_malloc(IoBufferBytes));
    p.io = avio_alloc_context(buffer, IoBufferBytes, 1, &p.descriptor, nullptr, WritePacket, Seek);
    if (!p.io) {
        av_free(buffer);
        return refused(AVERROR(ENOMEM));
    }
    p.format->pb = p.io;
    p.format->flags |= AVFMT_FLAG_CUSTOM_IO;
    // Frames may all come before the sound: the muxer holds them until it
    // can interleave the two, rather than write a run of frames alone.
    p.format->max_interleave_delta = 0;
    const bool globalHeader = p.format->oformat->flags & AVFMT_GLOBALHEADER;

    p.video = avcodec_alloc_context3(videoCodec);
    p.video->width = p.video->height = settings.side;
    p.video->time_base = {1, settings.framesPerSecond};
    p.video->framerate = {settings.framesPerSecond, 1};
    p.video->pix_fmt = AV_PIX_FMT_YUV420P;
    p.video->gop_size = KeyFrameSeconds * settings.framesPerSecond;
    // As many threads as cores.
    p.video->thread_count = 0;
    // Limited-range BT.709, as players assume for pictures this size.
    p.video->colorspace = AVCOL_SPC_BT709;
    p.video->color_primaries = AVCOL_PRI_BT709;
    p.video->color_trc = AVCOL_TRC_BT709;
    p.video->color_range = AVCOL_RANGE_MPEG;
    if (globalHeader)
        p.video->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* options = nullptr;
    for (const EncoderOption& option : EncoderOptions)
        if (option.encoder == videoCodec->name)
            av_dict_set(&options, option.key, option.value, 0);
    result = avcodec_open2(p.video, videoCodec, &options);
    av_dict_free(&options);
    if (result < 0)
        return refused(result);

    p.audio = avcodec_alloc_context3(audioCodec);
    p.audio->sample_fmt = SampleFormatFor(audioCodec);
    p.audio->sample_rate = SampleRateFor(audioCodec, settings.sampleRate);
    av_channel_layout_default(&p.audio->ch_layout, Channels);
    p.audio->bit_rate = mp4 ? AacBitRate : OpusBitRate;
    p.audio->time_base = {1, p.audio->sample_rate};
    // FFmpeg's own Opus encoder counts as experimental.
    p.audio->strict_std_compliance = FF_COMPLIANCE_EXPERIMENTAL;
    if (globalHeader)
        p.audio->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if ((result = avcodec_open2(p.audio, audioCodec, nullptr)) < 0)
        return refused(result);

    p.videoStream = avformat_new_stream(p.format, nullptr);
    p.audioStream = avformat_new_stream(p.format, nullptr);
    if (!p.videoStream || !p.audioStream)
        return refused(AVERROR(ENOMEM));
    avcodec_parameters_from_context(p.videoStream->codecpar, p.video);
    p.videoStream->time_base = p.video->time_base;
    p.videoStream->avg_frame_rate = p.video->framerate;
    avcodec_parameters_from_context(p.audioStream->codecpar, p.audio);
    p.audioStream->time_base = p.audio->time_base;

    AVChannelLayout stereo{};
    av_channel_layout_default(&stereo, Channels);
    result = swr_alloc_set_opts2(&p.resampler, &p.audio->ch_layout, p.audio->sample_fmt, p.audio->sample_rate, &stereo,
                                 AV_SAMPLE_FMT_FLT, settings.sampleRate, 0, nullptr);
    if (result < 0 || (result = swr_init(p.resampler)) < 0)
        return refused(result);
    p.fifo = av_audio_fifo_alloc(p.audio->sample_fmt, Channels, std::max(p.audio->frame_size, 1024) * 4);
    p.scaler = sws_getContext(settings.side, settings.side, AV_PIX_FMT_RGB0, settings.side, settings.side,
                              AV_PIX_FMT_YUV420P, SWS_POINT, nullptr, nullptr, nullptr);
    p.picture = av_frame_alloc();
    p.sound = av_frame_alloc();
    p.packet = av_packet_alloc();
    if (!p.fifo || !p.scaler || !p.picture || !p.sound || !p.packet)
        return refused(AVERROR(ENOMEM));
    // Full-range RGB in, limited-range BT.709 out, as tagged above.
    sws_setColorspaceDetails(p.scaler, sws_getCoefficients(SWS_CS_ITU709), 1, sws_getCoefficients(SWS_CS_ITU709), 0,
                             0, 1 << 16, 1 << 16);
    p.picture->format = AV_PIX_FMT_YUV420P;
    p.picture->width = p.picture->height = settings.side;
    if ((result = av_frame_get_buffer(p.picture, 0)) < 0)
        return refused(result);
    if ((result = avformat_write_header(p.format, nullptr)) < 0) {
        outcome = {EncoderFault::WriteFailed, ErrorText(result)};
        return nullptr;
    }
    outcome = {};
    return std::unique_ptr<VideoEncoder>(new VideoEncoder(std::move(parts)));
}

EncoderOutcome VideoEncoder::AddFrame(const std::vector<Pixel>& frame, bool unchanged)
{
    Parts& p = *parts_;
    if (!unchanged || p.framesSent == 0) {
        // The encoder may still hold the frame before: it gets a copy of its own.
        if (const int writable = av_frame_make_writable(p.picture); writable < 0)
            return {EncoderFault::EncodingFailed, ErrorText(writable)};
        const auto* rgb = reinterpret_cast<const std::uint8_t*>(frame.data());
        const int stride = p.settings.side * static_cast<int>(sizeof(Pixel));
        sws_scale(p.scaler, &rgb, &stride, 0, p.settings.side, p.picture->data, p.picture->linesize);
    }
    p.picture->pts = p.framesSent++;
    return p.Send(p.video, p.videoStream, p.picture);
}

EncoderOutcome VideoEncoder::AddSound(const float* samples, std::size_t frames)
{
    Parts& p = *parts_;
    if (EncoderOutcome queued = p.Queue(samples, static_cast<int>(frames)); queued.fault != EncoderFault::None)
        return queued;
    return p.SendSound(false);
}

EncoderOutcome VideoEncoder::Finish()
{
    Parts& p = *parts_;
    // What the resampler and the queue still hold, then the encoders' own delay.
    const std::array<std::function<EncoderOutcome()>, 4> steps{
        [&] { return p.Queue(nullptr, 0); }, [&] { return p.SendSound(true); },
        [&] { return p.Send(p.audio, p.audioStream, nullptr); }, [&] { return p.Send(p.video, p.videoStream, nullptr); }};
    for (const auto& step : steps) {
        if (EncoderOutcome done = step(); done.fault != EncoderFault::None)
            return done;
    }
    if (const int written = av_write_trailer(p.format); written < 0)
        return {EncoderFault::WriteFailed, ErrorText(written)};
    avio_flush(p.io);
    if (p.io->error < 0)
        return {EncoderFault::WriteFailed, ErrorText(p.io->error)};
    return {};
}

} // namespace video

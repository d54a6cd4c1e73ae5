#include "audio/Mixer.h"
#include "audio/OutputStream.h"

#include "common/SoundConstants.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <cstring>

namespace vorel {

namespace {

// What the stream asks the server to queue ahead of what is heard: short enough to play along,
// long enough that a busy machine does not starve the server.
constexpr pa_usec_t queueUsec = 50'000;
// The server asks for more once this much has been played.
constexpr pa_usec_t requestUsec = 10'000;

class PulseStream final : public OutputStream {
  public:
    ~PulseStream() override {
        if (loop_ == nullptr)
            return;
        pa_threaded_mainloop_lock(loop_);
        if (stream_ != nullptr) {
            pa_stream_set_write_callback(stream_, nullptr, nullptr);
            pa_stream_set_state_callback(stream_, nullptr, nullptr);
            pa_stream_disconnect(stream_);
            pa_stream_unref(stream_);
        }
        if (context_ != nullptr) {
            pa_context_set_state_callback(context_, nullptr, nullptr);
            pa_context_disconnect(context_);
            pa_context_unref(context_);
        }
        pa_threaded_mainloop_unlock(loop_);
        pa_threaded_mainloop_stop(loop_);
        pa_threaded_mainloop_free(loop_);
    }

    bool open(const std::string& name, std::string& why) {
        loop_ = pa_threaded_mainloop_new();
        if (loop_ == nullptr) {
            why = "the PulseAudio main loop could not be made";
            return false;
        }
        context_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), name.c_str());
        pa_context_set_state_callback(context_, &PulseStream::contextState, this);
        if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 ||
            pa_threaded_mainloop_start(loop_) < 0) {
            why = std::string("no PulseAudio server answers: ") +
                  pa_strerror(pa_context_errno(context_));
            return false;
        }
        pa_threaded_mainloop_lock(loop_);
        const bool ready = waitForContext(why) && connectStream(why);
        pa_threaded_mainloop_unlock(loop_);
        return ready;
    }

    double rate() const override { return sampleRate; }
    std::size_t blockFrames() const override { return blockFrames_; }
    std::size_t queuedFrames() const override { return queuedFrames_; }
    bool hasMidiPort() const override { return false; }

  private:
    // With the main loop locked.
    bool waitForContext(std::string& why) {
        for (;;) {
            const pa_context_state_t state = pa_context_get_state(context_);
            if (state == PA_CONTEXT_READY)
                return true;
            if (!PA_CONTEXT_IS_GOOD(state)) {
                why = std::string("no PulseAudio server answers: ") +
                      pa_strerror(pa_context_errno(context_));
                return false;
            }
            pa_threaded_mainloop_wait(loop_);
        }
    }

    // With the main loop locked.
    bool connectStream(std::string& why) {
        const pa_sample_spec format{PA_SAMPLE_FLOAT32NE, sampleRate, 1};
        stream_ = pa_stream_new(context_, "Vorel", &format, nullptr);
        if (stream_ == nullptr) {
            why = pa_strerror(pa_context_errno(context_));
            return false;
        }
        pa_buffer_attr attributes{};
        attributes.maxlength = static_cast<std::uint32_t>(-1);
        attributes.tlength = static_cast<std::uint32_t>(pa_usec_to_bytes(queueUsec, &format));
        attributes.prebuf = static_cast<std::uint32_t>(-1);
        attributes.minreq = static_cast<std::uint32_t>(pa_usec_to_bytes(requestUsec, &format));
        attributes.fragsize = static_cast<std::uint32_t>(-1);
        pa_stream_set_state_callback(stream_, &PulseStream::streamState, this);
        pa_stream_set_write_callback(stream_, &PulseStream::write, this);
        const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY);
        if (pa_stream_connect_playback(stream_, nullptr, &attributes, flags, nullptr, nullptr) <
            0) {
            why = pa_strerror(pa_context_errno(context_));
            return false;
        }
        for (;;) {
            const pa_stream_state_t state = pa_stream_get_state(stream_);
            if (state == PA_STREAM_READY)
                break;
            if (!PA_STREAM_IS_GOOD(state)) {
                why = std::string("the PulseAudio stream failed: ") +
                      pa_strerror(pa_context_errno(context_));
                return false;
            }
            pa_threaded_mainloop_wait(loop_);
        }
        if (const pa_buffer_attr* got = pa_stream_get_buffer_attr(stream_)) {
            queuedFrames_ = got->tlength / sizeof(float);
            blockFrames_ = got->minreq / sizeof(float);
        }
        return true;
    }

    // The main loop's thread: the audio callback.
    static void write(pa_stream* stream, std::size_t bytes, void* arg) {
        auto* self = static_cast<PulseStream*>(arg);
        Mixer* mixer = self->mixer_.load(std::memory_order_acquire);
        while (bytes >= sizeof(float)) {
            void* data = nullptr;
            std::size_t size = bytes;
            if (pa_stream_begin_write(stream, &data, &size) < 0 || data == nullptr)
                return;
            size -= size % sizeof(float);
            const std::span<float> out(static_cast<float*>(data), size / sizeof(float));
            if (mixer == nullptr)
                std::fill(out.begin(), out.end(), 0.0f);
            else
                mixer->render({}, out);
            pa_stream_write(stream, data, size, nullptr, 0, PA_SEEK_RELATIVE);
            bytes -= std::min(bytes, size);
        }
    }
    static void contextState(pa_context* context, void* arg) {
        auto* self = static_cast<PulseStream*>(arg);
        if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(context)))
            self->lost_.store(true, std::memory_order_release);
        pa_threaded_mainloop_signal(self->loop_, 0);
    }
    static void streamState(pa_stream* stream, void* arg) {
        auto* self = static_cast<PulseStream*>(arg);
        if (!PA_STREAM_IS_GOOD(pa_stream_get_state(stream)))
            self->lost_.store(true, std::memory_order_release);
        pa_threaded_mainloop_signal(self->loop_, 0);
    }

    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
    std::size_t blockFrames_ = 0;
    std::size_t queuedFrames_ = 0;
};

} // namespace

std::unique_ptr<OutputStream> openPulseStream(const std::string& name, std::string& why) {
    auto stream = std::make_unique<PulseStream>();
    if (!stream->open(name, why))
        return nullptr;
    return stream;
}

} // namespace vorel

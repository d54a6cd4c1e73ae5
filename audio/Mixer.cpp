#include "audio/Mixer.h"

#include <algorithm>
#include <chrono>

namespace vorel {

namespace {

// The live engine renders its pieces at most this long; a longer block is rendered in pieces.
constexpr std::size_t livePieceFrames = 1024;

} // namespace

struct Mixer::Track {
    std::vector<float> samples;
    std::uint64_t id = 0;
    // Audio thread.
    std::size_t position = 0;
    std::size_t drainLeft = 0;
    // Set by the audio thread once the samples and the drain have been handed over.
    std::atomic<bool> ended{false};
    // Set by the audio thread as the last thing it does with the track.
    std::atomic<bool> retired{false};
};

Mixer::Mixer(double rate, std::size_t drainFrames)
    : drainFrames_(drainFrames), live_(rate, livePieceFrames), tone_(rate) {
    events_.reserve(maxEventsPerBlock);
    tracks_.push_back(std::make_unique<Track>());
    stopMarker_ = tracks_.back().get();
}

Mixer::~Mixer() = default;

void Mixer::play(std::vector<float> samples, std::uint64_t id) {
    freeRetired();
    auto track = std::make_unique<Track>();
    track->samples = std::move(samples);
    track->id = id;
    track->drainLeft = drainFrames_;
    tracks_.push_back(std::move(track));
    Track* untaken = pending_.exchange(tracks_.back().get(), std::memory_order_acq_rel);
    // A track the audio thread never took is no one's.
    if (untaken != nullptr && untaken != stopMarker_)
        std::erase_if(tracks_, [untaken](const auto& t) { return t.get() == untaken; });
}

void Mixer::stop() {
    freeRetired();
    Track* untaken = pending_.exchange(stopMarker_, std::memory_order_acq_rel);
    if (untaken != nullptr && untaken != stopMarker_)
        std::erase_if(tracks_, [untaken](const auto& t) { return t.get() == untaken; });
}

bool Mixer::bufferEnded(std::uint64_t id) {
    return std::any_of(tracks_.begin() + 1, tracks_.end(), [id](const auto& t) {
        return t->id == id && t->ended.load(std::memory_order_acquire);
    });
}

void Mixer::freeRetired() {
    std::erase_if(tracks_, [this](const auto& t) {
        return t.get() != stopMarker_ && t->retired.load(std::memory_order_acquire);
    });
}

void Mixer::takePending() {
    Track* next = pending_.exchange(nullptr, std::memory_order_acq_rel);
    if (next == nullptr)
        return;
    if (current_ != nullptr) {
        // A buffer replaced or stopped has ended too.
        current_->ended.store(true, std::memory_order_release);
        current_->retired.store(true, std::memory_order_release);
    }
    current_ = next == stopMarker_ ? nullptr : next;
}

// The events pushed since the last block come first, at its start.
void Mixer::takeEvents(std::span<const LiveEvent> events) {
    events_.clear();
    for (auto* queue : {&midiQueue_, &controlQueue_})
        while (events_.size() < maxEventsPerBlock) {
            const auto event = queue->pop();
            if (!event)
                break;
            events_.push_back(LiveEvent{0, event->kind, event->note, event->value});
        }
    for (const LiveEvent& event : events)
        if (events_.size() < maxEventsPerBlock)
            events_.push_back(event);
}

void Mixer::render(std::span<const LiveEvent> events, std::span<float> out) {
    // The clock is read from user space (vDSO): no system call on the audio thread.
    const auto start = std::chrono::steady_clock::now();
    takePending();
    takeEvents(events);
    live_.render(events_, out);
    tone_.render(events_, out);
    mixBuffer(out);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    if (!out.empty())
        busy_.store(took.count() * rate() / static_cast<double>(out.size()),
                    std::memory_order_relaxed);
}

void Mixer::mixBuffer(std::span<float> out) {
    if (current_ == nullptr) {
        bufferPosition_.store(0, std::memory_order_relaxed);
        return;
    }
    Track& track = *current_;
    const std::size_t count = std::min(out.size(), track.samples.size() - track.position);
    for (std::size_t i = 0; i < count; ++i)
        out[i] = std::clamp(out[i] + track.samples[track.position + i], -1.0f, 1.0f);
    track.position += count;
    bufferPosition_.store(track.position, std::memory_order_relaxed);
    if (track.position < track.samples.size())
        return;
    track.drainLeft -= std::min(track.drainLeft, out.size() - count);
    if (track.drainLeft == 0) {
        track.ended.store(true, std::memory_order_release);
        track.retired.store(true, std::memory_order_release);
        current_ = nullptr;
    }
}

} // namespace vorel

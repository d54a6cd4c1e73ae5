// The synthesizer as an LV2 instrument: MIDI in, the live engine's mix out, the 25 settings as
// control ports and the wave as a file parameter loaded by the host's worker.
//
// Threads: run() and work_response() are the audio thread's; they hand settings and wave loads to
// work() as requests and never allocate, lock or touch a file. work(), instantiate, save and
// restore make the engine's sound snapshots; save may run beside work(), so the wave and its path
// are kept under a lock that the audio thread never takes.

#include "common/WaveFile.h"
#include "lv2/Turtle.h"
#include "synth/LiveEngine.h"

#include <lv2/atom/atom.h>
#include <lv2/atom/forge.h>
#include <lv2/atom/util.h>
#include <lv2/core/lv2.h>
#include <lv2/core/lv2_util.h>
#include <lv2/log/log.h>
#include <lv2/log/logger.h>
#include <lv2/midi/midi.h>
#include <lv2/patch/patch.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>
#include <lv2/worker/worker.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#ifndef VOREL_LV2_DEFAULT_WAVE
#define VOREL_LV2_DEFAULT_WAVE "saw.vorelwf"
#endif

namespace vorel::lv2 {
namespace {

constexpr std::size_t maxBlockFrames = 512; // the engine renders longer blocks piece by piece
constexpr std::size_t maxBlockEvents = 512; // more in one block are rendered in several pieces
constexpr std::size_t maxPathBytes = 4000;  // a request fits the worker's ring of any host

struct Uris {
    explicit Uris(const LV2_URID_Map& map)
        : atomPath(map.map(map.handle, LV2_ATOM__Path)),
          atomChunk(map.map(map.handle, LV2_ATOM__Chunk)),
          atomUrid(map.map(map.handle, LV2_ATOM__URID)),
          midiEvent(map.map(map.handle, LV2_MIDI__MidiEvent)),
          patchSet(map.map(map.handle, LV2_PATCH__Set)),
          patchGet(map.map(map.handle, LV2_PATCH__Get)),
          patchProperty(map.map(map.handle, LV2_PATCH__property)),
          patchValue(map.map(map.handle, LV2_PATCH__value)),
          wave(map.map(map.handle, std::string(waveUri).c_str())),
          coefficients(map.map(map.handle, std::string(coefficientsUri).c_str())) {}
    LV2_URID atomPath, atomChunk, atomUrid, midiEvent, patchSet, patchGet, patchProperty,
        patchValue, wave, coefficients;
};

// What run() asks work() to do: take new settings, or load a wave file.
struct WorkRequest {
    enum class Kind : std::uint32_t { settings, loadWave, pathTooLong };
    Kind kind = Kind::settings;
    std::array<std::int32_t, parameterCount> indexes{};
    char path[maxPathBytes]{}; // loadWave: the path, not terminated; only its bytes are sent
};
constexpr std::size_t requestHeaderBytes = offsetof(WorkRequest, path);

class Plugin {
  public:
    Plugin(double rate, const LV2_URID_Map& map, LV2_Worker_Schedule& schedule, LV2_Log_Log* log);

    // Instantiation: the wave file of the bundle that a fresh instance plays.
    void loadDefaultWave(const std::string& path);
    void connect(std::uint32_t port, void* data);
    void run(std::uint32_t frames);
    LV2_Worker_Status work(LV2_Worker_Respond_Function respond, LV2_Worker_Respond_Handle handle,
                           std::uint32_t size, const void* data);
    void takeResponse(std::uint32_t size, const void* data);
    LV2_State_Status save(LV2_State_Store_Function store, LV2_State_Handle handle,
                          const LV2_Feature* const* features);
    LV2_State_Status restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle,
                             const LV2_Feature* const* features);

  private:
    void requestSettingsIfChanged();
    void readEvents(std::uint32_t frames);
    void readPatch(const LV2_Atom_Object& object);
    void requestWave(const char* path, std::uint32_t length);
    void flush(std::uint32_t upTo);
    void announceWave();
    void setAnnounced(const std::string& path);
    // Control side: the engine's sound from the settings and wave of now.
    void updateSound() { engine_->setSound(settings_, wave_); }

    Uris uris_;
    LV2_Worker_Schedule& schedule_;
    LV2_Log_Logger logger_{};
    std::unique_ptr<LiveEngine> engine_;

    // Audio thread.
    const LV2_Atom_Sequence* control_ = nullptr;
    LV2_Atom_Sequence* notify_ = nullptr;
    float* out_ = nullptr;
    std::array<const float*, parameterCount> settingPorts_{};
    std::array<std::int32_t, parameterCount> requested_{}; // the settings last asked for
    std::array<LiveEvent, maxBlockEvents> events_{};
    std::size_t eventCount_ = 0;
    std::uint32_t renderedTo_ = 0; // frames of this block rendered already
    LV2_Atom_Forge forge_{};
    WorkRequest request_;
    std::array<char, maxPathBytes> announced_{};
    std::size_t announcedLength_ = 0;
    bool announce_ = false; // tell the host the wave's path in the next block

    // Control side.
    SoundSettings settings_;
    std::mutex waveMutex_; // the wave and its path, between work() and save()
    WaveData wave_{};
    std::string path_;
};

Plugin::Plugin(double rate, const LV2_URID_Map& map, LV2_Worker_Schedule& schedule,
               LV2_Log_Log* log)
    : uris_(map), schedule_(schedule), engine_(std::make_unique<LiveEngine>(rate, maxBlockFrames)) {
    lv2_log_logger_init(&logger_, const_cast<LV2_URID_Map*>(&map), log);
    lv2_atom_forge_init(&forge_, const_cast<LV2_URID_Map*>(&map));
    engine_->setClipping(false); // hosts take float samples
    requested_ = settings_.indexes();
    updateSound();
}

void Plugin::loadDefaultWave(const std::string& path) {
    auto wave = loadWaveFile(path);
    if (!wave) {
        lv2_log_error(&logger_, "vorel: the default wave %s: %s\n", path.c_str(),
                      wave.error().c_str());
        return;
    }
    wave_ = wave.value();
    path_ = path;
    setAnnounced(path_);
    updateSound();
}

void Plugin::connect(std::uint32_t port, void* data) {
    if (port == controlPort)
        control_ = static_cast<const LV2_Atom_Sequence*>(data);
    else if (port == notifyPort)
        notify_ = static_cast<LV2_Atom_Sequence*>(data);
    else if (port == outputPort)
        out_ = static_cast<float*>(data);
    else if (port >= firstSettingPort && port < portCount)
        settingPorts_[port - firstSettingPort] = static_cast<const float*>(data);
}

void Plugin::setAnnounced(const std::string& path) {
    announcedLength_ = std::min(path.size(), announced_.size());
    std::copy_n(path.data(), announcedLength_, announced_.data());
    announce_ = true;
}

void Plugin::run(std::uint32_t frames) {
    requestSettingsIfChanged();
    LV2_Atom_Forge_Frame notifyFrame;
    const bool notifying = notify_ != nullptr;
    if (notifying) {
        lv2_atom_forge_set_buffer(&forge_, reinterpret_cast<std::uint8_t*>(notify_),
                                  notify_->atom.size);
        lv2_atom_forge_sequence_head(&forge_, &notifyFrame, 0);
    }
    eventCount_ = 0;
    renderedTo_ = 0;
    readEvents(frames);
    if (announce_ && notifying)
        announceWave();
    flush(frames);
    if (notifying)
        lv2_atom_forge_pop(&forge_, &notifyFrame);
}

// The port values as indexes: the nearest choice, the start index for what is not a number.
void Plugin::requestSettingsIfChanged() {
    std::array<std::int32_t, parameterCount> indexes = requested_;
    for (int number = 1; number <= parameterCount; ++number) {
        const auto slot = static_cast<std::size_t>(number - 1);
        if (settingPorts_[slot] == nullptr)
            continue;
        const ParameterInfo& info = parameterInfo(paramFromNumber(number));
        const float value = *settingPorts_[slot];
        indexes[slot] = std::isfinite(value)
                            ? static_cast<std::int32_t>(std::clamp(
                                  std::lround(value), 0L, static_cast<long>(info.choices - 1)))
                            : info.startIndex;
    }
    if (indexes == requested_)
        return;
    request_.kind = WorkRequest::Kind::settings;
    request_.indexes = indexes;
    if (schedule_.schedule_work(schedule_.handle, requestHeaderBytes, &request_) ==
        LV2_WORKER_SUCCESS)
        requested_ = indexes; // else asked again in the next block
}

void Plugin::readEvents(std::uint32_t frames) {
    if (control_ == nullptr)
        return;
    LV2_ATOM_SEQUENCE_FOREACH(control_, event) {
        const auto frame =
            static_cast<std::uint32_t>(std::clamp<std::int64_t>(event->time.frames, 0, frames));
        if (event->body.type == uris_.midiEvent) {
            const std::span<const std::uint8_t> message(
                reinterpret_cast<const std::uint8_t*>(event + 1), event->body.size);
            if (auto live = liveEventFromMidi(frame, message)) {
                if (eventCount_ == events_.size())
                    flush(frame);
                events_[eventCount_++] = *live;
            }
        } else if (lv2_atom_forge_is_object_type(&forge_, event->body.type)) {
            readPatch(*reinterpret_cast<const LV2_Atom_Object*>(&event->body));
        }
    }
}

void Plugin::readPatch(const LV2_Atom_Object& object) {
    const LV2_Atom* property = nullptr;
    const LV2_Atom* value = nullptr;
    lv2_atom_object_get(&object, uris_.patchProperty, &property, uris_.patchValue, &value, 0);
    const bool aboutWave = property == nullptr ||
                           (property->type == uris_.atomUrid &&
                            reinterpret_cast<const LV2_Atom_URID*>(property)->body == uris_.wave);
    if (object.body.otype == uris_.patchGet && aboutWave)
        announce_ = true;
    else if (object.body.otype == uris_.patchSet && property != nullptr && aboutWave &&
             value != nullptr && value->type == uris_.atomPath)
        requestWave(static_cast<const char*>(LV2_ATOM_BODY_CONST(value)), value->size);
}

void Plugin::requestWave(const char* path, std::uint32_t length) {
    const std::uint32_t bytes = static_cast<std::uint32_t>(strnlen(path, length));
    request_.kind =
        bytes > maxPathBytes ? WorkRequest::Kind::pathTooLong : WorkRequest::Kind::loadWave;
    const std::uint32_t sent = std::min<std::uint32_t>(bytes, maxPathBytes);
    std::copy_n(path, sent, request_.path);
    schedule_.schedule_work(schedule_.handle, static_cast<std::uint32_t>(requestHeaderBytes + sent),
                            &request_);
}

// Renders the block up to frame upTo with the events gathered since the last piece.
void Plugin::flush(std::uint32_t upTo) {
    if (out_ == nullptr || upTo < renderedTo_)
        return;
    for (std::size_t i = 0; i < eventCount_; ++i)
        events_[i].frame -= std::min(events_[i].frame, renderedTo_);
    engine_->render(std::span<const LiveEvent>(events_.data(), eventCount_),
                    std::span<float>(out_ + renderedTo_, upTo - renderedTo_));
    eventCount_ = 0;
    renderedTo_ = upTo;
}

void Plugin::announceWave() {
    announce_ = false;
    if (announcedLength_ == 0)
        return;
    LV2_Atom_Forge_Frame frame;
    lv2_atom_forge_frame_time(&forge_, 0);
    lv2_atom_forge_object(&forge_, &frame, 0, uris_.patchSet);
    lv2_atom_forge_key(&forge_, uris_.patchProperty);
    lv2_atom_forge_urid(&forge_, uris_.wave);
    lv2_atom_forge_key(&forge_, uris_.patchValue);
    lv2_atom_forge_path(&forge_, announced_.data(), static_cast<std::uint32_t>(announcedLength_));
    lv2_atom_forge_pop(&forge_, &frame);
}

LV2_Worker_Status Plugin::work(LV2_Worker_Respond_Function respond,
                               LV2_Worker_Respond_Handle handle, std::uint32_t size,
                               const void* data) {
    if (size < requestHeaderBytes || size > sizeof(WorkRequest))
        return LV2_WORKER_ERR_UNKNOWN;
    WorkRequest request;
    std::memcpy(&request, data, size);
    if (request.kind == WorkRequest::Kind::settings) {
        for (int number = 1; number <= parameterCount; ++number)
            settings_.select(paramFromNumber(number),
                             request.indexes[static_cast<std::size_t>(number - 1)]);
        updateSound();
        return LV2_WORKER_SUCCESS;
    }
    const std::string path(request.path, size - requestHeaderBytes);
    if (request.kind == WorkRequest::Kind::pathTooLong) {
        lv2_log_error(&logger_, "vorel: a wave file path of more than %zu bytes is refused\n",
                      maxPathBytes);
        return LV2_WORKER_SUCCESS;
    }
    auto wave = loadWaveFile(path);
    if (!wave) {
        // The sound stays as it was.
        lv2_log_error(&logger_, "vorel: the wave file %s is refused: %s\n", path.c_str(),
                      wave.error().c_str());
        return LV2_WORKER_SUCCESS;
    }
    {
        const std::lock_guard lock(waveMutex_);
        wave_ = wave.value();
        path_ = path;
    }
    updateSound();
    respond(handle, static_cast<std::uint32_t>(path.size()), path.data());
    return LV2_WORKER_SUCCESS;
}

void Plugin::takeResponse(std::uint32_t size, const void* data) {
    announcedLength_ = std::min<std::size_t>(size, announced_.size());
    std::copy_n(static_cast<const char*>(data), announcedLength_, announced_.data());
    announce_ = true;
}

LV2_State_Status Plugin::save(LV2_State_Store_Function store, LV2_State_Handle handle,
                              const LV2_Feature* const* features) {
    const auto* mapPath =
        static_cast<const LV2_State_Map_Path*>(lv2_features_data(features, LV2_STATE__mapPath));
    const auto* freePath =
        static_cast<const LV2_State_Free_Path*>(lv2_features_data(features, LV2_STATE__freePath));
    const std::lock_guard lock(waveMutex_);
    const std::vector<std::byte> bytes = encodeWaveFile(wave_);
    const std::uint32_t flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
    LV2_State_Status status =
        store(handle, uris_.coefficients, bytes.data(), static_cast<std::uint32_t>(bytes.size()),
              uris_.atomChunk, flags);
    if (status != LV2_STATE_SUCCESS || path_.empty())
        return status;
    // The host may keep the path in a form of its own: relative to its project, say.
    char* abstract =
        mapPath != nullptr ? mapPath->abstract_path(mapPath->handle, path_.c_str()) : nullptr;
    const char* kept = abstract != nullptr ? abstract : path_.c_str();
    status = store(handle, uris_.wave, kept, static_cast<std::uint32_t>(std::strlen(kept) + 1),
                   uris_.atomPath, flags);
    if (abstract != nullptr) {
        if (freePath != nullptr)
            freePath->free_path(freePath->handle, abstract);
        else
            std::free(abstract);
    }
    return status;
}

// The coefficients kept in the state win over the file, which may have moved or changed since;
// the file is read only where the state holds its path alone.
LV2_State_Status Plugin::restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle,
                                 const LV2_Feature* const* features) {
    const auto* mapPath =
        static_cast<const LV2_State_Map_Path*>(lv2_features_data(features, LV2_STATE__mapPath));
    std::size_t size = 0;
    std::uint32_t type = 0;
    std::uint32_t flags = 0;
    std::string path;
    const void* kept = retrieve(handle, uris_.wave, &size, &type, &flags);
    if (kept != nullptr && type == uris_.atomPath && size > 0) {
        const std::string stored(static_cast<const char*>(kept),
                                 strnlen(static_cast<const char*>(kept), size));
        char* absolute =
            mapPath != nullptr ? mapPath->absolute_path(mapPath->handle, stored.c_str()) : nullptr;
        path = absolute != nullptr ? absolute : stored;
        std::free(absolute);
    }
    const void* data = retrieve(handle, uris_.coefficients, &size, &type, &flags);
    if (data == nullptr && path.empty())
        return LV2_STATE_SUCCESS; // port values only, as in the plugin's default state
    Result<WaveData> wave = Result<WaveData>::failure("the state holds no wave");
    if (data != nullptr && type == uris_.atomChunk)
        wave = decodeWaveFile(std::span(static_cast<const std::byte*>(data), size));
    else if (!path.empty())
        wave = loadWaveFile(path);
    if (!wave) {
        lv2_log_error(&logger_, "vorel: the saved wave is refused: %s\n", wave.error().c_str());
        return LV2_STATE_ERR_NO_PROPERTY;
    }
    {
        const std::lock_guard lock(waveMutex_);
        wave_ = wave.value();
        path_ = path;
    }
    setAnnounced(path);
    updateSound();
    return LV2_STATE_SUCCESS;
}

// The C entry points.

LV2_Handle instantiate(const LV2_Descriptor*, double rate, const char* bundlePath,
                       const LV2_Feature* const* features) {
    const LV2_URID_Map* map = nullptr;
    LV2_Worker_Schedule* schedule = nullptr;
    LV2_Log_Log* log = nullptr;
    const char* missing =
        lv2_features_query(features, LV2_LOG__log, &log, false, LV2_URID__map, &map, true,
                           LV2_WORKER__schedule, &schedule, true, nullptr);
    if (missing != nullptr || rate <= 0.0)
        return nullptr;
    auto plugin = std::make_unique<Plugin>(rate, *map, *schedule, log);
    std::string folder(bundlePath);
    if (!folder.ends_with('/'))
        folder += '/';
    plugin->loadDefaultWave(folder + VOREL_LV2_DEFAULT_WAVE);
    return plugin.release();
}

Plugin& self(LV2_Handle handle) {
    return *static_cast<Plugin*>(handle);
}

void connectPort(LV2_Handle handle, std::uint32_t port, void* data) {
    self(handle).connect(port, data);
}
void run(LV2_Handle handle, std::uint32_t frames) {
    self(handle).run(frames);
}
void cleanup(LV2_Handle handle) {
    delete &self(handle);
}

LV2_Worker_Status work(LV2_Handle handle, LV2_Worker_Respond_Function respond,
                       LV2_Worker_Respond_Handle respondHandle, std::uint32_t size,
                       const void* data) {
    return self(handle).work(respond, respondHandle, size, data);
}
LV2_Worker_Status workResponse(LV2_Handle handle, std::uint32_t size, const void* data) {
    self(handle).takeResponse(size, data);
    return LV2_WORKER_SUCCESS;
}
LV2_State_Status save(LV2_Handle handle, LV2_State_Store_Function store,
                      LV2_State_Handle stateHandle, std::uint32_t,
                      const LV2_Feature* const* features) {
    return self(handle).save(store, stateHandle, features);
}
LV2_State_Status restore(LV2_Handle handle, LV2_State_Retrieve_Function retrieve,
                         LV2_State_Handle stateHandle, std::uint32_t,
                         const LV2_Feature* const* features) {
    return self(handle).restore(retrieve, stateHandle, features);
}

const void* extensionData(const char* uri) {
    static const LV2_Worker_Interface worker{work, workResponse, nullptr};
    static const LV2_State_Interface state{save, restore};
    if (std::strcmp(uri, LV2_WORKER__interface) == 0)
        return &worker;
    if (std::strcmp(uri, LV2_STATE__interface) == 0)
        return &state;
    return nullptr;
}

const LV2_Descriptor descriptor{"urn:vorel:synth", instantiate, connectPort,  nullptr, run,
                                nullptr,           cleanup,     extensionData};

} // namespace
} // namespace vorel::lv2

LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(std::uint32_t index) {
    return index == 0 ? &vorel::lv2::descriptor : nullptr;
}

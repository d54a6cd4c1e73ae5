#pragma once

// A host of the tests' own on lilv: one instance of the plugin from the build's bundle, its ports,
// a worker that runs each request between two blocks, a log that keeps the messages, state save and
// restore, and presets.

#include "synth/SoundSettings.h"

#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/log/log.h>
#include <lv2/urid/urid.h>
#include <lv2/worker/worker.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vorel::test {

// A MIDI message at a frame counted from the start of the playing.
struct MidiAt {
    std::size_t frame;
    std::array<std::uint8_t, 3> bytes;
};
MidiAt noteOnAt(std::size_t frame, int note, int velocity);
MidiAt noteOffAt(std::size_t frame, int note);

// Every allocation of the test program while counting is on.
void countAllocations(bool on);
std::size_t countedAllocations();

// The plugin's world: the bundle and its presets, loaded once per test program.
class Lv2World {
  public:
    Lv2World();
    ~Lv2World();
    LilvWorld* world() const { return world_; }
    const LilvPlugin* plugin() const { return plugin_; }
    // The URI of the preset labelled `label`; empty when there is none.
    std::string presetUri(const std::string& label) const;
    LV2_URID map(const char* uri);
    const char* unmap(LV2_URID urid) const;
    LV2_URID_Map* uridMap() { return &map_; }
    LV2_URID_Unmap* uridUnmap() { return &unmap_; }

  private:
    LilvWorld* world_ = nullptr;
    const LilvPlugin* plugin_ = nullptr;
    std::map<std::string, LV2_URID> ids_;
    std::vector<std::string> uris_;
    LV2_URID_Map map_{};
    LV2_URID_Unmap unmap_{};
};

class Lv2Host {
  public:
    Lv2Host(Lv2World& world, double rate);
    ~Lv2Host();
    Lv2Host(const Lv2Host&) = delete;
    Lv2Host& operator=(const Lv2Host&) = delete;

    void setSetting(Param param, int index) { settings_[numberOf(param) - 1] = float(index); }
    // Asks for the wave file `path` with a patch:Set at the start of the next block.
    void setWave(const std::string& path) { pendingWave_ = path; }
    // Plays the events in blocks of the given lengths (taken in turn), running the worker's
    // requests after each block; returns the output of `frames` frames.
    std::vector<float> play(const std::vector<MidiAt>& events, std::size_t frames,
                            const std::vector<std::size_t>& blockLengths = {256, 1000, 77});

    // The path of the last patch:Set the plugin sent; empty before any.
    const std::string& announcedWave() const { return announced_; }
    const std::vector<std::string>& log() const { return log_; }
    // Allocations counted inside run() since the start.
    std::size_t allocationsInRun() const { return allocationsInRun_; }
    // Allocations counted inside work(): the sound snapshots the plugin makes there show that
    // the counting sees the plugin's allocations.
    std::size_t allocationsInWork() const { return allocationsInWork_; }
    // Processor time of this thread inside run() since the start, in seconds.
    double runSeconds() const { return runSeconds_; }

    LilvState* saveState();
    void restore(const LilvState* state);

  private:
    static LV2_Worker_Status schedule(LV2_Worker_Schedule_Handle handle, std::uint32_t size,
                                      const void* data);
    static LV2_Worker_Status respond(LV2_Worker_Respond_Handle handle, std::uint32_t size,
                                     const void* data);
    static int logPrintf(LV2_Log_Handle handle, LV2_URID type, const char* format, ...);
    static int logVprintf(LV2_Log_Handle handle, LV2_URID type, const char* format, va_list ap);
    static const void* portValue(const char* symbol, void* user, std::uint32_t* size,
                                 std::uint32_t* type);
    static void setPortValue(const char* symbol, void* user, const void* value, std::uint32_t size,
                             std::uint32_t type);
    void runBlock(const std::vector<MidiAt>& events, std::size_t start, std::size_t frames,
                  float* out);
    void fillControl(const std::vector<MidiAt>& events, std::size_t start, std::size_t frames);
    void readNotify();
    void runWorker();

    Lv2World& world_;
    LilvInstance* instance_ = nullptr;
    const LV2_Worker_Interface* worker_ = nullptr;
    LV2_Worker_Schedule schedule_{};
    LV2_Log_Log logFeature_{};
    std::array<LV2_Feature, 4> features_{};
    std::array<const LV2_Feature*, 5> featureList_{};
    std::array<float, parameterCount> settings_{};
    // Atom buffers, 8-byte aligned.
    std::vector<std::uint64_t> control_;
    std::vector<std::uint64_t> notify_;
    std::vector<float> out_;
    // Worker requests made during a block, kept in room allocated beforehand.
    std::vector<std::byte> requests_;
    std::vector<std::uint32_t> requestSizes_;
    std::size_t requestBytes_ = 0;
    std::vector<std::vector<std::byte>> responses_;
    std::string pendingWave_;
    std::string announced_;
    std::vector<std::string> log_;
    std::size_t allocationsInRun_ = 0;
    std::size_t allocationsInWork_ = 0;
    double runSeconds_ = 0.0;
};

} // namespace vorel::test

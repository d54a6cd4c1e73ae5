#include "LilvHost.h"

#include <lv2/atom/forge.h>
#include <lv2/atom/util.h>
#include <lv2/midi/midi.h>
#include <lv2/patch/patch.h>
#include <lv2/presets/presets.h>
#include <lv2/state/state.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>
#include <time.h>

namespace {

std::atomic<bool> counting{false};
std::atomic<std::size_t> allocations{0};

void counted() {
    if (counting.load(std::memory_order_relaxed))
        allocations.fetch_add(1, std::memory_order_relaxed);
}

} // namespace

// Without AddressSanitizer every allocation of the program, the plugin's among them, goes through
// these: malloc and its kin, which operator new calls too. AddressSanitizer keeps malloc for its
// own; there operator new is counted.
#ifndef __SANITIZE_ADDRESS__
extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* p, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);

void* malloc(std::size_t size) {
    counted();
    return __libc_malloc(size);
}
void* calloc(std::size_t count, std::size_t size) {
    counted();
    return __libc_calloc(count, size);
}
void* realloc(void* p, std::size_t size) {
    counted();
    return __libc_realloc(p, size);
}
void* aligned_alloc(std::size_t alignment, std::size_t size) {
    counted();
    return __libc_memalign(alignment, size);
}
void* memalign(std::size_t alignment, std::size_t size) {
    counted();
    return __libc_memalign(alignment, size);
}
int posix_memalign(void** out, std::size_t alignment, std::size_t size) {
    counted();
    *out = __libc_memalign(alignment, size);
    return *out != nullptr ? 0 : ENOMEM;
}
}
#else
void* operator new(std::size_t size) {
    counted();
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    counted();
    return std::malloc(size == 0 ? 1 : size);
}
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
#pragma GCC diagnostic pop
#endif

namespace vorel::test {

MidiAt noteOnAt(std::size_t frame, int note, int velocity) {
    return {frame, {0x90, static_cast<std::uint8_t>(note), static_cast<std::uint8_t>(velocity)}};
}
MidiAt noteOffAt(std::size_t frame, int note) {
    return {frame, {0x80, static_cast<std::uint8_t>(note), 0}};
}

void countAllocations(bool on) {
    counting.store(on, std::memory_order_relaxed);
}
std::size_t countedAllocations() {
    return allocations.load(std::memory_order_relaxed);
}

Lv2World::Lv2World() : world_(lilv_world_new()) {
    map_ = {this, [](LV2_URID_Map_Handle self, const char* uri) {
                return static_cast<Lv2World*>(self)->map(uri);
            }};
    unmap_ = {this, [](LV2_URID_Unmap_Handle self, LV2_URID urid) {
                  return static_cast<Lv2World*>(self)->unmap(urid);
              }};
    LilvNode* bundle = lilv_new_file_uri(world_, nullptr, VOREL_LV2_BUNDLE_DIR "/");
    lilv_world_load_bundle(world_, bundle);
    lilv_node_free(bundle);
    LilvNode* uri = lilv_new_uri(world_, "urn:vorel:synth");
    plugin_ = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world_), uri);
    lilv_node_free(uri);
    if (plugin_ == nullptr)
        throw std::runtime_error("urn:vorel:synth is not in " VOREL_LV2_BUNDLE_DIR);
}

Lv2World::~Lv2World() {
    lilv_world_free(world_);
}

LV2_URID Lv2World::map(const char* uri) {
    auto [found, added] = ids_.try_emplace(uri, static_cast<LV2_URID>(uris_.size() + 1));
    if (added)
        uris_.emplace_back(uri);
    return found->second;
}

const char* Lv2World::unmap(LV2_URID urid) const {
    return urid >= 1 && urid <= uris_.size() ? uris_[urid - 1].c_str() : nullptr;
}

std::string Lv2World::presetUri(const std::string& label) const {
    LilvNode* presetClass = lilv_new_uri(world_, LV2_PRESETS__Preset);
    LilvNode* labelProperty = lilv_new_uri(world_, LILV_NS_RDFS "label");
    LilvNodes* presets = lilv_plugin_get_related(plugin_, presetClass);
    std::string found;
    LILV_FOREACH(nodes, i, presets) {
        const LilvNode* preset = lilv_nodes_get(presets, i);
        lilv_world_load_resource(world_, preset);
        LilvNode* name = lilv_world_get(world_, preset, labelProperty, nullptr);
        if (name != nullptr && label == lilv_node_as_string(name))
            found = lilv_node_as_uri(preset);
        lilv_node_free(name);
    }
    lilv_nodes_free(presets);
    lilv_node_free(labelProperty);
    lilv_node_free(presetClass);
    return found;
}

Lv2Host::Lv2Host(Lv2World& world, double rate)
    : world_(world), control_(8192 / 8), notify_(8192 / 8), requests_(65536) {
    for (int number = 1; number <= parameterCount; ++number)
        settings_[static_cast<std::size_t>(number - 1)] =
            static_cast<float>(parameterInfo(paramFromNumber(number)).startIndex);
    requestSizes_.reserve(1024);
    schedule_ = {this, schedule};
    logFeature_ = {this, logPrintf, logVprintf};
    features_ = {LV2_Feature{LV2_URID__map, world.uridMap()},
                 LV2_Feature{LV2_URID__unmap, world.uridUnmap()},
                 LV2_Feature{LV2_WORKER__schedule, &schedule_},
                 LV2_Feature{LV2_LOG__log, &logFeature_}};
    for (std::size_t i = 0; i < features_.size(); ++i)
        featureList_[i] = &features_[i];
    instance_ = lilv_plugin_instantiate(world.plugin(), rate, featureList_.data());
    if (instance_ == nullptr)
        throw std::runtime_error("the plugin did not instantiate");
    worker_ = static_cast<const LV2_Worker_Interface*>(
        lilv_instance_get_extension_data(instance_, LV2_WORKER__interface));
    lilv_instance_connect_port(instance_, 0, control_.data());
    lilv_instance_connect_port(instance_, 1, notify_.data());
    for (std::uint32_t p = 0; p < parameterCount; ++p)
        lilv_instance_connect_port(instance_, 3 + p, &settings_[p]);
    lilv_instance_activate(instance_);
}

Lv2Host::~Lv2Host() {
    lilv_instance_deactivate(instance_);
    lilv_instance_free(instance_);
}

std::vector<float> Lv2Host::play(const std::vector<MidiAt>& events, std::size_t frames,
                                 const std::vector<std::size_t>& blockLengths) {
    std::vector<float> out(frames);
    std::size_t next = 0;
    for (std::size_t start = 0; start < frames; next = (next + 1) % blockLengths.size()) {
        const std::size_t length = std::min(blockLengths[next], frames - start);
        runBlock(events, start, length, out.data() + start);
        start += length;
    }
    return out;
}

void Lv2Host::runBlock(const std::vector<MidiAt>& events, std::size_t start, std::size_t frames,
                       float* out) {
    fillControl(events, start, frames);
    auto* notify = reinterpret_cast<LV2_Atom_Sequence*>(notify_.data());
    notify->atom = {static_cast<std::uint32_t>(notify_.size() * 8 - sizeof(LV2_Atom)),
                    world_.map(LV2_ATOM__Chunk)};
    lilv_instance_connect_port(instance_, 2, out);
    const std::size_t before = countedAllocations();
    timespec begin{};
    timespec end{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &begin);
    countAllocations(true);
    lilv_instance_run(instance_, static_cast<std::uint32_t>(frames));
    countAllocations(false);
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &end);
    runSeconds_ += static_cast<double>(end.tv_sec - begin.tv_sec) +
                   static_cast<double>(end.tv_nsec - begin.tv_nsec) * 1e-9;
    allocationsInRun_ += countedAllocations() - before;
    readNotify();
    runWorker();
}

void Lv2Host::fillControl(const std::vector<MidiAt>& events, std::size_t start,
                          std::size_t frames) {
    LV2_Atom_Forge forge;
    lv2_atom_forge_init(&forge, world_.uridMap());
    lv2_atom_forge_set_buffer(&forge, reinterpret_cast<std::uint8_t*>(control_.data()),
                              control_.size() * 8);
    LV2_Atom_Forge_Frame sequence;
    lv2_atom_forge_sequence_head(&forge, &sequence, 0);
    if (!pendingWave_.empty()) {
        LV2_Atom_Forge_Frame object;
        lv2_atom_forge_frame_time(&forge, 0);
        lv2_atom_forge_object(&forge, &object, 0, world_.map(LV2_PATCH__Set));
        lv2_atom_forge_key(&forge, world_.map(LV2_PATCH__property));
        lv2_atom_forge_urid(&forge, world_.map("urn:vorel:synth#wave"));
        lv2_atom_forge_key(&forge, world_.map(LV2_PATCH__value));
        lv2_atom_forge_path(&forge, pendingWave_.c_str(),
                            static_cast<std::uint32_t>(pendingWave_.size() + 1));
        lv2_atom_forge_pop(&forge, &object);
        pendingWave_.clear();
    }
    for (const MidiAt& event : events) {
        if (event.frame < start || event.frame >= start + frames)
            continue;
        lv2_atom_forge_frame_time(&forge, static_cast<std::int64_t>(event.frame - start));
        lv2_atom_forge_atom(&forge, 3, world_.map(LV2_MIDI__MidiEvent));
        lv2_atom_forge_write(&forge, event.bytes.data(), 3);
    }
    lv2_atom_forge_pop(&forge, &sequence);
}

void Lv2Host::readNotify() {
    const auto* notify = reinterpret_cast<const LV2_Atom_Sequence*>(notify_.data());
    const LV2_URID set = world_.map(LV2_PATCH__Set);
    LV2_ATOM_SEQUENCE_FOREACH(notify, event) {
        const auto* object = reinterpret_cast<const LV2_Atom_Object*>(&event->body);
        if (event->body.type != world_.map(LV2_ATOM__Object) || object->body.otype != set)
            continue;
        const LV2_Atom* value = nullptr;
        lv2_atom_object_get(object, world_.map(LV2_PATCH__value), &value, 0);
        if (value != nullptr && value->type == world_.map(LV2_ATOM__Path))
            announced_.assign(
                static_cast<const char*>(LV2_ATOM_BODY_CONST(value)),
                strnlen(static_cast<const char*>(LV2_ATOM_BODY_CONST(value)), value->size));
    }
}

void Lv2Host::runWorker() {
    std::size_t offset = 0;
    for (std::uint32_t size : requestSizes_) {
        const std::size_t before = countedAllocations();
        countAllocations(true);
        worker_->work(lilv_instance_get_handle(instance_), respond, this, size,
                      requests_.data() + offset);
        countAllocations(false);
        allocationsInWork_ += countedAllocations() - before;
        offset += size;
    }
    requestSizes_.clear();
    requestBytes_ = 0;
    for (const auto& response : responses_)
        worker_->work_response(lilv_instance_get_handle(instance_),
                               static_cast<std::uint32_t>(response.size()), response.data());
    responses_.clear();
}

LV2_Worker_Status Lv2Host::schedule(LV2_Worker_Schedule_Handle handle, std::uint32_t size,
                                    const void* data) {
    auto& host = *static_cast<Lv2Host*>(handle);
    if (host.requestBytes_ + size > host.requests_.size() ||
        host.requestSizes_.size() == host.requestSizes_.capacity())
        return LV2_WORKER_ERR_NO_SPACE;
    std::memcpy(host.requests_.data() + host.requestBytes_, data, size);
    host.requestBytes_ += size;
    host.requestSizes_.push_back(size);
    return LV2_WORKER_SUCCESS;
}

LV2_Worker_Status Lv2Host::respond(LV2_Worker_Respond_Handle handle, std::uint32_t size,
                                   const void* data) {
    const auto* bytes = static_cast<const std::byte*>(data);
    static_cast<Lv2Host*>(handle)->responses_.emplace_back(bytes, bytes + size);
    return LV2_WORKER_SUCCESS;
}

int Lv2Host::logPrintf(LV2_Log_Handle handle, LV2_URID type, const char* format, ...) {
    va_list ap;
    va_start(ap, format);
    const int written = logVprintf(handle, type, format, ap);
    va_end(ap);
    return written;
}

int Lv2Host::logVprintf(LV2_Log_Handle handle, LV2_URID, const char* format, va_list ap) {
    char text[4096];
    const int written = std::vsnprintf(text, sizeof text, format, ap);
    static_cast<Lv2Host*>(handle)->log_.emplace_back(text);
    return written;
}

const void* Lv2Host::portValue(const char* symbol, void* user, std::uint32_t* size,
                               std::uint32_t* type) {
    auto& host = *static_cast<Lv2Host*>(user);
    for (int number = 1; number <= parameterCount; ++number)
        if (parameterInfo(paramFromNumber(number)).name == symbol) {
            *size = sizeof(float);
            *type = host.world_.map(LV2_ATOM__Float);
            return &host.settings_[static_cast<std::size_t>(number - 1)];
        }
    *size = 0;
    *type = 0;
    return nullptr;
}

void Lv2Host::setPortValue(const char* symbol, void* user, const void* value, std::uint32_t,
                           std::uint32_t type) {
    auto& host = *static_cast<Lv2Host*>(user);
    float number = 0.0f;
    if (type == host.world_.map(LV2_ATOM__Float))
        std::memcpy(&number, value, sizeof number);
    else if (type == host.world_.map(LV2_ATOM__Int))
        number = static_cast<float>(*static_cast<const std::int32_t*>(value));
    else if (type == host.world_.map(LV2_ATOM__Double))
        number = static_cast<float>(*static_cast<const double*>(value));
    else if (type == host.world_.map(LV2_ATOM__Long))
        number = static_cast<float>(*static_cast<const std::int64_t*>(value));
    else
        ADD_FAILURE() << "a port value of type " << host.world_.unmap(type);
    for (int n = 1; n <= parameterCount; ++n)
        if (parameterInfo(paramFromNumber(n)).name == symbol)
            host.settings_[static_cast<std::size_t>(n - 1)] = number;
}

LilvState* Lv2Host::saveState() {
    return lilv_state_new_from_instance(
        world_.plugin(), instance_, world_.uridMap(), nullptr, nullptr, nullptr, nullptr, portValue,
        this, LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE, featureList_.data());
}

void Lv2Host::restore(const LilvState* state) {
    lilv_state_restore(state, instance_, setPortValue, this, 0, featureList_.data());
}

} // namespace vorel::test

#pragma once

// The plugin's description in Turtle, written from the code's own tables: the 25 settings with the
// labels of their value lists, the presets and the bundle's manifest. Shared by the bundle
// generator of the build and by vorel-render's lv2-preset command.

#include "common/WaveData.h"
#include "synth/SoundSettings.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace vorel::lv2 {

inline constexpr std::string_view pluginUri = "urn:vorel:synth";
// The wave as a file parameter; as a state key it holds the path.
inline constexpr std::string_view waveUri = "urn:vorel:synth#wave";
// State key: the wave's 100 coefficients as the 800 bytes of a wave file.
inline constexpr std::string_view coefficientsUri = "urn:vorel:synth#coefficients";

// Port indexes: setting number n (1..25) is port firstSettingPort + n - 1.
inline constexpr std::uint32_t controlPort = 0; // atom input: MIDI and patch messages
inline constexpr std::uint32_t notifyPort = 1;  // atom output: the loaded wave
inline constexpr std::uint32_t outputPort = 2;  // mono audio output
inline constexpr std::uint32_t firstSettingPort = 3;
inline constexpr std::uint32_t portCount = firstSettingPort + parameterCount;
// Room the atom ports ask the host for: a patch message with a path fits.
inline constexpr std::uint32_t atomBufferBytes = 8192;

// A preset of a bundle: its URI and the Turtle file in the bundle that describes it.
struct PresetEntry {
    std::string uri;
    std::string file;
};

// A relative URI reference to the file `name`: what a URI may not hold is percent-encoded.
std::string fileReference(std::string_view name);

// "AMP release length" for ampReleaseLength: the port's name a host shows.
std::string portName(Param param);

// vorel.ttl: the plugin, its ports and its wave parameter.
std::string pluginTurtle();
// The manifest of the plugin's bundle: the plugin in `binary` described by vorel.ttl, and the
// presets.
std::string bundleManifest(std::string_view binary, std::span<const PresetEntry> presets);
// A manifest entry of one preset, prefixes included, so that entries can follow one another.
std::string presetManifestEntry(const PresetEntry& preset);

// A preset: the 25 settings as port values and the wave in its state, its coefficients and the
// file `waveFile` (relative to the preset's own file) it came from.
std::string presetTurtle(const PresetEntry& preset, std::string_view label,
                         const SoundSettings& settings, const WaveData& wave,
                         std::string_view waveFile);

} // namespace vorel::lv2

#include "lv2/Turtle.h"

#include "common/WaveFile.h"

#include <array>
#include <cctype>
#include <sstream>

namespace vorel::lv2 {
namespace {

constexpr std::string_view prefixes = R"(@prefix atom: <http://lv2plug.in/ns/ext/atom#> .
@prefix doap: <http://usefulinc.com/ns/doap#> .
@prefix log: <http://lv2plug.in/ns/ext/log#> .
@prefix lv2: <http://lv2plug.in/ns/lv2core#> .
@prefix midi: <http://lv2plug.in/ns/ext/midi#> .
@prefix patch: <http://lv2plug.in/ns/ext/patch#> .
@prefix pset: <http://lv2plug.in/ns/ext/presets#> .
@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .
@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .
@prefix rsz: <http://lv2plug.in/ns/ext/resize-port#> .
@prefix state: <http://lv2plug.in/ns/ext/state#> .
@prefix urid: <http://lv2plug.in/ns/ext/urid#> .
@prefix work: <http://lv2plug.in/ns/ext/worker#> .
@prefix xsd: <http://www.w3.org/2001/XMLSchema#> .

)";

// The plugin and the ports that are not settings; the settings' ports follow.
constexpr std::string_view pluginHead = R"(<urn:vorel:synth#wave>
    a lv2:Parameter ;
    rdfs:label "Wave" ;
    rdfs:comment "A wave file (.vorelwf) of the wave editor: the 100 harmonics the oscillators play." ;
    rdfs:range atom:Path .

<urn:vorel:synth#coefficients>
    a rdf:Property ;
    rdfs:label "Wave coefficients" ;
    rdfs:comment "The wave kept in the state: its 100 harmonic coefficients as the 800 bytes of a wave file." .

<urn:vorel:synth>
    a lv2:Plugin , lv2:InstrumentPlugin ;
    doap:name "Vorel" ;
    rdfs:comment "The additive synthesizer of the Vorel sound editor: a wave of 100 harmonics, up to four detuned oscillators, amplitude and filter-degree envelopes and three LFOs." ;
    lv2:requiredFeature urid:map , work:schedule ;
    lv2:optionalFeature lv2:hardRTCapable , log:log , state:mapPath , state:freePath ;
    lv2:extensionData state:interface , work:interface ;
    patch:writable <urn:vorel:synth#wave> ;
    lv2:port [
        a lv2:InputPort , atom:AtomPort ;
        atom:bufferType atom:Sequence ;
        atom:supports midi:MidiEvent , patch:Message ;
        lv2:designation lv2:control ;
        rsz:minimumSize 8192 ;
        lv2:index 0 ;
        lv2:symbol "control" ;
        lv2:name "Control"
    ] , [
        a lv2:OutputPort , atom:AtomPort ;
        atom:bufferType atom:Sequence ;
        atom:supports patch:Message ;
        lv2:designation lv2:control ;
        rsz:minimumSize 8192 ;
        lv2:index 1 ;
        lv2:symbol "notify" ;
        lv2:name "Notify"
    ] , [
        a lv2:OutputPort , lv2:AudioPort ;
        lv2:index 2 ;
        lv2:symbol "out" ;
        lv2:name "Out"
    ])";

std::string trimmed(std::string_view text) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return std::string(text);
}

// A Turtle string: quotes and backslashes escaped.
std::string quoted(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + '"';
}

std::string base64(std::span<const std::byte> bytes) {
    static constexpr char digits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        std::uint32_t group = std::to_integer<std::uint32_t>(bytes[i]) << 16;
        if (i + 1 < bytes.size())
            group |= std::to_integer<std::uint32_t>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size())
            group |= std::to_integer<std::uint32_t>(bytes[i + 2]);
        out += digits[(group >> 18) & 63];
        out += digits[(group >> 12) & 63];
        out += i + 1 < bytes.size() ? digits[(group >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? digits[group & 63] : '=';
    }
    return out;
}

void writeSettingPort(std::ostream& out, Param param) {
    const ParameterInfo& info = parameterInfo(param);
    out << " , [\n        a lv2:InputPort , lv2:ControlPort ;\n"
        << "        lv2:index " << firstSettingPort + numberOf(param) - 1 << " ;\n"
        << "        lv2:symbol \"" << info.name << "\" ;\n"
        << "        lv2:name " << quoted(portName(param)) << " ;\n"
        << "        lv2:portProperty lv2:integer , lv2:enumeration ;\n"
        << "        lv2:default " << info.startIndex << " ;\n"
        << "        lv2:minimum 0 ;\n"
        << "        lv2:maximum " << info.choices - 1 << " ;\n"
        << "        lv2:scalePoint";
    for (int index = 0; index < info.choices; ++index)
        out << (index == 0 ? " " : " , ") << "[ rdfs:label "
            << quoted(trimmed(info.list->labels[static_cast<std::size_t>(index)]))
            << " ; rdf:value " << index << " ]";
    out << "\n    ]";
}

} // namespace

std::string fileReference(std::string_view name) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) != 0 || c == '-' || c == '_' || c == '.' || c == '~' || c == '/') {
            out += c;
        } else {
            out += '%';
            out += hex[byte >> 4];
            out += hex[byte & 0xF];
        }
    }
    return out;
}

std::string portName(Param param) {
    const std::string_view symbol = parameterInfo(param).name;
    std::vector<std::string> words{""};
    for (char c : symbol) {
        if (std::isupper(static_cast<unsigned char>(c)) != 0)
            words.emplace_back();
        words.back() += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    std::string name;
    for (std::size_t i = 0; i < words.size(); ++i) {
        std::string word = words[i];
        if (word == "amp" || word == "lpf" || word == "lfo")
            for (char& c : word)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        else if (i == 0)
            word[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(word[0])));
        name += (i == 0 ? "" : " ") + word;
    }
    return name;
}

std::string pluginTurtle() {
    std::ostringstream out;
    out << prefixes << pluginHead;
    for (int number = 1; number <= parameterCount; ++number)
        writeSettingPort(out, paramFromNumber(number));
    out << " .\n";
    return out.str();
}

std::string bundleManifest(std::string_view binary, std::span<const PresetEntry> presets) {
    std::ostringstream out;
    out << prefixes << "<urn:vorel:synth>\n    a lv2:Plugin ;\n    lv2:binary <"
        << fileReference(binary) << "> ;\n    rdfs:seeAlso <vorel.ttl> .\n";
    for (const PresetEntry& preset : presets)
        out << '\n'
            << "<" << preset.uri
            << ">\n    a pset:Preset ;\n    lv2:appliesTo <urn:vorel:synth> ;\n"
            << "    rdfs:seeAlso <" << fileReference(preset.file) << "> .\n";
    return out.str();
}

std::string presetManifestEntry(const PresetEntry& preset) {
    return std::string(prefixes) + "<" + preset.uri +
           ">\n    a pset:Preset ;\n    lv2:appliesTo <urn:vorel:synth> ;\n    rdfs:seeAlso <" +
           fileReference(preset.file) + "> .\n";
}

std::string presetTurtle(const PresetEntry& preset, std::string_view label,
                         const SoundSettings& settings, const WaveData& wave,
                         std::string_view waveFile) {
    std::ostringstream out;
    out << prefixes << "<" << preset.uri << ">\n    a pset:Preset ;\n"
        << "    lv2:appliesTo <urn:vorel:synth> ;\n    rdfs:label " << quoted(label) << " ;\n"
        << "    lv2:port";
    for (int number = 1; number <= parameterCount; ++number) {
        const Param param = paramFromNumber(number);
        out << (number == 1 ? " " : " , ") << "[\n        lv2:symbol \""
            << parameterInfo(param).name << "\" ;\n        pset:value " << settings.index(param)
            << "\n    ]";
    }
    out << " ;\n    state:state [\n        <" << coefficientsUri << "> \""
        << base64(encodeWaveFile(wave)) << "\"^^xsd:base64Binary ;\n        <" << waveUri << "> <"
        << fileReference(waveFile) << ">\n    ] .\n";
    return out.str();
}

} // namespace vorel::lv2

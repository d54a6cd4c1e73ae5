// The library's instruments: a wave and the sound settings made for it. An envelope is written as
// the sound editor's dialogs show it, level and length of attack, decay and sustain, then the
// release; a filter envelope the same way in degrees (0 = open, 2 = darkest; a release of 5.0 is
// the dialog's "inf"). The envelopes follow what is known of each sound: a struck or plucked
// string starts bright and loses its top first, a bowed or blown note swells in over a tenth of
// a second, an organ holds its level and stops at once.
//
// The pitch of attack is used only where its edge is wanted: at the end of the attack the pitch
// steps to the note's own and, the phase being frequency times time, the wave jumps there. A
// drum's or a zap's falling pitch is made of that step; elsewhere it would click.
#include "tools/library/Recipes.h"

#include <cmath>
#include <stdexcept>
#include <string>

namespace vorel::library {
namespace {

class Sound {
  public:
    Sound() { oscillators(1, 0); }

    Sound& oscillators(int count, double detuneHz) {
        return pick(Param::oscillatorCount, count).pick(Param::detune, detuneHz);
    }
    Sound& attackPitch(int semitones, double seconds) {
        return pick(Param::attackPitch, semitones).pick(Param::attackPitchLength, seconds);
    }
    Sound& vibrato(double hz, double amplitude, double delay) {
        return pick(Param::pitchLfoFrequency, hz)
            .pick(Param::pitchLfoAmplitude, amplitude)
            .pick(Param::pitchLfoDelay, delay);
    }
    Sound& amp(double attackLevel, double attackLength, double decayLevel, double decayLength,
               double sustainLevel, double release) {
        return pick(Param::ampAttackLevel, attackLevel)
            .pick(Param::ampAttackLength, attackLength)
            .pick(Param::ampDecayLevel, decayLevel)
            .pick(Param::ampDecayLength, decayLength)
            .pick(Param::ampSustainLevel, sustainLevel)
            .pick(Param::ampReleaseLength, release);
    }
    Sound& tremolo(double hz, double depth, double delay) {
        return pick(Param::ampLfoFrequency, hz)
            .pick(Param::ampLfoAmplitude, depth)
            .pick(Param::ampLfoDelay, delay);
    }
    Sound& lpf(double attackDegree, double attackLength, double decayDegree, double decayLength,
               double sustainDegree, double release) {
        return pick(Param::lpfAttackDegree, attackDegree)
            .pick(Param::lpfAttackLength, attackLength)
            .pick(Param::lpfDecayDegree, decayDegree)
            .pick(Param::lpfDecayLength, decayLength)
            .pick(Param::lpfSustainDegree, sustainDegree)
            .pick(Param::lpfReleaseLength, release);
    }
    Sound& lpfLfo(double hz, double amplitude, double delay) {
        return pick(Param::lpfLfoFrequency, hz)
            .pick(Param::lpfLfoAmplitude, amplitude)
            .pick(Param::lpfLfoDelay, delay);
    }
    operator SoundSettings() const { return settings_; }

  private:
    // The choice of the parameter's list holding `value`; a value the list does not offer is a
    // mistake in a recipe.
    Sound& pick(Param param, double value) {
        const ParameterInfo& info = parameterInfo(param);
        for (int index = 0; index < info.choices; ++index) {
            if (std::abs(info.list->values[static_cast<std::size_t>(index)] - value) < 1e-9) {
                settings_.select(param, index);
                return *this;
            }
        }
        throw std::invalid_argument(std::string(info.name) + " offers no " + std::to_string(value));
    }

    SoundSettings settings_;
};

constexpr double inf = 5.0; // the filter's release "inf": no darkening after the key is let go

std::vector<InstrumentRecipe> bassesAndLeads() {
    return {
        {"sub-bass", "Bass", "sub", "A round sine bass with a little second and third harmonic",
         Sound().amp(1.0, 0.02, 1.0, 0.5, 0.8, 0.1)},
        {"saw-bass", "Bass", "saw", "A plucky synth bass: a sawtooth whose filter shuts quickly",
         Sound().amp(1.0, 0.02, 0.8, 0.4, 0.6, 0.1).lpf(0.2, 0.1, 0.8, 0.3, 1.3, 0.1)},
        {"square-bass", "Bass", "square-smooth", "A hollow square bass, odd harmonics only",
         Sound().amp(1.0, 0.02, 0.9, 0.3, 0.7, 0.1).lpf(0.3, 0.1, 1.0, 0.2, 1.2, 0.1)},
        {"pick-bass", "Bass", "bass-pluck", "An electric bass played with a pick near the bridge",
         Sound().amp(1.0, 0.1, 0.6, 1.5, 0.3, 0.1).lpf(0.0, 0.1, 0.5, 1.0, 1.0, inf)},
        {"upright-bass", "Bass", "triangle", "A soft upright-like bass that thumps and fades",
         Sound().amp(1.0, 0.1, 0.5, 1.0, 0.2, 0.2).lpf(0.0, 0.1, 0.3, 0.5, 0.6, inf)},
        {"wobble-bass", "Bass", "saw", "A sawtooth bass whose filter swings three times a second",
         Sound()
             .oscillators(2, 1)
             .amp(1.0, 0.02, 1.0, 0.1, 1.0, 0.1)
             .lpf(1.0, 0.02, 1.0, 0.02, 1.0, inf)
             .lpfLfo(3.0, 1.0, 0.0)},
        {"saw-lead", "Lead", "saw", "Two detuned sawtooths with a vibrato that comes in late",
         Sound()
             .oscillators(2, 3)
             .vibrato(5.5, 2.0, 0.5)
             .amp(1.0, 0.02, 1.0, 0.1, 0.9, 0.2)
             .lpf(0.3, 0.1, 0.0, 0.2, 0.2, 0.2)},
        {"square-lead", "Lead", "square", "A clean square lead for melodies in the middle keys",
         Sound()
             .vibrato(5.0, 1.5, 0.5)
             .amp(0.8, 0.02, 1.0, 0.1, 0.9, 0.2)
             .lpf(0.4, 0.1, 0.2, 0.2, 0.3, 0.2)},
        {"sync-lead", "Lead", "sync", "A biting lead with a resonance on the fifth harmonic",
         Sound().oscillators(2, 2).vibrato(6.0, 1.5, 0.5).amp(1.0, 0.02, 1.0, 0.1, 0.8, 0.2)},
        {"nasal-lead", "Lead", "pulse-eighth", "A narrow pulse: thin and nasal, cuts through",
         Sound().vibrato(5.5, 1.0, 1.0).amp(1.0, 0.02, 0.9, 0.2, 0.8, 0.1)},
        {"whistle", "Lead", "sine", "A whistled sine that swells in, with a slow vibrato",
         Sound().vibrato(4.5, 3.0, 0.5).amp(0.0, 0.1, 1.0, 0.1, 0.9, 0.2)},
    };
}

std::vector<InstrumentRecipe> padsAndKeys() {
    return {
        {"warm-pad", "Pad", "saw-smooth", "Four soft sawtooths that swell in and open slowly",
         Sound()
             .oscillators(4, 2)
             .amp(0.0, 1.0, 0.9, 1.0, 0.8, 2.0)
             .lpf(1.4, 1.5, 0.8, 2.0, 0.9, inf)},
        {"string-pad", "Pad", "strings", "A wide string-machine pad of four detuned voices",
         Sound()
             .oscillators(4, 3)
             .amp(0.0, 0.6, 1.0, 0.5, 0.9, 1.5)
             .lpf(0.6, 0.5, 0.4, 1.0, 0.5, inf)},
        {"choir-pad", "Pad", "vowel-ah", "A choir singing \"ah\", slowly in and out",
         Sound().oscillators(4, 2).vibrato(5.0, 1.0, 1.0).amp(0.0, 0.8, 1.0, 0.5, 0.9, 1.5)},
        {"glass-pad", "Pad", "glass", "A glassy pad with a slow shimmer of tremolo",
         Sound().oscillators(2, 1).amp(0.0, 1.0, 1.0, 1.0, 0.8, 2.0).tremolo(1.5, 0.3, 1.0)},
        {"sweep-pad", "Pad", "saw", "A sawtooth pad whose filter opens over four seconds",
         Sound()
             .oscillators(4, 2)
             .amp(0.0, 0.5, 1.0, 0.5, 1.0, 2.0)
             .lpf(2.0, 4.0, 0.2, 2.0, 0.4, inf)},
        {"hollow-pad", "Pad", "hollow", "A dark, hollow pad on odd harmonics",
         Sound()
             .oscillators(2, 2)
             .amp(0.0, 1.2, 1.0, 0.5, 0.9, 1.8)
             .lpf(0.5, 1.0, 0.2, 1.0, 0.3, inf)},
        {"grand-piano", "Keys", "piano",
         "A struck string, bright at the blow, mellowing as it rings",
         Sound().amp(1.0, 0.1, 0.6, 2.0, 0.2, 0.4).lpf(0.0, 0.1, 0.4, 1.5, 1.0, inf)},
        {"honky-piano", "Keys", "piano", "An out-of-tune upright: two strings a little apart",
         Sound()
             .oscillators(2, 3)
             .amp(1.0, 0.1, 0.6, 1.5, 0.2, 0.3)
             .lpf(0.0, 0.1, 0.4, 1.2, 0.9, inf)},
        {"electric-piano", "Keys", "tine-piano", "A tine piano with a bell in its attack",
         Sound()
             .oscillators(2, 1)
             .amp(1.0, 0.1, 0.7, 2.0, 0.3, 0.4)
             .lpf(0.0, 0.2, 0.6, 1.0, 1.2, inf)},
        {"harpsichord", "Keys", "harpsichord", "Quills plucking near the string's end: all edge",
         Sound()
             .oscillators(2, 1)
             .amp(1.0, 0.1, 0.5, 1.0, 0.2, 0.2)
             .lpf(0.0, 0.1, 0.3, 1.0, 0.6, inf)},
        {"clav", "Keys", "pulse-quarter", "A funky clavichord-like pluck, short and nasal",
         Sound().amp(1.0, 0.1, 0.5, 0.4, 0.1, 0.1).lpf(0.0, 0.1, 0.6, 0.3, 1.2, 0.1)},
    };
}

std::vector<InstrumentRecipe> organsAndPlucks() {
    return {
        {"jazz-organ", "Organ", "organ-jazz", "Drawbars 888000000 with a rotating-speaker shake",
         Sound().amp(1.0, 0.02, 1.0, 0.1, 1.0, 0.02).tremolo(6.5, 0.2, 0.0)},
        {"full-organ", "Organ", "organ-full", "Every drawbar out: the loudest, brightest organ",
         Sound().amp(1.0, 0.02, 1.0, 0.1, 1.0, 0.02)},
        {"ballad-organ", "Organ", "organ-ballad", "Drawbars 838000000: soft, for slow chords",
         Sound().amp(0.5, 0.1, 1.0, 0.1, 1.0, 0.1).tremolo(1.0, 0.1, 0.5)},
        {"flute-organ", "Organ", "organ-flutes", "Flute stops 8', 4' and 2': light and airy",
         Sound().amp(1.0, 0.02, 1.0, 0.1, 1.0, 0.02)},
        {"church-organ", "Organ", "organ-principal", "A pipe organ's principal chorus, two ranks",
         Sound().oscillators(2, 1).amp(0.3, 0.1, 1.0, 0.1, 1.0, 0.4)},
        {"reed-organ", "Organ", "reed", "A harmonium's free reeds, breathing in",
         Sound()
             .oscillators(2, 2)
             .amp(0.2, 0.2, 1.0, 0.1, 0.9, 0.2)
             .lpf(0.6, 0.2, 0.2, 0.2, 0.2, inf)},
        {"nylon-guitar", "Pluck and mallet", "guitar", "A nylon string plucked at a fifth of it",
         Sound().amp(1.0, 0.1, 0.5, 1.5, 0.0, 0.3).lpf(0.0, 0.1, 0.3, 1.0, 0.8, inf)},
        {"harp", "Pluck and mallet", "harp", "A harp string plucked near its middle, ringing long",
         Sound().amp(1.0, 0.1, 0.6, 2.4, 0.0, 1.0).lpf(0.0, 0.2, 0.2, 2.0, 0.6, inf)},
        {"marimba", "Pluck and mallet", "marimba", "Wooden bars tuned to 1, 4 and 10: warm knock",
         Sound().amp(1.0, 0.1, 0.3, 0.6, 0.0, 0.2).lpf(0.0, 0.1, 0.8, 0.3, 1.5, inf)},
        {"vibraphone", "Pluck and mallet", "vibraphone", "Metal bars with the motor's tremolo",
         Sound()
             .amp(1.0, 0.1, 0.7, 2.4, 0.0, 1.0)
             .tremolo(5.5, 0.4, 0.0)
             .lpf(0.0, 0.1, 0.5, 0.5, 0.7, inf)},
        {"xylophone", "Pluck and mallet", "xylophone", "Hard bars tuned to a twelfth: bright, dry",
         Sound().amp(1.0, 0.1, 0.2, 0.4, 0.0, 0.1)},
        {"kalimba", "Pluck and mallet", "tine", "A thumb piano's tine, plucked",
         Sound().amp(1.0, 0.1, 0.4, 1.2, 0.0, 0.3).lpf(0.0, 0.1, 0.8, 0.4, 1.0, inf)},
    };
}

std::vector<InstrumentRecipe> bellsAndBrass() {
    return {
        {"church-bell", "Bell", "bell", "A bell's hum, prime, tierce, quint and nominal",
         Sound().amp(1.0, 0.1, 0.7, 4.0, 0.0, 2.0).lpf(0.0, 0.5, 0.3, 4.0, 0.8, inf)},
        {"glockenspiel", "Bell", "glockenspiel", "Steel bars struck with a hard mallet",
         Sound().amp(1.0, 0.1, 0.5, 2.0, 0.0, 1.0)},
        {"music-box", "Bell", "tine", "A music box comb: small, high and fading",
         Sound().amp(1.0, 0.1, 0.5, 1.5, 0.0, 0.5).lpf(0.0, 0.1, 0.4, 1.0, 0.8, inf)},
        {"celesta", "Bell", "marimba", "Steel plates over wooden resonators: a soft, sweet ring",
         Sound().amp(1.0, 0.1, 0.6, 1.8, 0.0, 0.6).lpf(0.0, 0.1, 0.4, 0.8, 0.7, inf)},
        {"glass-bell", "Bell", "glass", "A bright bell whose upper partials die first",
         Sound()
             .oscillators(2, 1)
             .amp(1.0, 0.1, 0.6, 3.0, 0.0, 1.5)
             .lpf(0.0, 0.1, 0.6, 2.0, 1.2, inf)},
        {"trumpet", "Brass", "trumpet", "A trumpet: the blare opens in the attack, late vibrato",
         Sound()
             .vibrato(5.5, 1.5, 0.5)
             .amp(0.2, 0.1, 1.0, 0.2, 0.8, 0.1)
             .lpf(1.2, 0.1, 0.0, 0.3, 0.2, 0.1)},
        {"trombone", "Brass", "trombone", "A trombone, broad and a little slower to speak",
         Sound()
             .vibrato(5.0, 1.0, 0.5)
             .amp(0.1, 0.1, 1.0, 0.2, 0.8, 0.2)
             .lpf(1.4, 0.2, 0.1, 0.3, 0.3, 0.2)},
        {"french-horn", "Brass", "horn", "A horn: dark, round and soft-edged",
         Sound()
             .vibrato(4.5, 1.0, 1.0)
             .amp(0.0, 0.1, 1.0, 0.2, 0.9, 0.3)
             .lpf(0.8, 0.2, 0.2, 0.5, 0.3, 0.3)},
        {"brass-section", "Brass", "trumpet", "Four trumpets together, not quite in tune",
         Sound()
             .oscillators(4, 2)
             .amp(0.2, 0.1, 1.0, 0.3, 0.8, 0.2)
             .lpf(1.2, 0.1, 0.0, 0.4, 0.3, 0.2)},
        {"synth-brass", "Brass", "saw", "A sawtooth brass whose filter swells with each note",
         Sound()
             .oscillators(2, 2)
             .amp(0.5, 0.1, 1.0, 0.3, 0.8, 0.2)
             .lpf(1.6, 0.2, 0.3, 0.5, 0.7, 0.2)},
    };
}

std::vector<InstrumentRecipe> stringsAndWinds() {
    return {
        {"violin", "Strings and winds", "violin", "A bowed violin with its bridge hill, vibrato",
         Sound().vibrato(5.5, 2.0, 0.5).amp(0.1, 0.1, 1.0, 0.3, 0.9, 0.3)},
        {"cello", "Strings and winds", "cello", "A bowed cello, warm body and slow vibrato",
         Sound().vibrato(5.0, 2.0, 0.5).amp(0.0, 0.2, 1.0, 0.3, 0.9, 0.4)},
        {"string-section", "Strings and winds", "strings", "A section of bowed strings together",
         Sound().oscillators(4, 2).vibrato(5.0, 1.0, 0.5).amp(0.0, 0.3, 1.0, 0.3, 0.9, 0.6)},
        {"pizzicato", "Strings and winds", "violin", "Violins plucked instead of bowed",
         Sound()
             .oscillators(2, 1)
             .amp(1.0, 0.1, 0.3, 0.4, 0.0, 0.1)
             .lpf(0.0, 0.1, 0.8, 0.3, 1.4, inf)},
        {"flute", "Strings and winds", "flute", "A flute: mostly fundamental, breathy vibrato",
         Sound().vibrato(5.0, 2.5, 0.5).amp(0.0, 0.1, 1.0, 0.2, 0.8, 0.2).tremolo(5.0, 0.1, 0.5)},
        {"clarinet", "Strings and winds", "clarinet", "A clarinet's low register: odd harmonics",
         Sound().amp(0.1, 0.1, 1.0, 0.2, 0.9, 0.1)},
        {"oboe", "Strings and winds", "oboe", "An oboe, reedy with its formant near 1.3 kHz",
         Sound().vibrato(5.5, 1.0, 0.5).amp(0.2, 0.1, 1.0, 0.2, 0.9, 0.1)},
        {"bassoon", "Strings and winds", "bassoon",
         "A bassoon for low lines, its formant at 500 Hz",
         Sound().amp(0.2, 0.1, 1.0, 0.2, 0.9, 0.1)},
    };
}

std::vector<InstrumentRecipe> drumsAndEffects() {
    return {
        // The falling pitch of a drum is its attack pitch; its step is the drum's edge.
        {"kick-drum", "Percussion", "sine", "A kick drum: a sine falling two octaves in its thud",
         Sound().attackPitch(24, 0.1).amp(1.0, 0.1, 0.4, 0.3, 0.0, 0.1)},
        {"tom", "Percussion", "membrane", "A tom: a membrane's modes, the pitch falling a fifth",
         Sound()
             .attackPitch(7, 0.1)
             .amp(1.0, 0.1, 0.5, 0.5, 0.0, 0.2)
             .lpf(0.0, 0.1, 0.8, 0.3, 1.2, inf)},
        {"snare", "Percussion", "buzz", "A snare-like rattle: every harmonic, gone in a flash",
         Sound()
             .oscillators(4, 9)
             .amp(1.0, 0.1, 0.2, 0.1, 0.0, 0.1)
             .lpf(0.0, 0.1, 1.0, 0.1, 2.0, inf)},
        {"hi-hat", "Percussion", "metal", "A closed hi-hat: far, unrelated partials, very short",
         Sound().oscillators(2, 7).amp(1.0, 0.02, 0.3, 0.1, 0.0, 0.02)},
        {"wood-block", "Percussion", "xylophone", "A wood block: one hollow knock",
         Sound().amp(1.0, 0.02, 0.4, 0.1, 0.0, 0.02).lpf(0.0, 0.02, 1.0, 0.1, 2.0, inf)},
        {"laser", "Effects", "saw", "A laser zap: two octaves falling, then a short tail",
         Sound().attackPitch(24, 0.3).amp(1.0, 0.3, 0.2, 0.2, 0.0, 0.1)},
        {"warble", "Effects", "square-smooth", "A warble that grows the longer the key is held",
         Sound().vibrato(9.5, 10.0, 0.0).amp(1.0, 0.02, 1.0, 0.1, 1.0, 0.3)},
        {"helicopter", "Effects", "buzz", "A rotor chopping nine times a second",
         Sound()
             .tremolo(9.5, 1.0, 0.0)
             .amp(1.0, 0.02, 1.0, 0.1, 1.0, 0.5)
             .lpf(1.2, 0.02, 1.2, 0.02, 1.2, inf)},
        {"drone", "Effects", "saw-dark", "Four dark sawtooths far apart, beating slowly",
         Sound().oscillators(4, 9).amp(0.0, 2.0, 1.0, 0.5, 1.0, 3.0)},
        {"wind", "Effects", "buzz", "A gust: a buzz behind a filter that comes and goes",
         Sound()
             .oscillators(4, 5)
             .amp(0.0, 1.5, 1.0, 1.0, 0.8, 2.0)
             .lpf(1.6, 0.5, 1.3, 1.0, 1.3, inf)
             .lpfLfo(0.5, 0.7, 0.0)},
        {"talking-robot", "Effects", "vowel-eh", "A voice saying \"eh\" through a fast tremolo",
         Sound().tremolo(8.0, 0.6, 0.0).amp(1.0, 0.02, 1.0, 0.1, 1.0, 0.2)},
        {"ghost-choir", "Voice", "vowel-oo", "An \"oo\" choir far away, slowly wavering",
         Sound().oscillators(4, 1).vibrato(3.0, 4.0, 0.5).amp(0.0, 2.0, 1.0, 1.0, 0.8, 3.0)},
        {"ee-voice", "Voice", "vowel-ee", "A bright \"ee\" vowel, sung straight",
         Sound().amp(0.0, 0.2, 1.0, 0.2, 0.9, 0.3)},
        {"oh-voice", "Voice", "vowel-oh", "A round \"oh\" vowel with a gentle vibrato",
         Sound().vibrato(5.0, 1.5, 0.5).amp(0.0, 0.2, 1.0, 0.2, 0.9, 0.3)},
    };
}

} // namespace

std::vector<InstrumentRecipe> instrumentRecipes() {
    std::vector<InstrumentRecipe> all;
    for (auto part : {bassesAndLeads, padsAndKeys, organsAndPlucks, bellsAndBrass, stringsAndWinds,
                      drumsAndEffects}) {
        std::vector<InstrumentRecipe> some = part();
        all.insert(all.end(), some.begin(), some.end());
    }
    return all;
}

} // namespace vorel::library

// The library's songs, each made for one instrument. The notes are written as a player reads a
// part: "C4/12" is middle C for 12 ticks (an eighth; a beat is 24 ticks, a page 96), "C4+E4+G4/96"
// a chord of a whole bar, "-/24" a rest, and "@9" after a note its velocity index (0..9, "100").
// The key length, the part of its length a note is held (0..9: 10 % .. 100 %), is the part's.
#include "tools/library/Recipes.h"

#include <sstream>
#include <stdexcept>

namespace vorel::library {
namespace {

// Key 0 is A1; the octave number goes up at every C.
int keyOf(const std::string& name) {
    static const std::string letters = "C D EF G A B";
    const std::size_t letter = letters.find(name.at(0));
    std::size_t at = 1;
    int semitone = static_cast<int>(letter);
    if (name.at(at) == '#') {
        ++semitone;
        ++at;
    }
    const int octave = std::stoi(name.substr(at));
    const int key = (octave + 1) * 12 + semitone - 33;
    if (letter == std::string::npos || key < 0 || key >= keyCount)
        throw std::invalid_argument("no key " + name);
    return key;
}

class Part {
  public:
    Part(SequenceData& sequence, int tick, int keyLength, int velocity)
        : sequence_(sequence), tick_(tick), keyLength_(keyLength), velocity_(velocity) {}

    // Plays the notes one after the other from where the part stands.
    Part& play(const std::string& notes) {
        std::istringstream words(notes);
        for (std::string word; words >> word;)
            playWord(word);
        return *this;
    }
    Part& at(int tick) {
        tick_ = tick;
        return *this;
    }

  private:
    void playWord(const std::string& word) {
        const std::size_t slash = word.find('/');
        const std::size_t accent = word.find('@');
        const int length = std::stoi(word.substr(slash + 1, accent - slash - 1));
        const int velocity =
            accent == std::string::npos ? velocity_ : std::stoi(word.substr(accent + 1));
        const std::string keys = word.substr(0, slash);
        if (keys != "-") {
            std::istringstream chord(keys);
            for (std::string name; std::getline(chord, name, '+');)
                sequence_.placeNote(tick_, keyOf(name), length, keyLength_, velocity);
        }
        tick_ += length;
    }

    SequenceData& sequence_;
    int tick_;
    int keyLength_;
    int velocity_;
};

constexpr int bar = ticksPerPage;

// A twelve-bar blues in F: a walking bass in quarters, the chords comped short on the offbeats.
void organBlues(SequenceData& s) {
    const char* bass[12] = {
        "F2/24 A2/24 C3/24 D#3/24", "A#2/24 D3/24 F3/24 D3/24", "F2/24 A2/24 C3/24 A2/24",
        "F2/24 G2/24 A2/24 B2/24",  "A#2/24 C3/24 D3/24 F3/24", "A#2/24 A2/24 G#2/24 G2/24",
        "F2/24 A2/24 C3/24 A2/24",  "D2/24 F#2/24 A2/24 C3/24", "G2/24 A#2/24 D3/24 A#2/24",
        "C3/24 A#2/24 A2/24 G2/24", "F2/24 A2/24 A#2/24 B2/24", "C3/24 E3/24 G3/24 C3/24"};
    const char* chord[12] = {"A3+D#4+F4",  "A#3+D4+G#4", "A3+D#4+F4", "A3+D#4+F4",
                             "A#3+D4+G#4", "A#3+D4+G#4", "A3+D#4+F4", "F#3+C4+D#4",
                             "A#3+D4+F4",  "A#3+E4+G4",  "A3+D#4+F4", "A#3+E4+G4"};
    for (int page = 0; page < 12; ++page) {
        Part(s, page * bar, 7, 7).play(bass[page]);
        const std::string c = chord[page];
        Part(s, page * bar, 4, 6)
            .play("-/16 " + c + "/8@8 -/24 -/16 " + c + "/8 -/16 " + c + "/8@8");
    }
    Part(s, 12 * bar, 9, 9).play("F2+C3+A3+D#4+F4+A4/96");
}

// A night drive in A minor: a sawtooth bass in eighths, octaves bouncing, accents on the beat.
void nightDrive(SequenceData& s) {
    const char* roots[4][2] = {{"A1", "A2"}, {"F2", "F3"}, {"C2", "C3"}, {"G2", "G3"}};
    for (int page = 0; page < 16; ++page) {
        const auto& root = roots[page % 4];
        std::string line;
        for (int eighth = 0; eighth < 8; ++eighth) {
            line += std::string(eighth % 2 == 0 ? root[0] : root[1]) + "/12";
            line += eighth % 4 == 0 ? "@9 " : eighth % 2 == 0 ? "@7 " : "@5 ";
        }
        Part(s, page * bar, page < 8 ? 5 : 3, 7).play(line);
    }
    Part(s, 16 * bar, 8, 9).play("A1/48");
}

// Slow chords for a pad: C, A minor, F, G, twice, a bar each, with a quiet melody on top.
void slowChords(SequenceData& s) {
    Part chords(s, 0, 9, 6);
    chords.play("C3+G3+C4+E4/96 A2+E3+A3+C4/96 F2+C3+F3+A3/96 G2+D3+G3+B3/96");
    chords.play("C3+G3+C4+E4/96 A2+E3+A3+C4/96 F2+C3+F3+A3/96 G2+D3+G3+B3/96 C3+G3+C4+E4/96");
    Part(s, 0, 8, 4).play("G5/48 E5/48 E5/48 C5/48 C5/48 A4/48 B4/48 D5/48");
    Part(s, 4 * bar, 8, 5).play("G5/48 A5/48 E5/48 C6/48 A5/48 F5/48 G5/48 B5/48 C6/96@7");
}

// A music-box waltz in C: three beats to a bar laid across the pages, bass on one, the chord on
// two and three, a tune high above.
void musicBoxWaltz(SequenceData& s) {
    const char* bass[8] = {"C4", "G3", "C4", "F3", "C4", "G3", "G3", "C4"};
    const char* harmony[8] = {"E4+G4", "F4+B4", "E4+G4", "F4+A4",
                              "E4+G4", "D4+F4", "D4+B4", "E4+G4"};
    const char* tune[8] = {
        "E6/48 G6/24",       "F6/24 D6/24 B5/24", "C6/48 E6/24",       "A5/72",
        "G5/24 C6/24 E6/24", "D6/48 F6/24",       "B5/24 D6/24 G6/24", "C6/72@9"};
    for (int round = 0; round < 2; ++round) {
        for (int b = 0; b < 8; ++b) {
            const int tick = (round * 8 + b) * 72;
            Part(s, tick, 5, 6)
                .play(std::string(bass[b]) + "/24 " + harmony[b] + "/24@4 " + harmony[b] + "/24@4");
            Part(s, tick, 8, round == 0 ? 7 : 8).play(tune[b]);
        }
    }
}

// A fanfare for brass: a call in triplets and dotted rhythms, answered an octave down.
void fanfare(SequenceData& s) {
    Part call(s, 0, 6, 8);
    call.play("C4/8 C4/8 C4/8 G4/48@9 -/24 E4/18 E4/6 G4/18 E4/6 C4/48 -/24");
    call.play("G4/8 G4/8 G4/8 C5/72@9 -/24 B4/8 A4/8 G4/8 A4/18 B4/6 C5/96@9");
    Part answer(s, 2 * bar, 6, 7);
    answer.play("C3/8 C3/8 C3/8 G3/48 -/24 E3/18 E3/6 G3/18 E3/6 C3/48");
    Part(s, 5 * bar, 9, 9).play("C3+G3+C4+E4+G4+C5/192");
}

// A marimba groove in D dorian: sixteenths in two hands, accented on the beat and the "and".
void marimbaGroove(SequenceData& s) {
    const char* right[2] = {"D5 A4 F5 A4 E5 A4 C5 A4", "D5 B4 G5 B4 F5 B4 D5 B4"};
    const char* left[2] = {"D3/24 A3/24 D4/24 A3/24", "G2/24 D3/24 G3/24 B3/24"};
    for (int page = 0; page < 8; ++page) {
        std::istringstream notes(right[page % 4 < 2 ? 0 : 1]);
        std::string line;
        int sixteenth = 0;
        for (std::string name; notes >> name; ++sixteenth)
            line += name + "/6" + (sixteenth % 4 == 0 ? "@9 " : sixteenth % 2 == 0 ? "@7 " : "@5 ");
        Part(s, page * bar, 4, 7).play(line + line);
        Part(s, page * bar, 6, 6).play(left[page % 4 < 2 ? 0 : 1]);
    }
    Part(s, 8 * bar, 7, 9).play("D3+A3+D4+F4+A4+D5/48");
}

// A string adagio in D minor: a long-breathed melody over a slow cello line.
void stringAdagio(SequenceData& s) {
    Part(s, 0, 9, 6)
        .play("A4/72 G4/24 F4/48 E4/48 D4/96 -/48 F4/24 G4/24 A4/48 D5/48 C5/72 "
              "A#4/24 A4/96@8 G4/48 F4/48 E4/48 A4/48 D4/192@7");
    Part(s, 0, 9, 5).play("D3/96 A2/96 A#2/96 F2/96 G2/96 A2/96 D3/96 A2/96 D2/96");
    Part(s, 0, 9, 3).play("F3/96 E3/96 D3/96 C3/96 D3/96 C#3/96 A3/96 G3/48 E3/48 F3/96");
}

} // namespace

std::vector<SongRecipe> songRecipes() {
    return {
        {"organ-blues", "jazz-organ", 100, "A twelve-bar blues in F, walking bass and comping",
         organBlues},
        {"night-drive", "saw-bass", 124, "An A minor bass line in eighths, octaves bouncing",
         nightDrive},
        {"slow-chords", "warm-pad", 80, "C, A minor, F and G, a bar each, a melody on top",
         slowChords},
        {"music-box-waltz", "music-box", 168, "A waltz in C, the tune two octaves up",
         musicBoxWaltz},
        {"fanfare", "brass-section", 112, "A call in triplets and dotted notes, answered low",
         fanfare},
        {"marimba-groove", "marimba", 140, "Sixteenths in two hands in D dorian", marimbaGroove},
        {"string-adagio", "string-section", 84, "A slow D minor melody over a cello line",
         stringAdagio},
    };
}

} // namespace vorel::library

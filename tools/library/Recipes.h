#pragma once

// The recipes of the instrument library that vorel-make-examples writes into library/: the waves,
// the sounds made on them, the instruments that pair the two, and the songs made for them.

#include "common/WaveData.h"
#include "sequencer/SequenceData.h"
#include "synth/SoundSettings.h"

#include <functional>
#include <string>
#include <vector>

namespace vorel::library {

struct WaveRecipe {
    std::string name; // the file's stem: waves/NAME.vorelwf
    WaveData wave;
};

struct InstrumentRecipe {
    std::string name;     // the sound file's stem: sounds/NAME.vorelsf
    std::string category; // as the browser groups them
    std::string wave;     // a WaveRecipe's name
    std::string description;
    SoundSettings sound;
};

struct SongRecipe {
    std::string name; // songs/NAME.vorelsqf
    std::string instrument;
    int tempo;
    std::string description;
    std::function<void(SequenceData&)> write;
};

std::vector<WaveRecipe> waveRecipes();
std::vector<InstrumentRecipe> instrumentRecipes();
std::vector<SongRecipe> songRecipes();

// The index file of the library, listing every instrument and song above.
std::string indexText(const std::vector<InstrumentRecipe>& instruments,
                      const std::vector<SongRecipe>& songs);

} // namespace vorel::library

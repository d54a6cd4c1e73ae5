#include "tools/library/Recipes.h"

#include <sstream>

namespace vorel::library {

std::string indexText(const std::vector<InstrumentRecipe>& instruments,
                      const std::vector<SongRecipe>& songs) {
    std::ostringstream text;
    text << "# Vorel's library of instruments and songs.\n"
            "#\n"
            "# One entry a line, its fields separated by \"|\"; blank lines and lines starting "
            "with\n"
            "# \"#\" are left out. File names are relative to this folder (or absolute).\n"
            "#\n"
            "#   instrument | NAME | CATEGORY | WAVE FILE | SOUND FILE | DESCRIPTION\n"
            "#   song | NAME | INSTRUMENT | TEMPO | SEQUENCE FILE | DESCRIPTION\n"
            "#\n"
            "# An instrument is a wave and the sound made for it; a song names the instrument it "
            "was\n"
            "# made for and its tempo (80..220), which a sequence file does not keep. Your own\n"
            "# instruments go into an index of the same form in ~/.local/share/vorel/library/\n"
            "# (or $XDG_DATA_HOME/vorel/library/), shown beside these.\n";
    std::string category;
    for (const InstrumentRecipe& instrument : instruments) {
        if (instrument.category != category) {
            category = instrument.category;
            text << "\n# " << category << "\n";
        }
        text << "instrument | " << instrument.name << " | " << instrument.category << " | waves/"
             << instrument.wave << ".vorelwf | sounds/" << instrument.name << ".vorelsf | "
             << instrument.description << "\n";
    }
    text << "\n# Songs\n";
    for (const SongRecipe& song : songs)
        text << "song | " << song.name << " | " << song.instrument << " | " << song.tempo
             << " | songs/" << song.name << ".vorelsqf | " << song.description << "\n";
    return text.str();
}

} // namespace vorel::library

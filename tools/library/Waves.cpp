// The library's waves. Harmonic n is entry n - 1; a coefficient sounds only above 0.05, and the
// filter divides harmonic n by n^degree, so the size of a wave's top coefficients says how far up
// its spectrum reaches and how the filter's degree darkens it: a sawtooth at 8/n sounds all 100
// harmonics open and about 12 at degree 1. The voice adds sines of every harmonic in phase, so
// where a real spectrum has alternating signs only the magnitudes are kept: the ear hears the
// same tone.
#include "tools/library/Recipes.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <initializer_list>
#include <utility>

namespace vorel::library {
namespace {

constexpr double pi = 3.141592653589793;

// A wave from the amplitude of each harmonic, harmonic 1 first.
template <typename Amplitude> WaveData series(Amplitude amplitude) {
    WaveData wave{};
    for (std::size_t k = 0; k < harmonicCount; ++k)
        wave[k] = amplitude(static_cast<double>(k + 1));
    return wave;
}

// A wave of a few named harmonics: {harmonic, amplitude}.
WaveData partials(std::initializer_list<std::pair<int, double>> list) {
    WaveData wave{};
    for (auto [harmonic, amplitude] : list)
        wave[static_cast<std::size_t>(harmonic - 1)] = amplitude;
    return wave;
}

// The wave scaled so that its largest coefficient is `top`.
WaveData scaledTo(WaveData wave, double top) {
    const double largest = *std::max_element(wave.begin(), wave.end());
    for (double& c : wave)
        c = c * top / largest;
    return wave;
}

bool odd(double n) {
    return std::fmod(n, 2.0) == 1.0;
}

// Lanczos' sigma factor: tapers a truncated series so that its edges do not ring (no Gibbs
// overshoot), at the price of a slightly softer top.
double sigma(double n) {
    const double x = pi * n / (harmonicCount + 1);
    return std::sin(x) / x;
}

// A string plucked (or struck) at a fraction `at` of its length loses every harmonic with a node
// there; a pluck leaves harmonic n at sin(pi n at) / n^2, a hammer's blow at sin(pi n at) / n.
double stringMode(double n, double at, double power) {
    return std::abs(std::sin(pi * n * at)) / std::pow(n, power);
}

// A rectangular pulse of the given duty: harmonic n at |sin(pi n duty)| / n.
double pulse(double n, double duty) {
    return std::abs(std::sin(pi * n * duty)) / n;
}

// Drawbars of an organ, as written on the console: nine digits 0..8 for the ranks 16', 5 1/3', 8',
// 4', 2 2/3', 2', 1 3/5', 1 1/3' and 1', which sound harmonics 1, 3, 2, 4, 6, 8, 10, 12 and 16 of
// the 16' pitch. Each step of a drawbar is 3 dB; 0 is off.
WaveData drawbars(const char (&setting)[10]) {
    constexpr int harmonics[9] = {1, 3, 2, 4, 6, 8, 10, 12, 16};
    WaveData wave{};
    for (int bar = 0; bar < 9; ++bar) {
        const int level = setting[bar] - '0';
        if (level > 0)
            wave[static_cast<std::size_t>(harmonics[bar] - 1)] =
                std::pow(10.0, -3.0 * (8 - level) / 20.0);
    }
    return wave;
}

// A sung vowel at 220 Hz: the glottal source's harmonics falling as 1/n, raised near the first
// three formants of the vocal tract (centre frequency in Hz, relative height), each a resonance
// about 150 Hz wide. The formants stay at their harmonics, so the vowel is truest around A3.
WaveData vowel(double f1, double f2, double f3, double height2, double height3) {
    const double formants[3][2] = {{f1, 1.0}, {f2, height2}, {f3, height3}};
    return scaledTo(series([&](double n) {
                        double lift = 0.0;
                        for (const auto& [centre, height] : formants) {
                            const double distance = (n * 220.0 - centre) / 150.0;
                            lift += height * std::exp(-distance * distance);
                        }
                        return (0.3 + 3.0 * lift) / n;
                    }),
                    1.5);
}

// Bowed strings: the bow's stick-slip motion is a sawtooth (1/n), coloured by the body's
// resonances. `bumps` are {harmonic, height, width in harmonics}.
WaveData bowed(std::initializer_list<std::array<double, 3>> bumps) {
    return scaledTo(series([&](double n) {
                        double body = 1.0;
                        for (const auto& [centre, height, width] : bumps) {
                            const double distance = (n - centre) / width;
                            body += height * std::exp(-distance * distance);
                        }
                        return body / n;
                    }),
                    4.0);
}

std::vector<WaveRecipe> classicShapes() {
    return {
        // The classic shapes and their band-limited variants.
        {"sine", partials({{1, 1.0}})},
        {"sub", partials({{1, 1.0}, {2, 0.25}, {3, 0.1}})}, // a sine a small speaker can show
        {"saw", series([](double n) { return 8.0 / n; })},
        {"saw-smooth", series([](double n) { return 8.0 / n * sigma(n); })},
        {"saw-dark", series([](double n) { return 2.0 / n; })}, // the first 39 harmonics
        {"square", series([](double n) { return odd(n) ? 8.0 / n : 0.0; })},
        {"square-smooth", series([](double n) { return odd(n) ? 8.0 / n * sigma(n) : 0.0; })},
        {"triangle", series([](double n) { return odd(n) ? 8.0 / (n * n) : 0.0; })},
        {"hollow", series([](double n) { return odd(n) ? 3.0 / std::pow(n, 1.5) : 0.0; })},
        {"pulse-quarter", scaledTo(series([](double n) { return pulse(n, 0.25); }), 6.0)},
        {"pulse-eighth", scaledTo(series([](double n) { return pulse(n, 0.125); }), 6.0)},
        {"reed", scaledTo(series([](double n) { return pulse(n, 1.0 / 3.0); }), 3.0)},
        {"buzz", series([](double) { return 1.0; })}, // every harmonic alike: a pulse train
        // A sawtooth with a resonance at its fifth harmonic, as an oscillator synced to a faster
        // one sounds.
        {"sync", series([](double n) {
             const double distance = (n - 5.0) / 1.5;
             return 6.0 / n * (1.0 + 2.0 * std::exp(-distance * distance));
         })},
        {"glass", partials({{1, 1.0}, {5, 0.3}, {8, 0.5}, {11, 0.4}, {14, 0.3}, {17, 0.15}})},
    };
}

std::vector<WaveRecipe> organs() {
    return {
        // Organs: drawbar registrations, and a pipe organ's principal chorus of 8', 4', 2 2/3',
        // 2' and a mixture, the 8' at the key's pitch.
        {"organ-full", drawbars("888888888")},
        {"organ-jazz", drawbars("888000000")},
        {"organ-ballad", drawbars("838000000")},
        {"organ-flutes", drawbars("008040200")},
        {"organ-principal", partials({{1, 1.0},
                                      {2, 0.7},
                                      {3, 0.45},
                                      {4, 0.4},
                                      {5, 0.2},
                                      {6, 0.25},
                                      {8, 0.2},
                                      {10, 0.1},
                                      {12, 0.1}})},
    };
}

std::vector<WaveRecipe> strings() {
    return {
        // Strings plucked and struck.
        {"piano", scaledTo(series([](double n) {
                               return stringMode(n, 1.0 / 7.0, 1.0) * std::exp(-n / 20.0);
                           }),
                           2.0)},
        {"guitar", scaledTo(series([](double n) { return stringMode(n, 1.0 / 5.0, 2.0); }), 4.0)},
        {"harp", scaledTo(series([](double n) { return stringMode(n, 1.0 / 3.0, 2.0); }), 3.0)},
        {"harpsichord",
         scaledTo(series([](double n) { return stringMode(n, 1.0 / 9.0, 1.5); }), 4.0)},
        {"bass-pluck",
         scaledTo(series([](double n) { return stringMode(n, 1.0 / 10.0, 2.0); }), 5.0)},
        // An electric piano's tine: a strong fundamental and a bell-like partial near the 7th.
        {"tine-piano", partials({{1, 1.0}, {2, 0.35}, {3, 0.12}, {7, 0.2}})},
        // Bowed strings: the violin's bridge hill near 2.5 kHz (harmonic 6 of A4), the cello's
        // body near 200 Hz and its bridge near 2 kHz (harmonics 2 and 18 of A2).
        {"violin", bowed({{6.0, 1.5, 2.5}})},
        {"cello", bowed({{2.0, 0.8, 1.0}, {18.0, 1.2, 5.0}})},
        {"strings", series([](double n) { return 4.0 / std::pow(n, 1.1); })},
    };
}

std::vector<WaveRecipe> windsAndBrass() {
    return {
        // Winds, from measured spectra of their middle register.
        {"flute", partials({{1, 1.0}, {2, 0.5}, {3, 0.25}, {4, 0.12}, {5, 0.08}, {6, 0.06}})},
        {"clarinet", partials({{1, 1.0},
                               {2, 0.08},
                               {3, 0.75},
                               {4, 0.06},
                               {5, 0.5},
                               {6, 0.06},
                               {7, 0.35},
                               {9, 0.25},
                               {11, 0.15},
                               {13, 0.1},
                               {15, 0.07}})},
        {"oboe", partials({{1, 0.35},
                           {2, 0.8},
                           {3, 1.0},
                           {4, 0.75},
                           {5, 0.55},
                           {6, 0.45},
                           {7, 0.3},
                           {8, 0.25},
                           {9, 0.15},
                           {10, 0.12},
                           {11, 0.1},
                           {12, 0.08}})},
        {"bassoon", partials({{1, 0.3},
                              {2, 0.5},
                              {3, 0.8},
                              {4, 1.0},
                              {5, 0.8},
                              {6, 0.5},
                              {7, 0.35},
                              {8, 0.3},
                              {9, 0.2},
                              {10, 0.15},
                              {11, 0.1},
                              {12, 0.08}})},
        // Brass: the trumpet's spectrum peaks near its third harmonic and reaches far up, the
        // trombone's peaks at the second, the horn's is dark.
        {"trumpet", series([](double n) {
             return n <= 3.0 ? 0.55 + 0.225 * (n - 1.0) : std::exp(-0.16 * (n - 3.0));
         })},
        {"trombone", series([](double n) {
             return n <= 2.0 ? 0.7 + 0.3 * (n - 1.0) : std::exp(-0.22 * (n - 2.0));
         })},
        {"horn", series([](double n) { return std::exp(-0.4 * (n - 1.0)); })},
    };
}

std::vector<WaveRecipe> vowelsBarsAndBells() {
    return {
        // Vowels: the formants of "ah", "ee", "oo", "oh" and "eh".
        {"vowel-ah", vowel(730, 1090, 2440, 0.5, 0.25)},
        {"vowel-ee", vowel(270, 2290, 3010, 0.35, 0.25)},
        {"vowel-oo", vowel(300, 870, 2240, 0.45, 0.1)},
        {"vowel-oh", vowel(570, 840, 2410, 0.5, 0.15)},
        {"vowel-eh", vowel(530, 1840, 2480, 0.45, 0.25)},
        // Struck bars and bells, each mode at the harmonic it is tuned to or nearest: a marimba
        // or vibraphone bar is cut for modes at 1, 4 and 10 times its note, a xylophone's at 1, 3
        // and 6; a glockenspiel's free bar rings at 1, 2.76, 5.40 and 8.93 (near 3, 5 and 9), a
        // comb's tooth at 1, 6.27 and 17.5.
        {"marimba", partials({{1, 1.0}, {4, 0.35}, {10, 0.12}})},
        {"vibraphone", partials({{1, 1.0}, {4, 0.5}, {10, 0.15}})},
        {"xylophone", partials({{1, 1.0}, {3, 0.6}, {6, 0.25}, {9, 0.1}})},
        {"glockenspiel", partials({{1, 1.0}, {3, 0.7}, {5, 0.55}, {9, 0.4}, {13, 0.2}})},
        {"tine", partials({{1, 1.0}, {6, 0.4}, {18, 0.15}})},
        // A church bell's hum, prime, tierce, quint and nominal (1 : 2 : 2.4 : 3 : 4) an octave
        // up on harmonics 2, 4, 5, 6 and 8, with the superquint and the octave nominal above.
        {"bell",
         partials({{2, 0.6}, {4, 0.8}, {5, 1.0}, {6, 0.4}, {8, 0.9}, {12, 0.4}, {16, 0.25}})},
        // A drum's membrane: its modes at 1, 1.59, 2.14 and 2.65 of the lowest, here on harmonics
        // 2, 3, 4 and 5, the key an octave below the drum.
        {"membrane", partials({{2, 1.0}, {3, 0.5}, {4, 0.35}, {5, 0.2}})},
        // Cymbal-like metal: a sparse set of far partials, no two in simple ratios.
        {"metal", partials({{1, 0.2},
                            {11, 0.8},
                            {13, 0.8},
                            {17, 0.8},
                            {19, 0.8},
                            {23, 0.8},
                            {29, 0.8},
                            {31, 0.8},
                            {37, 0.6},
                            {41, 0.6},
                            {43, 0.6},
                            {47, 0.6}})},
    };
}

} // namespace

std::vector<WaveRecipe> waveRecipes() {
    std::vector<WaveRecipe> all;
    for (auto part : {classicShapes, organs, strings, windsAndBrass, vowelsBarsAndBells}) {
        std::vector<WaveRecipe> some = part();
        all.insert(all.end(), some.begin(), some.end());
    }
    return all;
}

} // namespace vorel::library

#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QProcess>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace vorel::test {

// Records what the private sound server's null sink plays, with parec, as 16-bit mono at
// 44100 Hz: the very samples the player handed over, since nothing is resampled or mixed.
class Recording {
  public:
    Recording() = default;
    Recording(const Recording&) = delete;
    Recording& operator=(const Recording&) = delete;
    ~Recording();

    // Starts recording and waits until samples arrive. Empty on success, otherwise the reason
    // why nothing can be recorded (no private server, parec failing).
    QString start();
    std::size_t samplesSoFar() const { return static_cast<std::size_t>(bytes_.size()) / 2; }
    // Waits until some sound has been recorded; false after `timeoutMs` of silence.
    bool waitForSound(int timeoutMs);
    // Records `trailingMs` of samples more, ends the recording and returns all of it.
    std::vector<std::int16_t> finish(int trailingMs);

  private:
    void collect();

    QProcess parec_;
    QByteArray bytes_;
};

// A sine of `length` samples at `hz`, starting at phase 0, not ending on a zero crossing.
std::vector<std::int16_t> sineSamples(double hz, double amplitude, std::size_t length);

// The correlation of recorded samples with samples evaluated in float, of the same length: 1.0
// for the same shape at any level, 0.0 when either is silent.
double correlation(std::span<const std::int16_t> recorded, std::span<const float> evaluated);

// The index of the first sample that is not zero at or after `from`; the size when none is.
std::size_t firstSound(std::span<const std::int16_t> samples, std::size_t from = 0);

// The recording holds silence, then every sample of `expected` in order, then only silence.
// `start` receives the recording index where `expected` begins.
::testing::AssertionResult holdsExactly(std::span<const std::int16_t> recording,
                                        std::span<const std::int16_t> expected,
                                        std::size_t* start = nullptr);

// recording[from, to) holds silence, then a proper beginning of `expected`, cut somewhere
// before its end, then silence. `heard` receives the number of samples of it that were played.
::testing::AssertionResult holdsCutShort(std::span<const std::int16_t> recording, std::size_t from,
                                         std::size_t to, std::span<const std::int16_t> expected,
                                         std::size_t* heard);

// The first recording index where all of `expected` lies, sample for sample; the recording's
// size when it lies nowhere.
std::size_t findExactly(std::span<const std::int16_t> recording,
                        std::span<const std::int16_t> expected);

} // namespace vorel::test

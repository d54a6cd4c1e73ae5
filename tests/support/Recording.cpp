#include "support/Recording.h"

#include "common/Conversion.h"
#include "support/Deadlines.h"

#include <QTest>

#include <cmath>
#include <csignal>
#include <cstring>

namespace vorel::test {

Recording::~Recording() {
    if (parec_.state() != QProcess::NotRunning) {
        parec_.kill();
        parec_.waitForFinished(hungMs);
    }
}

QString Recording::start() {
    const QString monitor = qEnvironmentVariable("VOREL_PULSE_MONITOR");
    if (monitor.isEmpty())
        return "no private sound server (VOREL_PULSE_MONITOR is not set): run the tests "
               "through ./test";
    QObject::connect(&parec_, &QProcess::readyReadStandardOutput, [this] { collect(); });
    parec_.start("parec", {"--device=" + monitor, "--format=s16le", "--channels=1", "--rate=44100",
                           "--raw", "--latency-msec=20"});
    if (!parec_.waitForStarted(hungMs))
        return "parec could not be started: " + parec_.errorString();
    // The null sink runs all the time, so its monitor delivers silence at once.
    if (!QTest::qWaitFor([this] { return samplesSoFar() > 0; }, hungMs))
        return "parec records nothing from " + monitor + ": " +
               QString::fromLocal8Bit(parec_.readAllStandardError());
    return {};
}

void Recording::collect() {
    bytes_.append(parec_.readAllStandardOutput());
}

bool Recording::waitForSound(int timeoutMs) {
    return QTest::qWaitFor(
        [this] {
            const auto* samples = reinterpret_cast<const std::int16_t*>(bytes_.constData());
            return firstSound({samples, samplesSoFar()}) < samplesSoFar();
        },
        timeoutMs);
}

std::vector<std::int16_t> Recording::finish(int trailingMs) {
    // The null sink plays in real time whatever the machine does, so once `trailingMs` of
    // samples more have been recorded, everything played before this call has been recorded too.
    const std::size_t until = samplesSoFar() + static_cast<std::size_t>(trailingMs) * 44100 / 1000;
    if (!QTest::qWaitFor([&] { return samplesSoFar() >= until; }, hungMs))
        ADD_FAILURE() << "the recording stopped at sample " << samplesSoFar();
    // parec writes out what it holds on an interrupt; a termination would lose it.
    ::kill(static_cast<pid_t>(parec_.processId()), SIGINT);
    parec_.waitForFinished(hungMs);
    collect();
    std::vector<std::int16_t> samples(samplesSoFar());
    std::memcpy(samples.data(), bytes_.constData(), samples.size() * 2);
    return samples;
}

std::vector<std::int16_t> sineSamples(double hz, double amplitude, std::size_t length) {
    std::vector<std::int16_t> samples(length);
    for (std::size_t i = 0; i < length; ++i)
        samples[i] = truncateTo<std::int16_t>(std::sin(i * hz * 6.283185308 / 44100) * amplitude);
    return samples;
}

double correlation(std::span<const std::int16_t> recorded, std::span<const float> evaluated) {
    double both = 0.0, ownRecorded = 0.0, ownEvaluated = 0.0;
    for (std::size_t i = 0; i < recorded.size(); ++i) {
        both += recorded[i] * static_cast<double>(evaluated[i]);
        ownRecorded += recorded[i] * static_cast<double>(recorded[i]);
        ownEvaluated += evaluated[i] * static_cast<double>(evaluated[i]);
    }
    return ownRecorded == 0.0 || ownEvaluated == 0.0 ? 0.0
                                                     : both / std::sqrt(ownRecorded * ownEvaluated);
}

std::size_t firstSound(std::span<const std::int16_t> samples, std::size_t from) {
    while (from < samples.size() && samples[from] == 0)
        ++from;
    return from;
}

namespace {

// Compares `expected` with the recording from `start`; an empty string when every sample
// matches.
std::string firstDifference(std::span<const std::int16_t> recording, std::size_t start,
                            std::span<const std::int16_t> expected) {
    for (std::size_t i = 0; i < expected.size(); ++i) {
        if (start + i >= recording.size())
            return "the recording ends at sample " + std::to_string(i) + " of " +
                   std::to_string(expected.size());
        if (recording[start + i] != expected[i])
            return "first difference at sample " + std::to_string(i) + " (recording index " +
                   std::to_string(start + i) + "): expected " + std::to_string(expected[i]) +
                   ", recorded " + std::to_string(recording[start + i]);
    }
    return {};
}

} // namespace

::testing::AssertionResult holdsExactly(std::span<const std::int16_t> recording,
                                        std::span<const std::int16_t> expected,
                                        std::size_t* start) {
    const std::size_t recorded = firstSound(recording);
    const std::size_t sounding = firstSound(expected);
    if (recorded == recording.size())
        return ::testing::AssertionFailure() << "the recording is silent";
    if (recorded < sounding)
        return ::testing::AssertionFailure()
               << "sound at recording index " << recorded << " before the sound can begin";
    const std::size_t begin = recorded - sounding;
    if (const std::string difference = firstDifference(recording, begin, expected);
        !difference.empty())
        return ::testing::AssertionFailure() << difference;
    const std::size_t after = firstSound(recording, begin + expected.size());
    if (after < recording.size())
        return ::testing::AssertionFailure()
               << "sound after the end: " << recording[after] << " at recording index " << after
               << ", " << after - begin - expected.size() << " samples after the last one";
    if (start)
        *start = begin;
    return ::testing::AssertionSuccess()
           << expected.size() << " samples from recording index " << begin << ", then "
           << recording.size() - begin - expected.size() << " samples of silence";
}

::testing::AssertionResult holdsCutShort(std::span<const std::int16_t> recording, std::size_t from,
                                         std::size_t to, std::span<const std::int16_t> expected,
                                         std::size_t* heard) {
    const auto part = recording.subspan(from, to - from);
    const std::size_t recorded = firstSound(part);
    const std::size_t sounding = firstSound(expected);
    if (recorded == part.size())
        return ::testing::AssertionFailure() << "nothing of the sound was recorded";
    if (recorded < sounding)
        return ::testing::AssertionFailure() << "sound before the sound can begin";
    const std::size_t begin = recorded - sounding;
    std::size_t end = part.size();
    while (part[end - 1] == 0)
        --end;
    const std::size_t played = end - begin;
    if (played >= expected.size())
        return ::testing::AssertionFailure()
               << "all " << expected.size() << " samples were played (" << played
               << " sounding), the sound was not cut short";
    if (const std::string difference = firstDifference(part, begin, expected.first(played));
        !difference.empty())
        return ::testing::AssertionFailure() << difference;
    *heard = played;
    return ::testing::AssertionSuccess();
}

std::size_t findExactly(std::span<const std::int16_t> recording,
                        std::span<const std::int16_t> expected) {
    if (expected.size() > recording.size())
        return recording.size();
    for (std::size_t start = 0; start + expected.size() <= recording.size(); ++start)
        if (std::equal(expected.begin(), expected.end(), recording.begin() + start))
            return start;
    return recording.size();
}

} // namespace vorel::test

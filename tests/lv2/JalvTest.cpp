// The installed bundle in a real host: jalv, its console form, under the private JACK server. One
// JACK client of the test sends notes at known frames into jalv's MIDI input, another records
// jalv's output in the same cycles; each note's samples start at its frame.
//
// Alignment: both of the test's clients and jalv run in every cycle of the server, in the order
// of their connections (sender, jalv, recorder), and jalv passes each MIDI event to the plugin at
// its frame within the cycle. A note sent for frame F of the server's clock is so heard from frame
// F on, in the same cycle: no block of latency lies between them, and the test asks for the
// frame exactly. The server runs without real-time scheduling, so on a busy machine it loses
// cycles (the frames of two cycles do not follow each other, or it reports a late one); a take
// that saw this is played again, and when every take of a note does, the test skips.

#include "common/WaveFile.h"
#include "support/Deadlines.h"
#include "support/TempFolder.h"
#include "synth/StreamingVoice.h"
#include "synth/SynthConstants.h"

#include <gtest/gtest.h>
#include <jack/jack.h>
#include <jack/midiport.h>

#include <atomic>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <semaphore.h>
#include <spawn.h>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace vorel::test {
namespace {

struct Note {
    jack_nframes_t frame; // after the start
    int note;
    jack_nframes_t length;
};
// One take each, at different places within the server's cycles.
const std::vector<Note> notes{{1000, 69, 1000}, {1345, 76, 1000}, {1077, 60, 1000}};
constexpr jack_nframes_t recordFrames = 8400;

timespec deadline() {
    timespec at{};
    clock_gettime(CLOCK_REALTIME, &at);
    at.tv_sec += hungMs / 1000;
    return at;
}

// The test's two clients and what passes between their process callbacks. A take is one note
// played and recorded; a cycle the busy machine lost (the frames of two cycles not following each
// other) spoils the take, which is then played again.
struct Clients {
    jack_client_t* sender = nullptr;
    jack_client_t* recorder = nullptr;
    jack_port_t* midiOut = nullptr;
    jack_port_t* audioIn = nullptr;
    std::atomic<int> take{0};             // asked for by the test
    std::atomic<std::size_t> note{0};     // the note of the take
    std::atomic<int> startedTake{0};      // started by the sender
    std::atomic<jack_nframes_t> start{0}; // server frame of the notes' frame 0 in that take
    std::vector<float> recording = std::vector<float>(recordFrames);
    std::atomic<bool> spoiled{false};
    sem_t done{};      // the take is recorded, or spoiled
    sem_t portsSeen{}; // a port was registered somewhere
    // Each callback's own.
    int sentTake = 0;
    int recordedTake = 0;
    jack_nframes_t filled = 0;
    bool over = true;

    Clients() {
        sem_init(&done, 0, 0);
        sem_init(&portsSeen, 0, 0);
    }
    ~Clients() {
        if (sender != nullptr)
            jack_client_close(sender);
        if (recorder != nullptr)
            jack_client_close(recorder);
        sem_destroy(&done);
        sem_destroy(&portsSeen);
    }
    static int send(jack_nframes_t frames, void* arg);
    static int record(jack_nframes_t frames, void* arg);
};

int Clients::send(jack_nframes_t frames, void* arg) {
    auto& c = *static_cast<Clients*>(arg);
    void* buffer = jack_port_get_buffer(c.midiOut, frames);
    jack_midi_clear_buffer(buffer);
    const jack_nframes_t now = jack_last_frame_time(c.sender);
    if (c.sentTake != c.take.load()) {
        c.sentTake = c.take.load();
        c.start.store(now + frames); // the next cycle, which both see whole
        c.startedTake.store(c.sentTake);
    }
    if (c.sentTake == 0)
        return 0;
    const jack_nframes_t start = c.start.load();
    if (start == now) {
        // What a spoiled take left sounding ends first.
        const jack_midi_data_t allSoundOff[3] = {0xB0, 120, 0};
        jack_midi_event_write(buffer, 0, allSoundOff, 3);
    }
    const Note& note = notes[c.note.load()];
    for (const auto& [at, status, velocity] :
         {std::tuple{note.frame, 0x90, 100}, std::tuple{note.frame + note.length, 0x80, 0}}) {
        const jack_nframes_t frame = start + at;
        if (frame < now || frame >= now + frames)
            continue;
        const jack_midi_data_t message[3] = {static_cast<jack_midi_data_t>(status),
                                             static_cast<jack_midi_data_t>(note.note),
                                             static_cast<jack_midi_data_t>(velocity)};
        jack_midi_event_write(buffer, frame - now, message, 3);
    }
    return 0;
}

int Clients::record(jack_nframes_t frames, void* arg) {
    auto& c = *static_cast<Clients*>(arg);
    const auto* in = static_cast<const float*>(jack_port_get_buffer(c.audioIn, frames));
    if (c.recordedTake != c.startedTake.load()) {
        c.recordedTake = c.startedTake.load();
        c.filled = 0;
        c.over = false;
    }
    if (c.over)
        return 0;
    const jack_nframes_t now = jack_last_frame_time(c.recorder);
    const jack_nframes_t start = c.start.load();
    for (jack_nframes_t i = 0; i < frames && c.filled < recordFrames; ++i) {
        if (now + i < start)
            continue;
        if (now + i - start != c.filled) {
            c.spoiled.store(true);
            break;
        }
        c.recording[c.filled++] = in[i];
    }
    if (c.filled == recordFrames || c.spoiled.load()) {
        c.over = true;
        sem_post(&c.done);
    }
    return 0;
}

// jalv with its standard input on a pipe that the test holds: it runs until the pipe closes.
struct Jalv {
    pid_t pid = -1;
    int input = -1;
    ~Jalv() { stop(); }
    void stop() {
        if (input >= 0)
            close(input);
        input = -1;
        if (pid <= 0)
            return;
        for (int waited = 0; waited < hungMs / 10; ++waited) {
            if (waitpid(pid, nullptr, WNOHANG) == pid) {
                pid = -1;
                return;
            }
            usleep(10000);
        }
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        pid = -1;
    }
};

// The onset of each note: the first frame from which its voice sounds, alone, at `rate`.
jack_nframes_t firstSoundingSample(double rate, const WaveData& wave, int note) {
    const SoundSettings settings;
    const VoiceSound sound(settings, wave);
    auto scratch = std::make_unique<StreamingScratch>();
    StreamingVoice voice;
    voice.start(sound, keyFrequency(note - 33), rate, Evaluation::fast, bestVectorUnit(),
                HarmonicSines::rotation);
    std::vector<double> samples(256);
    voice.render(samples, *scratch);
    return static_cast<jack_nframes_t>(
        std::find_if(samples.begin(), samples.end(), [](double s) { return s != 0.0; }) -
        samples.begin());
}

bool portExists(jack_client_t* client, const std::string& name) {
    jack_port_t* port = jack_port_by_name(client, name.c_str());
    return port != nullptr;
}

// Installs the plugin's bundle as `cmake --install` does, below `prefix`.
bool installBundle(const std::string& prefix) {
    const std::string command = "'" VOREL_CMAKE_COMMAND "' --install '" VOREL_BINARY_DIR
                                "' --component lv2 --prefix '" +
                                prefix + "' >/dev/null";
    return std::system(command.c_str()) == 0;
}

Jalv startJalv(const std::string& name, const std::string& lv2Path, const std::string& log) {
    Jalv jalv;
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return jalv;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[0], STDIN_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[1]);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    setenv("LV2_PATH", lv2Path.c_str(), 1);
    std::vector<std::string> args{"jalv", "-x", "-n", name, "urn:vorel:synth"};
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    if (posix_spawnp(&jalv.pid, "jalv", &actions, nullptr, argv.data(), environ) != 0)
        jalv.pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[0]);
    jalv.input = pipeEnds[1];
    return jalv;
}

// The server reports a cycle that ran late: the take is spoiled.
int lateCycle(void* arg) {
    static_cast<Clients*>(arg)->spoiled.store(true);
    return 0;
}

void portRegistered(jack_port_id_t, int, void* arg) {
    sem_post(&static_cast<Clients*>(arg)->portsSeen);
}

TEST(JalvTest, TheInstalledPluginPlaysEachNoteFromItsFrame) {
    const char* rate = std::getenv("VOREL_JACK_RATE");
    if (rate == nullptr)
        GTEST_SKIP() << "no private JACK server (VOREL_JACK_RATE is not set)";
    if (std::system("command -v jalv >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "jalv is not installed";
    TempFolder folder;
    ASSERT_TRUE(installBundle(folder.file("prefix")));
    Clients c;
    const std::string name = "vorel-jalv-" + std::to_string(getpid());
    c.sender = jack_client_open((name + "-send").c_str(), JackNoStartServer, nullptr);
    c.recorder = jack_client_open((name + "-record").c_str(), JackNoStartServer, nullptr);
    ASSERT_NE(c.sender, nullptr);
    ASSERT_NE(c.recorder, nullptr);
    c.midiOut = jack_port_register(c.sender, "midi", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    c.audioIn = jack_port_register(c.recorder, "in", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
    jack_set_process_callback(c.sender, Clients::send, &c);
    jack_set_process_callback(c.recorder, Clients::record, &c);
    jack_set_port_registration_callback(c.recorder, portRegistered, &c);
    jack_set_xrun_callback(c.recorder, lateCycle, &c);
    ASSERT_EQ(jack_activate(c.sender), 0);
    ASSERT_EQ(jack_activate(c.recorder), 0);

    Jalv jalv = startJalv(name, folder.file("prefix") + "/lib/lv2", folder.file("jalv.log"));
    ASSERT_GT(jalv.pid, 0);
    const timespec hung = deadline();
    // jalv's ports, once it has registered them.
    while (!portExists(c.recorder, name + ":control") || !portExists(c.recorder, name + ":out"))
        ASSERT_EQ(sem_timedwait(&c.portsSeen, &hung), 0) << "jalv's ports never came";
    ASSERT_EQ(jack_connect(c.sender, jack_port_name(c.midiOut), (name + ":control").c_str()), 0);
    ASSERT_EQ(jack_connect(c.recorder, (name + ":out").c_str(), jack_port_name(c.audioIn)), 0);
    auto saw = loadWaveFile(VOREL_EXAMPLES_DIR "/saw.vorelwf");
    ASSERT_TRUE(saw.ok());
    constexpr int takes = 25; // for each note
    int take = 0;
    for (std::size_t n = 0; n < notes.size(); ++n) {
        const Note& note = notes[n];
        for (int tries = 0; tries < takes; ++tries) {
            c.spoiled.store(false);
            c.note.store(n);
            c.take.store(++take);
            ASSERT_EQ(sem_timedwait(&c.done, &hung), 0) << "the recording never filled";
            if (!c.spoiled.load())
                break;
            std::printf("take %d lost a cycle of the server %u frames in: played again\n", take,
                        c.filled);
        }
        if (c.spoiled.load())
            GTEST_SKIP() << "the machine is too busy: " << takes << " takes of note " << note.note
                         << " lost cycles of the JACK server";
        const jack_nframes_t onset =
            note.frame + firstSoundingSample(std::atof(rate), saw.value(), note.note);
        const auto begin = c.recording.begin();
        // From frame 500 on: what an earlier take left sounding has faded out by then.
        const auto heard =
            std::find_if(begin + 500, c.recording.end(), [](float s) { return s != 0.0f; });
        EXPECT_EQ(heard - begin, static_cast<long>(onset)) << "note " << note.note;
        // Silent again after the release of 0.1 s.
        const jack_nframes_t silentFrom =
            note.frame + note.length + static_cast<jack_nframes_t>(0.12 * std::atof(rate));
        ASSERT_LE(silentFrom + 100, recordFrames);
        EXPECT_TRUE(std::all_of(begin + silentFrom, begin + silentFrom + 100,
                                [](float s) { return s == 0.0f; }))
            << "note " << note.note << " still sounds";
    }
}

} // namespace
} // namespace vorel::test

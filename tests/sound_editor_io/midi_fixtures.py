# MIDI files read and written by mido, independently of our codec. "dump FILE" prints the header,
# the meta events and the notes (each note-off ends the earliest open note); "listed FILE" and
# "edges FILE" write the files the import tests read.
import sys
from collections import defaultdict, deque

from mido import Message, MetaMessage, MidiFile, MidiTrack, bpm2tempo


def dump(path):
    midi = MidiFile(path)
    print('format', midi.type)
    print('division', midi.ticks_per_beat)
    notes = []
    for track in midi.tracks:
        now, last_on, sounding = 0, None, defaultdict(deque)
        for message in track:
            now += message.time
            if message.type == 'set_tempo':
                print('tempo', message.tempo)
            elif message.type == 'time_signature':
                print('time_signature', message.numerator, message.denominator)
            elif message.type == 'track_name':
                print('name', message.name)
            elif message.type == 'note_on' and message.velocity > 0:
                sounding[message.channel, message.note].append((now, message.velocity))
                last_on = now
            elif message.type in ('note_on', 'note_off'):
                if last_on == now:
                    print('note-off after a note-on at', now)
                start, velocity = sounding[message.channel, message.note].popleft()
                notes.append((start, message.note, now, velocity, message.channel))
        if any(sounding.values()):
            print('a note does not end')
    for note in sorted(notes):
        print('note', *note)


def track(*events):
    """A track from (absolute time, message) pairs."""
    result, now = MidiTrack(), 0
    for time, message in sorted(events, key=lambda event: event[0]):
        result.append(message.copy(time=time - now))
        now = time
    return result


def on(note, velocity, channel=0):
    return Message('note_on', note=note, velocity=velocity, channel=channel)


def off(note, channel=0):
    return Message('note_off', note=note, velocity=64, channel=channel)


def listed(path):
    midi = MidiFile(type=1, ticks_per_beat=96)
    midi.tracks.append(track((0, MetaMessage('set_tempo', tempo=bpm2tempo(150)))))
    midi.tracks.append(track(
        (0, on(45, 100)), (96, off(45)), (48, on(20, 40)), (144, on(20, 0)),
        (10, Message('sysex', data=[1, 2, 3])),
        (200, MetaMessage('set_tempo', tempo=bpm2tempo(90)))))  # not the first: ignored
    midi.tracks.append(track(
        (0, on(36, 90, channel=9)), (24, on(36, 0, channel=9)),  # a drum, in running status
        (384, on(110, 127, channel=1)), (392, off(110, channel=1))))
    midi.save(path)


def edges(path):
    midi = MidiFile(type=1, ticks_per_beat=480)  # 20 MIDI ticks a grid tick
    midi.tracks.append(track(
        (0, MetaMessage('set_tempo', tempo=1000)),  # 60000 bpm
        (0, on(60, 64)), (480, on(60, 64)), (960, off(60)), (1440, off(60)),
        # 9 MIDI ticks are 0.45 grid ticks: both notes start on grid tick 0.
        (0, on(62, 127)), (240, off(62)), (9, on(62, 13)), (489, off(62))))
    midi.tracks.append(track(
        (153589, on(64, 100)), (154069, off(64)),  # grid tick 7679.45: the last tick
        (153590, on(65, 100)), (154070, off(65))))  # 7679.5 rounds up past the end
    midi.tracks.append(track((0, on(69, 100)), (800000, off(69))))  # 40000 grid ticks
    midi.tracks.append(track((0, on(67, 100)), (4800, MetaMessage('end_of_track'))))
    midi.save(path)


if __name__ == '__main__':
    {'dump': dump, 'listed': listed, 'edges': edges}[sys.argv[1]](sys.argv[2])

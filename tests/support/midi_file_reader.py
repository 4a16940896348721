"""Prints what a MIDI file plays, read with mido rather than our own code.

Usage: python3 midi_file_reader.py FILE

First line:  header <format> <ticks_per_beat> <track_count> <length_ms> <track names joined by '|'>
Second line: timing <first tempo in microseconds per quarter, or -1> <first time signature as n/d, or ->
Then, in time order, one line per channel message:
             <time_ms> <type> <channel> <note_or_program> <velocity> <time in ticks>
Times are milliseconds from the start, rounded, honouring every tempo change.
"""
import sys

import mido

DEFAULT_TEMPO = 500000  # microseconds per quarter note until a set_tempo says otherwise


def track_name(track):
    return next((msg.name for msg in track if msg.type == 'track_name'), '')


def main(path):
    midi = mido.MidiFile(path)
    tempo = DEFAULT_TEMPO
    seconds = 0.0
    ticks = 0
    first_tempo = -1
    signature = '-'
    events = []
    for msg in mido.merge_tracks(midi.tracks):
        # A message's delta time runs at the tempo in force before it.
        seconds += mido.tick2second(msg.time, midi.ticks_per_beat, tempo)
        ticks += msg.time
        if msg.type == 'set_tempo':
            tempo = msg.tempo
            first_tempo = tempo if first_tempo < 0 else first_tempo
        elif msg.type == 'time_signature' and signature == '-':
            signature = f'{msg.numerator}/{msg.denominator}'
        elif not msg.is_meta and hasattr(msg, 'channel'):
            first = getattr(msg, 'note', getattr(msg, 'program', getattr(msg, 'control', 0)))
            second = getattr(msg, 'velocity', getattr(msg, 'value', 0))
            events.append(f'{round(seconds * 1000)} {msg.type} {msg.channel} {first} {second} {ticks}')
    names = '|'.join(track_name(track) for track in midi.tracks)
    print(f'header {midi.type} {midi.ticks_per_beat} {len(midi.tracks)} {round(seconds * 1000)} {names}')
    print(f'timing {first_tempo} {signature}')
    for event in events:
        print(event)


if __name__ == '__main__':
    main(sys.argv[1])

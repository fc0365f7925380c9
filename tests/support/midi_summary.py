"""Reads a Standard MIDI File with mido and prints what the tests check, as JSON."""
import json
import sys

import mido

midi = mido.MidiFile(sys.argv[1])
events = []
hanging = 0
for track in midi.tracks:
    tick = 0
    sounding = {}
    for message in track:
        tick += message.time
        row = {"tick": tick, "type": message.type}
        for field in ("channel", "note", "velocity", "control", "value", "tempo"):
            if hasattr(message, field):
                row[field] = getattr(message, field)
        events.append(row)
        key = (getattr(message, "channel", None), getattr(message, "note", None))
        if message.type == "note_on" and message.velocity > 0:
            sounding[key] = sounding.get(key, 0) + 1
        elif message.type == "note_off" or (message.type == "note_on" and message.velocity == 0):
            sounding[key] = max(0, sounding.get(key, 0) - 1)
    hanging += sum(sounding.values())

print(json.dumps({
    "type": midi.type,
    "ticksPerBeat": midi.ticks_per_beat,
    "tracks": len(midi.tracks),
    "events": events,
    "hangingNotes": hanging,
}))

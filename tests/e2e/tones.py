#!/usr/bin/env python3
"""Test tones: making them and finding them in a recording.

  tones.py make FILE.wav FREQUENCY SECONDS
      a 16-bit mono 44.1 kHz sine tone at half of full scale.
  tones.py find RECORDING.raw FREQUENCY...
      reads a raw recording (s16le, 2 channels, 44.1 kHz, as parec writes
      it) and prints one line "FREQUENCY START END" (seconds from the start
      of the recording) for every stretch of at least 0.2 s in which one of
      the frequencies clearly dominates.
"""
import math
import struct
import sys
import wave

RATE = 44100
WINDOW = 0.02  # seconds per analysis window


def make(path, frequency, seconds):
    frames = int(RATE * seconds)
    with wave.open(path, "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(b"".join(
            struct.pack("<h", int(16000 * math.sin(2 * math.pi * frequency * i / RATE))) for i in range(frames)))


def goertzel(samples, frequency):
    coefficient = 2 * math.cos(2 * math.pi * frequency / RATE)
    s1 = s2 = 0.0
    for x in samples:
        s1, s2 = x + coefficient * s1 - s2, s1
    return s1 * s1 + s2 * s2 - coefficient * s1 * s2


def find(path, frequencies):
    data = open(path, "rb").read()
    count = len(data) // 4
    left = struct.unpack("<%dh" % (count * 2), data[:count * 4])[0::2]
    n = int(RATE * WINDOW)
    labels = []
    for start in range(0, count - n + 1, n):
        window = left[start:start + n]
        energy = sum(x * x for x in window) / n
        label = None
        if energy > 1e5:  # well above silence
            powers = [goertzel(window, f) for f in frequencies]
            best = max(range(len(frequencies)), key=lambda i: powers[i])
            if powers[best] > 0.5 * energy * n * n / 2 * 0.5:
                label = frequencies[best]
        labels.append(label)
    # Runs of one label; gaps of one window inside a run are bridged.
    runs, current, first, last = [], None, 0, 0
    for i, label in enumerate(labels + [None, None]):
        if label == current and current is not None:
            last = i
        elif current is not None and i - last <= 1 and label is None:
            continue
        else:
            if current is not None and (last - first + 1) * WINDOW >= 0.2:
                runs.append((current, first * WINDOW, (last + 1) * WINDOW))
            current, first, last = label, i, i
    for frequency, begin, end in runs:
        print("%g %.2f %.2f" % (frequency, begin, end))


if sys.argv[1] == "make":
    make(sys.argv[2], float(sys.argv[3]), float(sys.argv[4]))
else:
    find(sys.argv[2], [float(f) for f in sys.argv[3:]])

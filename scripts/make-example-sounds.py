#!/usr/bin/env python3
"""Writes the sound example's assets: examples/assets/wav/chime.wav (a 0.6 s bell-like tone,
22050 Hz 16-bit mono) and examples/assets/midi/tune.mid (a four-bar tune, format 0).
Run it again only to change the sounds."""
import math
import os
import struct

root = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'examples', 'assets')

RATE = 22050
samples = []
for i in range(int(RATE * 0.6)):
    t = i / RATE
    tone = math.sin(2 * math.pi * 880 * t) + 0.5 * math.sin(2 * math.pi * 1320 * t)
    samples.append(int(12000 * tone * math.exp(-6 * t)))
data = struct.pack('<%dh' % len(samples), *samples)
fmt = struct.pack('<HHIIHH', 1, 1, RATE, RATE * 2, 2, 16)
body = b'WAVE' + b'fmt ' + struct.pack('<I', len(fmt)) + fmt + b'data' + struct.pack('<I', len(data)) + data
with open(os.path.join(root, 'wav', 'chime.wav'), 'wb') as f:
    f.write(b'RIFF' + struct.pack('<I', len(body)) + body)


def var_len(n):
    out = [n & 0x7F]
    while n > 0x7F:
        n >>= 7
        out.insert(0, (n & 0x7F) | 0x80)
    return bytes(out)


TICKS = 480
melody = [60, 64, 67, 72, 71, 67, 64, 62, 60, 62, 64, 65, 67, 65, 64, 60]
events = b'\x00\xff\x51\x03\x07\xa1\x20' + b'\x00\xc0\x0b'  # 120 bpm, vibraphone
for note in melody:
    events += b'\x00' + bytes([0x90, note, 96]) + var_len(TICKS // 2) + bytes([0x80, note, 0])
events += b'\x00\xff\x2f\x00'
song = b'MThd' + struct.pack('>IHHH', 6, 0, 1, TICKS) + b'MTrk' + struct.pack('>I', len(events)) + events
with open(os.path.join(root, 'midi', 'tune.mid'), 'wb') as f:
    f.write(song)

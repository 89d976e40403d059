#!/usr/bin/env python3
"""Writes the seed inputs of the fuzz targets: small valid files of every kind each reader takes,
one folder per target (fuzz_<name>), into the folder given as the only argument."""
import os
import struct
import sys


def bmp(width, height, bits, top_down=False, palette_size=None):
    row = ((width * bits + 31) // 32) * 4
    colours = (1 << bits if palette_size is None else palette_size) if bits <= 8 else 0
    pixels = bytes((i * 37) & 0xFF for i in range(row * height))
    offset = 14 + 40 + 4 * colours
    info = struct.pack('<IiiHHIIiiII', 40, width, -height if top_down else height, 1, bits, 0,
                       len(pixels), 2835, 2835, colours, 0)
    palette = b''.join(struct.pack('<BBBB', i * 3 & 0xFF, i * 5 & 0xFF, i * 7 & 0xFF, 0)
                       for i in range(colours))
    return b'BM' + struct.pack('<IHHI', offset + len(pixels), 0, 0, offset) + info + palette + pixels


def fmt_record(channels, rate, bits, extra=b''):
    align = channels * bits // 8
    return struct.pack('<HHIIHHH', 1, channels, rate, rate * align, align, bits, len(extra)) + extra


def wav(channels, rate, bits, frames, data_first=False):
    record = fmt_record(channels, rate, bits)[:16]
    data = bytes((i * 11) & 0xFF for i in range(frames * channels * bits // 8))
    chunks = [b'fmt ' + struct.pack('<I', len(record)) + record,
              b'data' + struct.pack('<I', len(data)) + data + (b'\0' if len(data) % 2 else b'')]
    if data_first:
        chunks.reverse()
    body = b'WAVE' + b''.join(chunks)
    return b'RIFF' + struct.pack('<I', len(body)) + body


def midi(fmt, tracks):
    track = (b'\x00\x90\x3c\x40\x60\x80\x3c\x00\x00\xff\x51\x03\x07\xa1\x20'
             b'\x00\xc0\x05\x00\xf0\x02\x7e\xf7\x00\xff\x2f\x00')
    head = b'MThd' + struct.pack('>IHHH', 6, fmt, tracks, 96)
    return head + b''.join(b'MTrk' + struct.pack('>I', len(track)) + track for _ in range(tracks))


def image_pack(entries):
    out = b''
    for name, width, height in entries:
        out += struct.pack('<HH', width, height) + name + b'\0'
        out += b''.join(struct.pack('<H', (i * 1237) & 0x7FFF) for i in range(width * height))
    return out


def sound_pack(entries):
    out = b''
    for name, channels, rate, bits, size in entries:
        record = fmt_record(channels, rate, bits)
        out += struct.pack('<I', size) + name + b'\0' + struct.pack('<I', len(record)) + record
        out += bytes((i * 13) & 0xFF for i in range(size))
    return out


def recording():
    # Header, seed and a few frames of input, as the recorder writes them.
    return (b'gk-recording 1\nseed 12345\n# a comment\n0 time 16\n0 cursor 320 240\n'
            b'1 WM_KEYDOWN 0x26 0x1\n1 key 38 1\n2 WM_LBUTTONDOWN 0x1 0xf000a0\n'
            b'3 joy 0 32767 32767 0x3\n3 joy 1 off\n4 WM_MOVE 0x0 -5\n5 box 6\nend 7\n')


SEEDS = {
    'bmp': {'1bpp.bmp': bmp(9, 3, 1), '4bpp.bmp': bmp(5, 4, 4, palette_size=3),
            '8bpp.bmp': bmp(3, 2, 8, top_down=True), '16bpp.bmp': bmp(3, 3, 16),
            '24bpp.bmp': bmp(2, 2, 24), '32bpp.bmp': bmp(2, 1, 32)},
    'wav': {'mono8.wav': wav(1, 11025, 8, 5), 'stereo16.wav': wav(2, 44100, 16, 4),
            'data-first.wav': wav(1, 22050, 16, 3, data_first=True)},
    'midi': {'format0.mid': midi(0, 1), 'format1.mid': midi(1, 2)},
    'save': {'number': b'123', 'negative': b'-5\r\n', 'pointer': b'C:\\games\\data\\\r\n'},
    'image_pack': {'two.pak': image_pack([(b'A.BMP', 2, 1), (b'B.BMP', 1, 2)]),
                   'empty-entry.pak': image_pack([(b'E.BMP', 0, 0), (b'A.BMP', 1, 1)])},
    'sound_pack': {'two.pak': sound_pack([(b'X.WAV', 1, 8000, 8, 3), (b'A.WAV', 2, 22050, 16, 8)])},
    'recording': {'short.rec': recording()},
}

root = sys.argv[1]
for target, files in SEEDS.items():
    folder = os.path.join(root, 'fuzz_' + target)
    os.makedirs(folder, exist_ok=True)
    for name, data in files.items():
        with open(os.path.join(folder, name), 'wb') as f:
            f.write(data)

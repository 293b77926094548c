#!/usr/bin/env bash
# Regenerates the seed corpora: WAV files as ffmpeg writes them (to a file and to a pipe) plus the
# layouts other writers produce, and voice files and images of every version and state.
set -euo pipefail
cd "$(dirname "$0")"
rm -rf wav-import voice-file voice-image sound-file
mkdir -p wav-import voice-file voice-image sound-file

tone=(-f lavfi -i "sine=frequency=700:duration=0.05" -ar 8000 -ac 1 -c:a pcm_s16le)
ffmpeg -loglevel error -y "${tone[@]}" -bitexact wav-import/canonical.wav
ffmpeg -loglevel error -y "${tone[@]}" -metadata title="metadata" -metadata comment="data" \
    wav-import/ffmpeg-info.wav
ffmpeg -loglevel error -y "${tone[@]}" -bitexact -f wav pipe:1 >wav-import/ffmpeg-pipe.wav

python3 - <<'PY'
import struct

def chunk(cid, body, size=None, pad=True):
    out = cid + struct.pack("<I", len(body) if size is None else size) + body
    return out + (b"\0" if pad and len(body) % 2 else b"")

def fmt(tag=1, ch=1, rate=8000, bps=16000, align=2, bits=16, extra=b""):
    return chunk(b"fmt ", struct.pack("<HHIIHH", tag, ch, rate, bps, align, bits) + extra)

def wav(*chunks, riff=None):
    body = b"WAVE" + b"".join(chunks)
    return b"RIFF" + struct.pack("<I", len(body) if riff is None else riff) + body

samples = struct.pack("<300h", *[(i * 977) % 20000 - 10000 for i in range(300)])
data = chunk(b"data", samples)
cue = struct.pack("<I", 1) + struct.pack("<II", 1, 0) + b"data" + struct.pack("<III", 0, 0, 0)
seeds = {
    "fmt18.wav": wav(fmt(extra=b"\0\0"), data),
    "fact-cue.wav": wav(fmt(), chunk(b"fact", struct.pack("<I", 300)), chunk(b"cue ", cue), data),
    "odd-junk-no-pad.wav": wav(fmt(), chunk(b"JUNK", b"dat", pad=False), data),
    "broken-header.wav": wav(fmt(), chunk(b"JUNK", b"abcd", size=0xFFFFFF00), data),
    "riff-size-zero.wav": wav(fmt(), data, riff=0),
    "data-size-huge.wav": wav(fmt(), chunk(b"data", samples, size=0xFFFFFFFF)),
    "truncated.wav": wav(fmt(), data)[:100],
    "stereo.wav": wav(fmt(ch=2, bps=32000, align=4), data),
    "extensible.wav": wav(fmt(tag=0xFFFE, extra=b"\x16\0" + b"\0" * 22), data),
}
for name, content in seeds.items():
    open("wav-import/" + name, "wb").write(content)

IMAGE, DIR, CAP = 539648, 300, 1078696

def packed(counts):
    directory, payload, address = b"", b"", DIR
    for i in range(50):
        n = counts[i] if i < len(counts) else 0
        directory += struct.pack("<I", address)[:3] + struct.pack("<I", n)[:3]
        length = (n + 1) // 2
        payload += bytes((i * 17 + k) & 0xFF for k in range(length))
        address += length
    return directory + payload

def image(content, fill=0):
    return content + bytes([fill]) * (IMAGE - len(content))

def checksum(img):
    x = 0
    for b in img:
        x ^= b
    return (-x) & 0xFF

def voice_file(header, img, good=True):
    return header + img + bytes([checksum(img) if good else checksum(img) ^ 1])

full = image(packed([5, 0, 3, 120] + [0] * 30 + [7] + [9] * 8))
blank = bytes([0xFF]) * IMAGE
open("voice-file/v0505.vce", "wb").write(voice_file(b"[VoiceMessage v.05.05]", full))
open("voice-file/v0100.vce", "wb").write(voice_file(b"[VoiceMessage v.01.00]", full))
open("voice-file/v0104-bad-checksum.vce", "wb").write(voice_file(b"[VoiceMessage v.01.04]", full, False))
open("voice-file/v0104-blank-controller.vce", "wb").write(voice_file(b"[VoiceMessage v.01.04]", blank))
open("voice-file/short.vce", "wb").write(b"[VoiceMessage v.05.05]" + full[:500])

overlapping = b"".join(struct.pack("<I", DIR)[:3] + struct.pack("<I", CAP)[:3] for _ in range(50))
open("voice-image/packed", "wb").write(b"\x01" + packed([5, 0, 3, 120, 1, 2]))
open("voice-image/oldest-layout", "wb").write(b"\x00" + packed([1] * 43))
open("voice-image/blank-controller", "wb").write(b"\x01" + b"\xff" * 400)
open("voice-image/overlapping", "wb").write(b"\x01" + overlapping)
PY

# Short recordings in the formats the converter reads, stereo at the rates phones and studios use.
stereo=(-f lavfi -i "aevalsrc=0.4*sin(2*PI*440*t)|0.3*sin(2*PI*660*t):s=44100:d=0.03")
ffmpeg -loglevel error -y "${stereo[@]}" -c:a pcm_f32le -bitexact sound-file/float.wav
ffmpeg -loglevel error -y "${stereo[@]}" -c:a pcm_u8 -ac 1 -ar 11025 -bitexact sound-file/u8.wav
ffmpeg -loglevel error -y "${stereo[@]}" -c:a pcm_s16be -bitexact sound-file/tone.aiff
ffmpeg -loglevel error -y "${stereo[@]}" -c:a flac -bitexact sound-file/tone.flac
ffmpeg -loglevel error -y "${stereo[@]}" -c:a libvorbis -bitexact sound-file/tone.ogg
ffmpeg -loglevel error -y "${stereo[@]}" -c:a libmp3lame -b:a 32k -bitexact sound-file/tone.mp3

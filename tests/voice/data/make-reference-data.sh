#!/usr/bin/env bash
# Regenerates the reference files that the voice tests read, so that they need no ffmpeg to run.
#
# The encoder reference pair, made with an IMA ADPCM encoder that is not ours: ffmpeg's
# adpcm_ima_ssi (shift-and-add form, starting from predictor 0 and step index 0, high nibble first).
#   encoder-input.s16   4000 signed 16-bit little-endian samples: a slow triangle, a fast one,
#                       pseudo-random noise and full-scale square steps (so both rails and both
#                       ends of the step table are reached)
#   encoder-input.vag   ffmpeg's output: a 14-byte KVAG header, then the codes
set -euo pipefail
cd "$(dirname "$0")"
python3 - <<'PY'
import struct
samples = []
seed = 12345
for i in range(4000):
    seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
    noise = (seed >> 8) % 2001 - 1000
    if i < 1000:
        v = (i % 200) * 150 - 15000 if (i // 200) % 2 == 0 else 15000 - (i % 200) * 150
    elif i < 2000:
        v = ((i % 16) - 8) * 3000 + noise
    elif i < 3000:
        v = noise * 30
    else:
        v = 32767 if (i // 150) % 2 == 0 else -32768
    samples.append(max(-32768, min(32767, v)))
open("encoder-input.s16", "wb").write(struct.pack("<%dh" % len(samples), *samples))
PY
ffmpeg -loglevel error -y -f s16le -ar 8000 -ac 1 -i encoder-input.s16 -c:a adpcm_ima_ssi -f kvag \
    encoder-input.vag

# A WAV file as ffmpeg writes it by default: a LIST/INFO chunk between fmt and data whose title and
# encoder texts hold the four bytes "data". 400 samples of a 700 Hz tone.
ffmpeg -loglevel error -y -f lavfi -i "sine=frequency=700:duration=0.05" -ar 8000 -ac 1 \
    -c:a pcm_s16le -metadata title="metadata" ffmpeg-title-metadata.wav

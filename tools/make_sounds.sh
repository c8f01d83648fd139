#!/usr/bin/env bash
# make_sounds.sh SUITE_DIR
# Writes the demo program folder's spoken sounds (Sounds-afr/, Sounds-eng/: m1, in2, m2) and
# effect sounds (fxsounds/: blaai, back, report). Speech comes from espeak-ng, everything is
# shaped and converted by sox.
#
# Every file is 22050 Hz, 16-bit, mono PCM in a plain RIFF WAVE (a 16-byte "fmt " chunk right
# after "WAVE", then "data"), the layout the menu's wave check reads. sox runs with -R
# (repeatable noise) and -D (no dither), so the same tools give the same files.
set -euo pipefail

if [[ $# -ne 1 ]]; then
  echo "usage: make_sounds.sh SUITE_DIR" >&2
  exit 2
fi
suite_dir=$1

for tool in espeak-ng sox; do
  if ! command -v "$tool" >/dev/null; then
    echo "make_sounds.sh: $tool is not installed (tools/install-deps.sh installs it)" >&2
    exit 1
  fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# sox's null input takes the format options given before it; without them it would
# synthesise at 48 kHz and resample, and the resampler would move the normalised peak.
synth_in=(-r 22050 -c 1 -n)
wav_out=(-b 16 -e signed-integer)
sox_q=(sox -R -D -V1)

# The words are the ones the frames show, so a pupil hears what is written on the screen:
# frame 7 greets, asks for the name and asks "Met watter hand..." above the "Links" and "Regs"
# buttons; frame 13 says "Totsiens! Kom gou weer!". British English is the espeak-ng voice
# nearest to the English that South African pupils hear; both voices speak about a fifth
# slower than espeak-ng's 175 words a minute, a little higher, with short gaps between words.
afrikaans_voice=(-v af -s 135 -p 55 -g 2)
english_voice=(-v en-gb -s 140 -p 55 -g 2)

# speak VOICE_OPTIONS... -- TEXT OUT
speak() {
  local options=()
  while [[ $1 != -- ]]; do options+=("$1"); shift; done
  shift
  local text=$1 out=$2
  espeak-ng "${options[@]}" -w "$work/raw.wav" "$text"
  # Trim espeak-ng's own silence at both ends, then give every sound the same short lead-in
  # and tail, so it starts promptly and does not end in a click; normalise to -3 dBFS.
  # The fade needs the trimmed length, which sox knows only in a second pass.
  "${sox_q[@]}" "$work/raw.wav" "$work/trimmed.wav" \
    silence 1 0.01 0.2% reverse silence 1 0.01 0.2% reverse
  "${sox_q[@]}" "$work/trimmed.wav" -r 22050 -c 1 "${wav_out[@]}" "$out" \
    fade q 0.01 -0 0.04 pad 0.05 0.15 gain -n -3
}

write_spoken() {
  local folder=$suite_dir/$1; shift
  local voice_var=$1; shift
  local -n voice=$voice_var
  mkdir -p "$folder"
  speak "${voice[@]}" -- "$1" "$folder/m1.wav"
  speak "${voice[@]}" -- "$2" "$folder/in2.wav"
  speak "${voice[@]}" -- "$3" "$folder/m2.wav"
}

write_spoken Sounds-afr afrikaans_voice \
  "Hallo! Tik jou naam. Met watter hand werk jy met die muis? Klik dan op Links of op Regs." \
  "Mooi so! Klik nou op Links of op Regs." \
  "Totsiens! Kom gou weer!"
write_spoken Sounds-eng english_voice \
  "Hello! Type your name. Which hand do you use the mouse with? Then click on Left or on Right." \
  "Well done! Now click on Left or on Right." \
  "Goodbye! Come back soon!"

# Effects peak at -6 dBFS: they come often (blaai at every page turn) and must not startle.
fx_dir=$suite_dir/fxsounds
mkdir -p "$fx_dir"

# blaai: a page turn, pink noise band-limited to a paper swish, fluttering like a sheet in
# the air, swelling in and dying away.
"${sox_q[@]}" "${synth_in[@]}" "${wav_out[@]}" "$fx_dir/blaai.wav" \
  synth 0.32 pinknoise sinc 700-7000 tremolo 18 25 fade h 0.1 0.32 0.17 gain -n -6

# back: two soft triangle-wave notes falling a fifth, G5 then C5: "going back". Each dies
# away at once like a struck bar, which keeps the blip as soft as the speech although its
# peak is the same as the other effects'.
"${sox_q[@]}" "${synth_in[@]}" "${wav_out[@]}" "$work/back1.wav" \
  synth 0.09 triangle 783.99 fade l 0.004 0.09 0.085 pad 0 0.01
"${sox_q[@]}" "${synth_in[@]}" "${wav_out[@]}" "$work/back2.wav" \
  synth 0.2 triangle 523.25 fade l 0.004 0.2 0.195
"${sox_q[@]}" "$work/back1.wav" "$work/back2.wav" "${wav_out[@]}" "$fx_dir/back.wav" gain -n -6

# report: a bright chime, the notes E6, G6 and C7 struck 70 ms apart, each ringing out with
# a quick, bell-like decay over a soft octave partial for sparkle.
# Each line: frequency in Hz, relative volume, delay in seconds.
chime_partials=(
  "1318.51 0.5 0.00" "2637.02 0.12 0.00"
  "1567.98 0.5 0.07" "3135.96 0.12 0.07"
  "2093.00 0.5 0.14" "4186.01 0.12 0.14"
)
chime_parts=()
for i in "${!chime_partials[@]}"; do
  read -r frequency volume delay <<<"${chime_partials[$i]}"
  part=$work/chime$i.wav
  "${sox_q[@]}" "${synth_in[@]}" "${wav_out[@]}" "$part" \
    synth 0.7 sine "$frequency" fade l 0.003 0.7 0.69 vol "$volume" pad "$delay" 0
  chime_parts+=("$part")
done
"${sox_q[@]}" -m "${chime_parts[@]}" "${wav_out[@]}" "$fx_dir/report.wav" gain -n -6

#!/usr/bin/env bash
# Speaks a complete folder "sound" for a plant in Russian (espeak-ng, then lame to MP3):
#   sound/N/N.mp3   "Инкубатор N", for every incubator number 1..255
#   sound/zK.mp3    the alarm kind of slot K: 0..10 as the "Звуки" tab lists them, then
#                   11..13 a faulty sensor T1..T3, 14 "Нет связи", 15 "USB не работает"
#   sound/ZVUK.ini  the settings file section [ZVUK] that names the kind clips (z0..z15); copy
#                   its lines into Vetrostan.INI (or choose slots 0..10 on the "Звуки" tab)
# Usage: scripts/make_sounds.sh [WORKING_FOLDER]   (default: ./home)
# Clips already there are kept, so a second run only fills what is missing; new ones are
# spoken in parallel, one job per core.
set -euo pipefail
work="${1:-home}"
dir="$work/sound"

kinds=(
  "Влажность выше зоны"
  "Влажность ниже зоны"
  "Температура выше зоны"
  "Температура ниже зоны"
  "Герконы оба замкнуты"
  "Охлаждение работает"
  "Влажность, таймер управления"
  "Геркон левый, таймер"
  "Геркон правый, таймер"
  "Сработал отсекатель"
  "Скорость мотора ниже нормы"
  "Неисправен датчик тэ один"
  "Неисправен датчик тэ два"
  "Неисправен датчик тэ три"
  "Нет связи"
  "Ю эс би не работает"
)

# What is missing, as NUL-separated pairs: file, text.
todo="$(mktemp)"
trap 'rm -f "$todo"' EXIT
for n in $(seq 1 255); do
  [ -s "$dir/$n/$n.mp3" ] || printf '%s\0%s\0' "$dir/$n/$n.mp3" "Инкубатор $n" >>"$todo"
done
for k in "${!kinds[@]}"; do
  [ -s "$dir/z$k.mp3" ] || printf '%s\0%s\0' "$dir/z$k.mp3" "${kinds[$k]}" >>"$todo"
done

if [ -s "$todo" ]; then
  for tool in espeak-ng lame; do
    if ! command -v "$tool" >/dev/null; then
      echo "make_sounds: $tool is missing (bash scripts/setup.sh installs it); $dir not made" >&2
      exit 1
    fi
  done
  echo "make_sounds: speaking $(($(tr -cd '\0' <"$todo" | wc -c) / 2)) clips into $dir" >&2
  # One clip: spoken to WAV, encoded, and renamed into place only when whole, so that an
  # interrupted run leaves no clip that the next run would take as done.
  speak() {
    local out="$1" text="$2"
    mkdir -p "$(dirname "$out")"
    espeak-ng -v ru -s 150 -w "$out.wav" "$text"
    lame --quiet -m m -b 48 "$out.wav" "$out.part"
    rm -f "$out.wav"
    mv -f "$out.part" "$out"
  }
  export -f speak
  xargs -0 -n 2 -P "$(nproc)" bash -c 'speak "$1" "$2"' _ <"$todo"
fi

mkdir -p "$dir"
{
  printf '[ZVUK]\r\n'
  for k in "${!kinds[@]}"; do printf 'z%d=z%d.mp3\r\n' "$k" "$k"; done
} >"$dir/ZVUK.ini"

#!/usr/bin/env bash
# Looks at the windows as a user meets them: a virtual X display of 1366x768 with a window
# manager (openbox), the host on a fresh demo installation, driven by keyboard and mouse with
# xdotool; a screenshot of the whole screen after each step goes into the folder given
# (default build/look). For people to look at; CI does not run it.
# Usage: scripts/look.sh [folder]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
out=$(realpath -m "${1:-$build/look}")

packages=(xvfb xauth xdotool imagemagick openbox)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "look: installing ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
fi
[ -x "$build/bin/tavrelis-host" ] || "$root/scripts/setup.sh" "$build"

work=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$out"
rm -f "$out"/*.png

# A day of the quarter's end: the demo's accruals fall due around it.
today=20.01.2027
"$build/bin/tavrelis-host" --make-demo "$work/demo" --today "$today" >/dev/null

display=:$((50 + RANDOM % 40))
Xvfb "$display" -screen 0 1366x768x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done 2>/dev/null || sleep 2
openbox >/dev/null 2>&1 &
pids+=($!)
sleep 1

export HOME=$work/home APPDATA=$work/appdata
mkdir -p "$HOME" "$APPDATA"
LANG=C.UTF-8 "$build/bin/tavrelis-host" --prefix "$work/demo" --acc 1 --today "$today" \
    --print-to "$work/pdf" >"$work/host.log" 2>&1 &
host=$!
pids+=($host)

n=0
shot() { # shot NAME: the whole screen, numbered in the order taken
    sleep "${2:-0.8}"
    n=$((n + 1))
    import -window root "$out/$(printf '%02d' $n)-$1.png"
    echo "look: $(printf '%02d' $n)-$1.png"
}
key() { xdotool key --delay 120 "$@"; }
type_text() { xdotool type --delay 90 "$1"; }
wait_window() { timeout 20 xdotool search --sync --onlyvisible --name "$1" | head -1; }
tabs() { for _ in $(seq "$1"); do key Tab; done; }

w=$(wait_window "Формирование платежных поручений")
xdotool windowactivate --sync "$w"
shot form1-opened 1.5

# The purpose's context menu, Qt's own texts: List1, Command3, Command1, Check1, Combo2, Combo1,
# Combo3, then Text2.
xdotool windowfocus --sync "$w"
tabs 7
key Menu
shot context-menu-russian
key Escape

# Into «Дата операции»: Combo6, Combo7, Combo8, Combo9, DTPicker3. A day off, typed whole,
# committed with Enter: one question.
tabs 5
type_text "30.01.27"
shot typing-day-off-no-question-yet
key Return
shot day-off-question-once
key Escape
shot day-off-kept
# The first due date the window names for the chosen tax and period.
type_text "28042027"
key Return
shot date-typed-28042027
key F4
shot calendar-with-holidays 1
key Escape

# DTPicker1, DTPicker2, Text1, then «Далее >>»; Enter presses it.
tabs 4
shot focus-on-next-button
key Return
w2=$(wait_window "Сформированные платежные поручения")
xdotool windowactivate --sync "$w2"
shot form2-opened 1.5

# Space unticks the current row; the totals follow.
key Down space
shot form2-space-unticked
key space

# A row's tooltip: the mouse over the first row.
eval "$(xdotool getwindowgeometry --shell "$w2")"
row_x=$((X + 260)) row_y=$((Y + 48))
xdotool mousemove $row_x $row_y
shot form2-row-tooltip 2.5
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT - 20))

# «Правка» through the keyboard: Command5, Command6, Command9; a digit replaces the amount.
xdotool windowfocus --sync "$w2"
xdotool mousemove $row_x $row_y click 1
tabs 3
key Return
w5=$(wait_window "Задать параметры платежного поручения вручную")
shot form5-opened
type_text "5"
shot form5-digit-replaces-amount
key Escape
sleep 0.5

# Print the ticked orders with the preview: Check3, Command3, Check4 (Space ticks it), Check1,
# Check2, Command10.
xdotool windowfocus --sync "$w2"
tabs 3
key space
tabs 3
shot form2-print-chosen
key Return
w3=$(wait_window "Подготовка к печати")
shot preview-first-sheet 1.5
key Return
sleep 1
shot preview-second-sheet 1.5
xdotool windowmove "$(wait_window "Подготовка к печати")" 200 0
key Return
sleep 1
shot preview-third-sheet-keeps-place 1.5
key Return
shot export-question 1.5
key Escape
shot form2-status-after-print 1

# Export only, every order ticked again with «Все»: the status names the folder. From the
# list: Command5; then Command6, Command9, Check3, Command3, Check4 (Space clears it); Check1
# is disabled then, so Check2 and Command10.
xdotool windowfocus --sync "$w2"
xdotool mousemove $row_x $row_y click 1
tabs 1
key Return
tabs 5
key space
tabs 2
shot form2-export-chosen
key Return
# The files are there from the print run: «Да для всех» (Tab from «Да»).
shot overwrite-question 1.5
key Tab Return
shot export-question-again 1.5
key Escape
shot form2-status-after-export 1

# «Путь выгрузки» by the keyboard (Command5, Command6, Command9, Check3, Command3) and «Да» to
# the question, whose default is «Нет»: the chooser opens at the export folder. Up to its
# parent and Enter opens it,
# Down to «ПП» and Enter opens that again; Esc closes the chooser without taking a folder.
xdotool windowfocus --sync "$w2"
xdotool mousemove $row_x $row_y click 1
tabs 5
key Return
shot change-folder-question 1.2
key shift+Tab Return
w4=$(wait_window "Выбор папки для выгрузки")
xdotool windowactivate --sync "$w4"
shot chooser-opened 1.2
# Tab from the drive list to the tree.
key Tab Up Return
shot chooser-parent-opened
key Down Return
shot chooser-subfolder-opened
key Escape
shot chooser-closed-by-esc 1

kill "$host" 2>/dev/null || true
wait "$host" 2>/dev/null || true

# Single tax payments, in a second session on the same installation: «Единый налоговый
# платеж (ЕНП)» is the fourth stop of Tab (List1, Command3, Command1, Check1); Space ticks it
# and the tax, period, basis and type grey out.
LANG=C.UTF-8 "$build/bin/tavrelis-host" --prefix "$work/demo" --acc 1 --today "$today" \
    --print-to "$work/pdf" >>"$work/host.log" 2>&1 &
host=$!
pids+=($host)
w=$(wait_window "Формирование платежных поручений")
xdotool windowactivate --sync "$w"
sleep 1
tabs 3
key space
shot enp-ticked
# Text2, Combo6, then «Дата операции»: the demo's quarter-end due date.
tabs 3
type_text "28012027"
key Return
shot enp-due-date
# DTPicker1, Text1 (the document date is disabled too), then «Далее >>».
tabs 3
key Return
w2=$(wait_window "Сформированные платежные поручения")
xdotool windowactivate --sync "$w2"
shot enp-form2-opened 1.5
# «Выгрузить в банк-клиент» with the mouse, at the lower right of the window.
eval "$(xdotool getwindowgeometry --shell "$w2")"
echo "look: Form2 at $X,$Y size ${WIDTH}x$HEIGHT"
upload_x=$((X + WIDTH - 292)) upload_y=$((Y + HEIGHT - 77))
xdotool mousemove $upload_x $upload_y click 1
shot enp-upload-done-question 1.5
key Escape
shot enp-upload-status 1
# Again, every order ticked with «Все»: they went to the bank, so the module asks first, «Нет»
# by default.
xdotool mousemove $((X + 62)) $((Y + HEIGHT - 121)) click 1
shot enp-all-ticked-again 0.5
xdotool mousemove $upload_x $upload_y click 1
shot enp-upload-again-question 1.5
key Return
shot enp-upload-nothing-left 1
key Return
xdotool mousemove $row_x $row_y
shot enp-row-tooltip 2.5

kill "$host" 2>/dev/null || true
echo "look: screenshots in $out"

#!/usr/bin/env bash
# Drives the built program on a private virtual X server with real pointer
# input: draw the default view, trace its outline, quit. Checks what reaches
# the screen and leaves the screenshots behind for a person to look at.
#
# Usage: run_smoke.sh PROGRAM SCREENSHOT_DIR
set -euo pipefail

program=${1:?usage: run_smoke.sh PROGRAM SCREENSHOT_DIR}
shots=${2:?usage: run_smoke.sh PROGRAM SCREENSHOT_DIR}

# The English window, whose accuracy list is as wide as its longest entry.
export LC_ALL=C.UTF-8

# Where the window's parts sit, in the coordinates of its designed client
# area, which lies below the menu bar.
readonly AREA_X=178 AREA_Y=40 AREA_SIDE=400
readonly BUTTON_X=8 BUTTON_W=113 BUTTON_H=33
readonly DRAW_Y=96 MAGNIFY_Y=136 TRACE_Y=176 COMPOSE_Y=216 STOP_Y=256 QUIT_Y=408
readonly CLIENT_W=620 CLIENT_H=497

readonly STARTUP_TIMEOUT=60 RENDER_TIMEOUT=60 QUIT_TIMEOUT=10

fail() {
    echo "SMOKE FAIL: $*" >&2
    exit 1
}

for tool in Xvfb xdotool import convert; do
    command -v "$tool" >/dev/null || fail "'$tool' is not installed (scripts/install-deps.sh installs it)"
done
[ -x "$program" ] || fail "no program at $program"

mkdir -p "$shots"
rm -f "$shots"/*.png
work=$(mktemp -d "${TMPDIR:-/tmp}/velmora-smoke.XXXXXX")
chmod 700 "$work"
xvfb_pid=""
app_pid=""

stop_process() {
    local pid=$1
    [ -n "$pid" ] || return 0
    kill -0 "$pid" 2>/dev/null || return 0
    kill -TERM "$pid" 2>/dev/null || true
    for _ in $(seq 20); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}

cleanup() {
    local status=$?
    stop_process "$app_pid"
    stop_process "$xvfb_pid"
    if [ "$status" -ne 0 ] && [ -s "$work/app.log" ]; then
        echo "--- program output ---" >&2
        tail -n 60 "$work/app.log" >&2
    fi
    rm -rf "$work"
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The server picks a free display itself and writes its number to fd 3, so
# parallel runs never fight over a display.
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp -noreset 3>"$work/display" \
    >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
    sleep 0.1
done
[ -s "$work/display" ] || fail "Xvfb did not report a display within 10 s"
DISPLAY=":$(tr -d '[:space:]' <"$work/display")"
export DISPLAY
echo "Xvfb on $DISPLAY"

mkdir -p "$work/runtime"
chmod 700 "$work/runtime"
XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb "$program" >"$work/app.log" 2>&1 &
app_pid=$!

window=""
for _ in $(seq $((STARTUP_TIMEOUT * 5))); do
    kill -0 "$app_pid" 2>/dev/null || fail "the program ended before showing its window"
    window=$(xdotool search --onlyvisible --name '^Velmora$' 2>/dev/null | head -n 1 || true)
    [ -n "$window" ] && break
    sleep 0.2
done
[ -n "$window" ] || fail "no window titled 'Velmora' appeared within ${STARTUP_TIMEOUT} s"

eval "$(xdotool getwindowgeometry --shell "$window")"
echo "window $window at ($X, $Y), ${WIDTH}x${HEIGHT}"
# The menu bar adds to the window's height only; the client area keeps its
# designed size at the bottom of the window.
if [ "$WIDTH" -ne "$CLIENT_W" ] || [ "$HEIGHT" -lt "$CLIENT_H" ]; then
    fail "window is ${WIDTH}x${HEIGHT}, expected ${CLIENT_W} wide and at least ${CLIENT_H} high"
fi
origin_x=$X

# --- looking at the screen ---------------------------------------------------

shot="$work/screen.png"
problems=()

take_screenshot() {
    import -window root -depth 8 "png24:$shot" 2>>"$work/import.log" ||
        fail "could not take a screenshot: $(tail -n 3 "$work/import.log")"
}

# The menu bar above the client area and the status bar below it take what
# height the style gives them, so the client area is found on the screen: the
# first black row down the middle of the still empty picture is its top.
origin_y=""
for _ in $(seq 50); do
    take_screenshot
    first_black=$(convert "$shot" -crop "1x${HEIGHT}+$((X + AREA_X + AREA_SIDE / 2))+${Y}" +repage -depth 8 txt:- |
        awk -F'[,:]' '/#000000/ && !found { print $2; found = 1 }')
    if [ -n "$first_black" ]; then
        origin_y=$((Y + first_black - AREA_Y))
        break
    fi
    sleep 0.2
done
[ -n "$origin_y" ] || fail "the empty black picture never showed"
echo "client area at ($origin_x, $origin_y), $((origin_y - Y)) below the window's top"

# Colour of picture pixels as RRGGBB, for "x,y" arguments, one per line.
picture_hex() {
    local format="" p
    for p in "$@"; do
        format+="%[hex:p{$((origin_x + AREA_X + ${p%,*})),$((origin_y + AREA_Y + ${p#*,}))}]\n"
    done
    convert "$shot" -format "$format" info:
}

expect_picture_pixels() {
    local colour=$1 name=$2
    shift 2
    local points=("$@") i=0 actual
    while read -r actual; do
        [ "${actual^^}" = "$colour" ] ||
            problems+=("picture pixel (${points[$i]}) should be $name #$colour but is #$actual")
        i=$((i + 1))
    done < <(picture_hex "${points[@]}")
    [ "$i" -eq ${#points[@]} ] || problems+=("could not read picture pixels ${points[*]}")
}

# A crop of the picture, "WxH+x+y" in picture coordinates, through a filter.
picture_crop_format() {
    local geometry=$1 format=$2
    local size=${geometry%%+*} offset=${geometry#*+}
    local x=$((origin_x + AREA_X + ${offset%+*})) y=$((origin_y + AREA_Y + ${offset#*+}))
    convert "$shot" -crop "${size}+${x}+${y}" +repage -format "$format" info:
}

expect_region() {
    local geometry=$1 colour=$2 name=$3 found
    # One colour in the whole region, and it is the expected one.
    found=$(picture_crop_format "$geometry" "%[hex:p{0,0}] %k")
    [ "$found" = "$colour 1" ] ||
        problems+=("picture region $geometry should be all $name #$colour, found first pixel/colour count '$found'")
}

# A button's caption is dark when enabled and greyed out when disabled, so
# the darkest pixel well inside the button's face tells the two apart.
button_darkest() {
    local top=$1
    convert "$shot" -crop "$((BUTTON_W - 16))x$((BUTTON_H - 12))+$((origin_x + BUTTON_X + 8))+$((origin_y + top + 6))" \
        +repage -colorspace gray -format '%[fx:int(255*minima)]' info:
}

expect_button() {
    local name=$1 top=$2 state=$3 darkest
    darkest=$(button_darkest "$top")
    if ! [[ "$darkest" =~ ^[0-9]+$ ]]; then
        problems+=("could not measure the caption of button '$name'")
    elif [ "$state" = enabled ] && [ "$darkest" -gt 60 ]; then
        problems+=("button '$name' should be enabled (dark caption) but its darkest pixel is $darkest/255")
    elif [ "$state" = disabled ] && [ "$darkest" -le 60 ]; then
        problems+=("button '$name' should be disabled (grey caption) but its darkest pixel is $darkest/255")
    fi
}

# Takes screenshots until CHECK finds nothing wrong; the last one is kept as
# NAME.png either way, and on timeout every remaining problem is reported.
await_screen() {
    local name=$1 timeout=$2 check=$3
    local deadline=$((SECONDS + timeout))
    while :; do
        kill -0 "$app_pid" 2>/dev/null || fail "the program ended while waiting for '$name'"
        take_screenshot
        problems=()
        "$check"
        [ ${#problems[@]} -eq 0 ] && break
        if [ "$SECONDS" -ge "$deadline" ]; then
            cp "$shot" "$shots/$name.png"
            local problem
            for problem in "${problems[@]}"; do
                echo "SMOKE FAIL ($name): $problem" >&2
            done
            fail "screen did not reach '$name' within ${timeout} s; screenshot: $shots/$name.png"
        fi
        sleep 0.3
    done
    cp "$shot" "$shots/$name.png"
    echo "screenshot: $shots/$name.png"
}

click_button() {
    local name=$1 top=$2
    echo "clicking '$name'"
    xdotool mousemove "$((origin_x + BUTTON_X + BUTTON_W / 2))" "$((origin_y + top + BUTTON_H / 2))" \
        sleep 0.2 click 1
}

# --- the expected screens ----------------------------------------------------

readonly RED=FF0000 BLUE=0000FF GREEN=00FF00 YELLOW=FFFF00 CYAN=00FFFF MAGENTA=FF00FF
readonly WHITE=FFFFFF BLACK=000000
last=$((AREA_SIDE - 1))
second_last=$((AREA_SIDE - 2))

check_started() {
    expect_region "${AREA_SIDE}x${AREA_SIDE}+0+0" "$BLACK" black
    expect_button "Draw All Area" "$DRAW_Y" enabled
    expect_button "Magnify Area" "$MAGNIFY_Y" disabled
    expect_button "Trace Outline" "$TRACE_Y" disabled
    expect_button "Compose Music" "$COMPOSE_Y" disabled
    expect_button "Stop Music" "$STOP_Y" disabled
    expect_button "Quit" "$QUIT_Y" enabled
}

check_drawn() {
    expect_picture_pixels "$RED" red 0,0 0,207
    expect_picture_pixels "$BLUE" blue "$last,0"
    expect_picture_pixels "$GREEN" green "$last,207"
    expect_picture_pixels "$BLACK" black 200,200 150,200 250,200
    # Black where the set is, and the seven escape colours, nothing else.
    local colours leftover
    colours=$(picture_crop_format "${AREA_SIDE}x${AREA_SIDE}+0+0" '%k')
    [ "$colours" = 8 ] || problems+=("the picture should hold 8 colours (black and seven escape colours), it holds $colours")
    leftover=$(convert "$shot" -crop "${AREA_SIDE}x${AREA_SIDE}+$((origin_x + AREA_X))+$((origin_y + AREA_Y))" +repage \
        -fill black -opaque "#$RED" -opaque "#$BLUE" -opaque "#$GREEN" -opaque "#$YELLOW" \
        -opaque "#$CYAN" -opaque "#$MAGENTA" -opaque "#$WHITE" -format '%k %[hex:p{0,0}]' info:)
    [ "$leftover" = "1 $BLACK" ] || problems+=("the picture holds a colour outside the escape palette")
    expect_button "Draw All Area" "$DRAW_Y" enabled
    expect_button "Magnify Area" "$MAGNIFY_Y" enabled
    expect_button "Trace Outline" "$TRACE_Y" enabled
    expect_button "Compose Music" "$COMPOSE_Y" disabled
}

check_traced() {
    # Every edge pixel escapes in the default view, so the frame is closed.
    expect_region "${AREA_SIDE}x1+0+0" "$WHITE" white
    expect_region "${AREA_SIDE}x1+0+$last" "$WHITE" white
    expect_region "1x${AREA_SIDE}+0+0" "$WHITE" white
    expect_region "1x${AREA_SIDE}+$last+0" "$WHITE" white
    # Nothing of the set comes near the edge, so the next ring is black.
    expect_region "$((AREA_SIDE - 2))x1+1+1" "$BLACK" black
    expect_region "$((AREA_SIDE - 2))x1+1+$second_last" "$BLACK" black
    expect_region "1x$((AREA_SIDE - 2))+1+1" "$BLACK" black
    expect_region "1x$((AREA_SIDE - 2))+$second_last+1" "$BLACK" black
    # Inside the set and far outside it there is no outline.
    expect_picture_pixels "$BLACK" black 200,200 250,200 20,20 380,380
    local colours
    colours=$(picture_crop_format "${AREA_SIDE}x${AREA_SIDE}+0+0" '%k')
    [ "$colours" = 2 ] || problems+=("the traced picture should be only black and white, it holds $colours colours")
    # The outline of the set itself: some white well inside the frame.
    local inner_white
    inner_white=$(picture_crop_format "$((AREA_SIDE - 8))x$((AREA_SIDE - 8))+4+4" '%[fx:int(mean*w*h+0.5)]')
    [[ "$inner_white" =~ ^[0-9]+$ ]] && [ "$inner_white" -ge 400 ] || problems+=("only $inner_white white pixels inside the frame; the outline of the set is missing")
    expect_button "Draw All Area" "$DRAW_Y" enabled
    expect_button "Magnify Area" "$MAGNIFY_Y" disabled
    expect_button "Trace Outline" "$TRACE_Y" disabled
    expect_button "Compose Music" "$COMPOSE_Y" enabled
}

# --- the run ------------------------------------------------------------------

await_screen started "$STARTUP_TIMEOUT" check_started
click_button "Draw All Area" "$DRAW_Y"
await_screen after_draw "$RENDER_TIMEOUT" check_drawn
click_button "Trace Outline" "$TRACE_Y"
await_screen after_trace "$RENDER_TIMEOUT" check_traced
click_button "Quit" "$QUIT_Y"

status=""
for _ in $(seq $((QUIT_TIMEOUT * 10))); do
    if ! kill -0 "$app_pid" 2>/dev/null; then
        status=0
        wait "$app_pid" || status=$?
        break
    fi
    sleep 0.1
done
[ -n "$status" ] || fail "the program was still running ${QUIT_TIMEOUT} s after 'Quit'"
app_pid=""
[ "$status" -eq 0 ] || fail "the program exited with status $status after 'Quit'"

echo "smoke test passed; screenshots in $shots"

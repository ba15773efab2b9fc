#!/usr/bin/env bash
# Starts the program on a virtual X display with a demo company of its own and
# saves pictures of its windows into docs/screenshots/:
#   main-window.png   the main window after the logon
#   about-box.png     the About box, opened from the Help menu
#   help-window.png   the help window on its first topic, opened with F1
#   logon.png         the logon window with the demo profile, user id and password typed
#   logon-profiles.png  the logon window with its profile list open
#   profile-wizard-servers.png  the profile wizard opened with Add, on its first frame:
#                     the SQL server box first, the HBServer box below it
#   profile-wizard-company.png  the profile wizard on its company frame, the companies
#                     asked from the HBServer the script starts
#   profile-manager.png  the profile manager after the wizard added a profile
#   logon-profile-tip.png  the logon window back with that profile, its whole name
#                     in the tip of the profile box
#   list-window.png   the main window with All Views and the Orders view open as list
#                     windows at their first size: a search in the filter pane, rows and
#                     the statistics strip
#   list-context-menu.png  the Orders list window with the context menu of an order
#                     open: the linked views offered for that row
#   list-refused-search.png  Orders after Enter on a search whose date the pane
#                     refuses: the message, the refused box marked, nothing listed
#   list-two-digit-year.png  the same search with the date typed with a two-digit
#                     year: its rows, and the search's name marked as changed
#   small-main-window.png  the main window made small, scrolled to the right edge of
#                     the list windows
#   searches-menu-admin.png  admin's Searches menu on Orders after saving "Chen's Orders"
#                     without sharing it: admin's own searches and the shared ones
#   searches-menu-jdoe.png  jdoe's Searches menu on Orders with admin's shared "Open
#                     Orders" current: jdoe's own and the shared searches, not admin's
#                     private one; Save, Edit and Delete off for admin's search
#   import-column-order-lines.png  the Import Column dialog opened from Order Lines'
#                     editor, the linked view Products chosen and its columns listed
#   view-editor.png   the view editor customizing a view, on its Columns tab (taken by
#                     the editor's layout test, which has the program open the editor)
#   import-column.png, edit-imported-column.png  the editor's two column dialogs on
#                     the Customer Report (taken by the imported-column commands' tests)
#   new-view-list.png a view made with New in All Views through the view editor, open
#                     in its list window with its rows and statistics (taken by the list
#                     window's New test)
#   help-over-editor.png  F1 in the view editor: the help on the editor's page above the
#                     editor, which stays open behind it, with a word typed into its index
#   list-window-de.png  Orders as a user in Germany sees it (the others are taken as a
#                     user in the United States): dates and numbers in the regional form
# Installs Xvfb, ImageMagick, xdotool and the X utilities with apt-get when they
# are missing, and builds the program first when needed (BUILD_DIR, default build/).
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
BUILD_DIR=${BUILD_DIR:-$ROOT/build}
OUT=$ROOT/docs/screenshots
mkdir -p "$OUT"

# ---- tools
need=()
command -v Xvfb >/dev/null || need+=(xvfb)
command -v import >/dev/null || need+=(imagemagick)
command -v xdotool >/dev/null || need+=(xdotool)
command -v xwininfo >/dev/null || need+=(x11-utils)
if [ ${#need[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}"
fi

# ---- the program (a folder with the two programs and no build files is used as it is)
if [ -f "$BUILD_DIR/CMakeCache.txt" ] || [ ! -x "$BUILD_DIR/quillon" ]; then
  if [ ! -f "$BUILD_DIR/CMakeCache.txt" ]; then
    ./scripts/setup-deps.sh
    cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  fi
  cmake --build "$BUILD_DIR" --target quillon quillon-db quillon-help -j4 >/dev/null
fi

# ---- a world of its own: servers, client configuration and settings in a temporary folder
WORK=$(mktemp -d)
XVFB_PID=""
APP_PID=""
HB_PID=""
cleanup() {
  [ -n "$APP_PID" ] && kill "$APP_PID" 2>/dev/null || true
  [ -n "$HB_PID" ] && kill "$HB_PID" 2>/dev/null || true
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT
export QUILLON_SERVERS_DIR=$WORK/servers
export QUILLON_CLIENT_CONFIG_DIR=$WORK/config
export QUILLON_REGISTRY_DIR=$WORK/registry
export XDG_CONFIG_HOME=$WORK/xdg-config
export XDG_DATA_HOME=$WORK/xdg-data
export XDG_RUNTIME_DIR=$WORK/runtime
# A user in the United States, as the tests take one; one picture below is taken as a
# user in Germany sees the same list.
export LC_ALL=en_US.UTF-8
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
SERVER=SHOWCASE
"$BUILD_DIR/quillon-db" create-demo --server "$SERVER" --order-lines 400 >/dev/null

# ---- the HBServer the profile wizard asks, on a free loopback port of its own
HB_PORT=""
for _ in $(seq 1 20); do
  port=$((20000 + RANDOM % 12000))
  "$BUILD_DIR/quillon-db" serve-hb --port "$port" --server "$SERVER" 2>>"$WORK/hbserver.log" &
  HB_PID=$!
  sleep 0.5
  if kill -0 "$HB_PID" 2>/dev/null; then HB_PORT=$port; break; fi
  HB_PID=""
done
[ -n "$HB_PORT" ] || { echo "The HBServer did not start." >&2; exit 1; }

# ---- the display
DISPLAY_NUMBER=${DISPLAY_NUMBER:-}
if [ -z "$DISPLAY_NUMBER" ]; then
  for n in $(seq 90 140); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || { DISPLAY_NUMBER=$n; break; }
  done
fi
Xvfb ":$DISPLAY_NUMBER" -screen 0 1280x860x24 -nolisten tcp >/dev/null 2>&1 &
XVFB_PID=$!
export DISPLAY=":$DISPLAY_NUMBER"
export QT_QPA_PLATFORM=xcb
for _ in $(seq 1 50); do
  xwininfo -root >/dev/null 2>&1 && break
  sleep 0.1
done
# A grey desktop behind the windows.
xsetroot -solid '#5a6b80' 2>/dev/null || true

# The id of the first visible window whose title is exactly NAME (waits up to 15 s).
wait_window() {
  local name=$1 id=""
  for _ in $(seq 1 150); do
    id=$(xdotool search --onlyvisible --name "^${name}\$" 2>/dev/null | head -n1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  echo "No window '$name' appeared." >&2
  return 1
}
# Saves the window's picture.
shoot() {
  local id=$1 file=$2
  sleep 0.7
  import -window "$id" "$OUT/$file"
  echo "saved docs/screenshots/$file"
}
# Saves the part of the screen the window covers, with what is open over it (menus
# are windows of their own).
shoot_screen() {
  local id=$1 file=$2 X Y WIDTH HEIGHT
  sleep 0.7
  eval "$(xdotool getwindowgeometry --shell "$id" | grep -E '^(X|Y|WIDTH|HEIGHT)=')"
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$OUT/$file"
  echo "saved docs/screenshots/$file"
}

# Starts the program logged on as USER with PASSWORD from the command line; MAIN is
# its main window, placed and sized the same each time.
start_as() {
  "$BUILD_DIR/quillon" "/SQLSRV=$SERVER;/HBSRV=localhost;/HBPRT=1331;/CO=DEMO;/UID=$1;/PWD=$2;" &
  APP_PID=$!
  MAIN=$(wait_window "DEMO - quillon 7.6")
  xdotool windowmove "$MAIN" 0 0 windowsize "$MAIN" 1100 720
  xdotool windowfocus --sync "$MAIN" 2>/dev/null || true
}
# Ends the program started last.
stop_app() {
  kill "$APP_PID" 2>/dev/null || true
  wait "$APP_PID" 2>/dev/null || true
  APP_PID=""
}
# F1 in the window WINDOW; HELP is the help window that comes up, moved to X Y
# (there is no window manager to move it by its title bar).
help_from() {
  xdotool windowfocus --sync "$1" 2>/dev/null || true
  xdotool key --clearmodifiers F1
  HELP=$(wait_window "Quillon Help")
  xdotool windowmove "$HELP" "$2" "$3"
}

# ---- the main window, after a logon from the command line
start_as jdoe secret
shoot "$MAIN" main-window.png

# ---- the About box, from the Help menu
xdotool key --clearmodifiers alt+h
sleep 0.4
xdotool key a
ABOUT=$(wait_window "About quillon")
shoot "$ABOUT" about-box.png
xdotool key Escape

# ---- the help window on its first topic, from F1 in the main window; then moved
# out of the way of the clicks that follow (there is no window manager to minimize it)
sleep 0.4
help_from "$MAIN" 80 40
sleep 1.0
shoot "$HELP" help-window.png
xdotool windowmove "$HELP" 3000 3000
xdotool windowfocus --sync "$MAIN" 2>/dev/null || true

# ---- a list window: All Views from the View menu, Go, then the Orders view opened
# from it with Enter; Orders starts with its last used search ("Open Orders"),
# lists its rows and shows the statistics strip. The list windows are widgets
# inside the main window, so the clicks go to places in the main window.
# All Views from the View menu, then Go (at the right of the filter pane of the
# window, which fills the main window but for one cascade step).
list_all_views() {
  sleep 0.4
  xdotool key --clearmodifiers alt+v
  sleep 0.4
  xdotool key a
  sleep 1.0
  xdotool mousemove --window "$MAIN" 1037 156 click 1
  sleep 1.5
}
# Customize on the Order Lines row of All Views; EDITOR is the view editor.
customize_order_lines() {
  list_all_views
  xdotool mousemove --window "$MAIN" 60 285 click 1
  sleep 0.4
  xdotool mousemove --window "$MAIN" 205 115 click 1
  EDITOR=$(wait_window "Customize View")
}
list_all_views
# The first row (Customers); Orders is the row below it.
xdotool mousemove --window "$MAIN" 60 245 click 1
sleep 0.5
xdotool key Down
sleep 0.3
xdotool key Return
sleep 2.5
# Both windows at the size they open with: Orders cascades from All Views.
shoot "$MAIN" list-window.png

# ---- the context menu of an order (its third row): the linked views that its row
# offers; Escape closes the menu without opening one.
xdotool mousemove --window "$MAIN" 300 333 click 3
sleep 0.8
shoot_screen "$MAIN" list-context-menu.png
xdotool key Escape
sleep 0.3

# ---- a search the pane refuses: in the empty row of Orders' pane, "Order Date",
# "between", a value that is no date and a valid one, Enter. The box names the
# value; behind it the list and the strip show nothing of the previous search,
# only the refused box is marked, and the search's name says it has changed.
xdotool mousemove --window "$MAIN" 500 222 click 1
sleep 0.8
xdotool mousemove --window "$MAIN" 65 267 click 1
sleep 0.6
xdotool mousemove --window "$MAIN" 495 222 click 1
sleep 0.8
xdotool mousemove --window "$MAIN" 413 355 click 1
sleep 0.6
xdotool mousemove --window "$MAIN" 560 222 click 1
xdotool type --delay 30 "24-01-05x"
xdotool mousemove --window "$MAIN" 840 222 click 1
xdotool type --delay 30 "2024-12-31"
xdotool key Return
sleep 1.0
shoot_screen "$MAIN" list-refused-search.png
# OK puts the focus back in the refused value, selected: typed over, a two-digit
# year is read as 2024 and the search runs.
xdotool key Return
sleep 0.5
xdotool type --delay 30 "24-01-05"
xdotool key Return
sleep 2.0
shoot "$MAIN" list-two-digit-year.png

# ---- the main window made small: the list windows keep their size and the window
# area scrolls to them; clicks on the scroll bar's right arrow bring Go, Clear,
# Searches and the close boxes into view.
xdotool windowsize "$MAIN" 520 380
sleep 0.8
for _ in $(seq 1 40); do xdotool mousemove --window "$MAIN" 497 351 click 1; done
sleep 0.5
shoot "$MAIN" small-main-window.png
xdotool windowsize "$MAIN" 1100 720
sleep 0.5

stop_app

# ---- the logon window: the demo profile stored, a user id and password typed
"$BUILD_DIR/quillon-db" add-demo-profile --server "$SERVER" >/dev/null
"$BUILD_DIR/quillon" &
APP_PID=$!
LOGON=$(wait_window "quillon Login")
xdotool windowmove "$LOGON" 60 60
sleep 0.5
# The window is shaped: take it from the screen with a margin of desktop around it.
shoot_shaped() {
  local id=$1 file=$2 X Y WIDTH HEIGHT
  sleep 0.7
  eval "$(xdotool getwindowgeometry --shell "$id" | grep -E '^(X|Y|WIDTH|HEIGHT)=')"
  import -window root -crop "$((WIDTH + 24))x$((HEIGHT + 24))+$((X - 12))+$((Y - 12))" +repage "$OUT/$file"
  echo "saved docs/screenshots/$file"
}
# No user id is stored yet: the focus starts in the user id box.
xdotool type --delay 40 jdoe
xdotool key Tab
xdotool type --delay 40 secret
shoot_shaped "$LOGON" logon.png
# The profile list, opened from the profile box.
xdotool key Tab
xdotool key alt+Down
shoot_shaped "$LOGON" logon-profiles.png
xdotool key Escape
sleep 0.3
# Enter logs on: the main window follows.
xdotool key Return
wait_window "DEMO - quillon 7.6" >/dev/null
echo "logged on through the logon window"

stop_app

# ---- the profile manager and the wizard: the edit-profiles button beside the profile
# box opens the manager; Add walks the wizard through the servers (the HBServer
# started above), the company, the branch and the name.
"$BUILD_DIR/quillon" &
APP_PID=$!
LOGON=$(wait_window "quillon Login")
xdotool windowmove "$LOGON" 60 60
sleep 0.5
# The user id of the last logon is stored: it is in its box already.
xdotool mousemove --window "$LOGON" 291 25 click 1
MANAGER=$(wait_window "Manage Logon Profiles")
xdotool windowmove "$MANAGER" 60 60
sleep 0.3
xdotool key --clearmodifiers alt+a
WIZARD=$(wait_window "Edit Logon Profile")
xdotool windowmove "$WIZARD" 120 120
sleep 0.3
# Enter is the wizard's Next (Finish on its last frame).
wizard_next() { xdotool key --clearmodifiers Return; sleep 0.8; }
# The SQL server box, the first of the frame, has the focus; what is typed there is
# copied into the HBServer box below it while the two agree, so the HBServer box is
# filled after it.
xdotool key --clearmodifiers ctrl+a
xdotool type --delay 20 "$SERVER"
xdotool key Tab ctrl+a
xdotool type --delay 20 "localhost:$HB_PORT"
shoot "$WIZARD" profile-wizard-servers.png
wizard_next
shoot "$WIZARD" profile-wizard-company.png
# DEMO, the company above TRADING, has branches: the branch frame comes next.
xdotool key Up
wizard_next
wizard_next
wizard_next
shoot "$MANAGER" profile-manager.png
# OK takes the new profile back to the logon window; its name is longer than the
# box, and the pointer resting on the box shows the whole name.
xdotool key --clearmodifiers Return
sleep 0.8
xdotool mousemove --window "$LOGON" 250 77 click 1
xdotool mousemove --window "$LOGON" 195 145
sleep 0.3
xdotool mousemove --window "$LOGON" 200 147
sleep 2.0
# The tip reaches past the window's right edge: a wider margin there.
eval "$(xdotool getwindowgeometry --shell "$LOGON" | grep -E '^(X|Y|WIDTH|HEIGHT)=')"
import -window root -crop "$((WIDTH + 84))x$((HEIGHT + 24))+$((X - 12))+$((Y - 12))" +repage "$OUT/logon-profile-tip.png"
echo "saved docs/screenshots/logon-profile-tip.png"

stop_app

# ---- Import New Columns on Order Lines, as admin: All Views, Go, the Order Lines row,
# Customize, then the editor's Import New Columns; the linked view Products chosen
# in the dialog lists its columns. Esc closes the dialog as Cancel does.
start_as admin admin
customize_order_lines
sleep 1.0
xdotool mousemove 794 578 click 1
IMPORT=$(wait_window "Import Column")
sleep 0.5
xdotool mousemove --window "$IMPORT" 439 50 click 1
sleep 1.0
xdotool mousemove --window "$IMPORT" 170 70 click 1
sleep 1.0
shoot "$IMPORT" import-column-order-lines.png
xdotool key Escape
sleep 0.5
if xdotool search --onlyvisible --name "^Import Column\$" >/dev/null 2>&1; then
  echo "Esc left the Import Column dialog open." >&2
  exit 1
fi

stop_app

# ---- saved searches as two users see them on Orders. admin saves the search it opens
# with as a new search of its own, "Chen's Orders", without sharing it; its menu lists
# it with the shared searches. jdoe's menu lists jdoe's own and the shared searches,
# not admin's private one, and offers only Save As on admin's shared "Open Orders".
# Orders from All Views (its second row), opened with Enter, with its last used search.
open_orders() {
  list_all_views
  xdotool mousemove --window "$MAIN" 60 245 click 1
  sleep 0.5
  xdotool key Down
  sleep 0.3
  xdotool key Return
  sleep 2.5
}
# The Searches button of Orders, clicked: its menu opens past the main window's right edge.
open_searches() {
  xdotool mousemove --window "$MAIN" 1049 230 click 1
  sleep 0.6
}
shoot_menu() {
  sleep 0.7
  import -window root -crop 1190x400+0+60 +repage "$OUT/$1"
  echo "saved docs/screenshots/$1"
}
start_as admin admin
open_orders
# Save As: the menu's second item; "Share with all users" stays unticked.
open_searches
xdotool key Down Down Return
wait_window "New Search" >/dev/null
sleep 0.3
xdotool type --delay 30 "Chen's Orders"
xdotool key Return
sleep 2.5
open_searches
shoot_menu searches-menu-admin.png
xdotool key Escape
stop_app

start_as jdoe secret
open_orders
# admin's closed window left "Chen's Orders" the last used search: jdoe gets its
# conditions without its name. "Open Orders", the menu's last item, is chosen.
open_searches
xdotool key Up Return
sleep 2.5
open_searches
shoot_menu searches-menu-jdoe.png
xdotool key Escape
stop_app

# ---- the view editor on its Columns tab: its layout test opens it on the demo company
# and saves its picture.
cmake --build "$BUILD_DIR" --target quillon_tests -j4 >/dev/null
QT_QPA_PLATFORM=offscreen QUILLON_SCREENSHOT_DIR=$OUT "$BUILD_DIR/quillon_tests" \
  --gtest_filter='ViewEditorHeaderTest.ColumnsTabShowsItsTextsWhole' >/dev/null
echo "saved docs/screenshots/view-editor.png"

# ---- a view made through the editor (All Views, New, OK), open in its list window
QT_QPA_PLATFORM=offscreen QUILLON_SCREENSHOT_DIR=$OUT "$BUILD_DIR/quillon_tests" \
  --gtest_filter='ListWindowCustomizeTest.NewViewFromAllViewsAppearsSelectedInTheCatalogue' >/dev/null
echo "saved docs/screenshots/new-view-list.png"

# ---- the Import Column and Edit Imported Column dialogs, opened from the editor
QT_QPA_PLATFORM=offscreen QUILLON_SCREENSHOT_DIR=$OUT "$BUILD_DIR/quillon_tests" \
  --gtest_filter='ImportedColumnCommandsTest.ImportWithOk*:ImportedColumnCommandsTest.EditRenames*' >/dev/null
echo "saved docs/screenshots/import-column.png and edit-imported-column.png"

# ---- F1 in the view editor (a modal dialog), as admin: All Views, Go, the Order Lines
# row, Customize, F1. The help comes up above the editor on the editor's page and
# takes a word typed into its index while the editor stays open.
start_as admin admin
customize_order_lines
sleep 1.0
# Down and to the right, so that the editor shows beside it.
help_from "$EDITOR" 330 210
sleep 1.5
xdotool key --clearmodifiers alt+i
sleep 0.3
xdotool type --delay 40 "columns"
sleep 0.8
import -window root "$OUT/help-over-editor.png"
echo "saved docs/screenshots/help-over-editor.png"
if ! xdotool search --onlyvisible --name "^Customize View\$" >/dev/null 2>&1; then
  echo "The view editor closed when its help opened." >&2
  exit 1
fi

stop_app

# ---- Orders as a user in Germany sees it: dates in the regional order with a
# four-digit year, numbers with the regional separators, in the list and the strip.
LC_ALL=de_DE.UTF-8 start_as jdoe secret
open_orders
shoot_screen "$MAIN" list-window-de.png
stop_app

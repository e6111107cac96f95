# Sourced by scripts that show the program's windows: writes the bundled
# sample prefix into $work/sample, points the program at it, and starts a
# private X server on a free display. Expects $build and $work; the caller's
# EXIT trap ends the server through $xvfb_pid.
"$build/bin/postora-sample-prefix" "$work/sample" >/dev/null
export WINEPREFIX="$work/sample/prefix" XDG_CONFIG_HOME="$work/sample/config" HOME="$work/sample/home"
unset WAYLAND_DISPLAY
# A display number no one uses: try from 90 upwards.
for n in $(seq 90 120); do
    [[ -e "/tmp/.X11-unix/X$n" || -e "/tmp/.X$n-lock" ]] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$n"
    break
done
for _ in $(seq 50); do [[ -e "/tmp/.X11-unix/X${DISPLAY#:}" ]] && break; sleep 0.1; done
export QT_QPA_PLATFORM=xcb

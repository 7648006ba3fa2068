#!/usr/bin/env python3
"""Records a desktop for the make benchmark, the same frames every time.

  bench/make_screen_recording.py WORK

  WORK/inputs/D/f000..f119.png   120 frames 800x500 of an Xvfb desktop: a terminal where commands
                                 are typed and run, an editor's view (antialiased text, numbered
                                 lines) scrolling through a licence, and the terminal window moving
  WORK/inputs/DS/f000..f119.png  the same frames scaled to 512x320 (Lanczos), as a recording made
                                 smaller is: antialiased text and edges
  WORK/inputs/DH/f000..f089.png  the first 90 frames at twice the size on a 1920x1080 desktop, as a
                                 recording of a full-HD screen at 200 % is: every pixel doubled

ffmpeg's x11grab records the screen all along. Each step of the script tells the programs in the
two terminals, through pipes, what to show next (keys typed, a command's output, the view one line
further) and waits until each says it has written it, moves a window with xdotool, and keeps the
first frame that SETTLED successive grabs agree on (after a step that changes the screen, the
first such frame that differs from the one before). Keys sent as X events get lost on a loaded
machine; pipes do not, so the frames do not depend on the machine's speed or load.
Needs: xvfb, xterm, xdotool, xfonts-base, imagemagick, ffmpeg, fonts-dejavu-core.
"""

import os
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
from pathlib import Path

W, H, FRAMES = 800, 500, 120
SCALED = (512, 320)
FULL_HD, FULL_HD_FRAMES = (1920, 1080), 90
FPS = 12
FFMPEG = "/usr/bin/ffmpeg"
SETTLED = 4
DESKTOP = "#2f5f8f"
LICENCE = "/usr/share/common-licenses/GPL-3"
# The programs in the terminals: each reads one line a step from its pipe and answers on another
# once it has written what the line asks for. The editor's view: line N and the 24 after it,
# numbered, the text cut at the window's width, no cursor. (One colour of antialiased text on the
# page keeps a frame within 256 colours, as a recording of a plain editor is.)
EDITOR = r"""exec 3<"$1" 4>"$2"; printf '\033[?25l'
while read -r top <&3; do
  view=$(tail -n "+$top" "$3" | head -n 25 | cut -c1-71 | while IFS= read -r line; do
    printf '%3d %s\033[K\n' "$top" "$line"; top=$((top + 1)); done)
  printf '\033[H%s\033[J' "$view"; echo >&4
done"""
# The terminal: the characters of each line are typed as they come; "^" is Return, which runs what
# was typed and shows the prompt again. Each answer is written at once, so the terminal draws it
# in one go (written line by line, a loaded machine caught a view half drawn).
TERMINAL = r"""exec 3<"$1" 4>"$2"; cd /usr/share/common-licenses; printf 'demo$ '; typed=
while IFS= read -r keys <&3; do
  for ((k = 0; k < ${#keys}; k++)); do
    c=${keys:k:1}
    if [ "$c" = "^" ]; then out=$(bash -c "$typed"); typed=; printf '\n%s\ndemo$ ' "$out"
    else printf '%s' "$c"; typed+=$c; fi
  done
  echo >&4
done"""
# What is typed into the terminal, two characters a frame; "^" stands for Return.
TYPED = "ls -1 | head -n 8^seq 1 6^wc -l GPL-3 LGPL-2.1^echo done^"
XTERM = ["xterm", "-xrm", "XTerm*allowSendEvents: true", "-xrm", "XTerm*cursorBlink: false",
         "-xrm", "XTerm*scrollBar: false"]


class Grabber:
    """ffmpeg x11grab into a pipe; keeps the latest frame and how many have come."""

    def __init__(self, display):
        self.proc = subprocess.Popen(
            [FFMPEG, "-nostdin", "-v", "error", "-f", "x11grab", "-draw_mouse", "0", "-framerate", str(FPS),
             "-video_size", f"{W}x{H}", "-i", display, "-f", "rawvideo", "-pix_fmt", "rgb24", "pipe:1"],
            stdout=subprocess.PIPE)
        self.cond = threading.Condition()
        self.count, self.frame = 0, None
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        size = W * H * 3
        while True:
            data = self.proc.stdout.read(size)
            if len(data) < size:
                return
            with self.cond:
                self.count, self.frame = self.count + 1, data
                self.cond.notify_all()

    def next_after(self, count):
        with self.cond:
            if not self.cond.wait_for(lambda: self.count > count, timeout=30):
                raise SystemExit("make_screen_recording: ffmpeg stopped grabbing")
            return self.count, self.frame

    def settled(self, unlike=None):
        """The first frame, grabbed wholly after this call and other than `unlike`, that the
        SETTLED - 1 grabs after it repeat."""
        count, _ = self.next_after(self.count)
        count, last = self.next_after(count)  # the one in flight at the call may predate it
        while last == unlike:  # the terminal has the step's text but has not drawn it yet
            count, last = self.next_after(count)
        same = 1
        while same < SETTLED:
            count, frame = self.next_after(count)
            same = same + 1 if frame == last else 1
            last = frame
        return last

    def stop(self):
        self.proc.terminate()
        self.proc.wait()


def run(*command):
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def window(title):
    for _ in range(1200):  # two minutes: a loaded machine starts a terminal slowly
        found = subprocess.run(["xdotool", "search", "--name", f"^{title}$"], capture_output=True, text=True)
        if found.stdout.split():
            return found.stdout.split()[0]
        time.sleep(0.1)
    raise SystemExit(f"make_screen_recording: no {title} window")


def main():
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))  # stopped: still end what it started
    if len(sys.argv) != 2:
        raise SystemExit("usage: make_screen_recording.py WORK")
    inputs = Path(sys.argv[1]).resolve() / "inputs"
    for need in ("/usr/bin/Xvfb", "/usr/bin/xterm", "/usr/bin/xdotool", LICENCE, FFMPEG,
                 "/usr/bin/convert-im6.q16", "/usr/bin/display-im6.q16"):
        if not os.path.exists(need):
            raise SystemExit(f"make_screen_recording: {need} is missing; run scripts/install-deps")
    n = 90
    while Path(f"/tmp/.X11-unix/X{n}").exists() or Path(f"/tmp/.X{n}-lock").exists():
        n += 1
    display = f":{n}"
    os.environ["DISPLAY"] = display
    scratch = Path(tempfile.mkdtemp())
    os.environ["HOME"] = str(scratch)  # no user's settings in the terminal or the editor
    children = [subprocess.Popen(["Xvfb", display, "-screen", "0", f"{W}x{H}x24", "-nolisten", "tcp"],
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)]
    grabber = None
    try:
        for _ in range(300):
            if subprocess.run(["xdotool", "getdisplaygeometry"], capture_output=True).returncode == 0:
                break
            time.sleep(0.1)
        # The desktop's colour: Xvfb shows no plain root colour in its grabs, a root picture it does.
        run("/usr/bin/convert-im6.q16", "-size", f"{W}x{H}", f"xc:{DESKTOP}", str(scratch / "desktop.png"))
        for _ in range(20):  # on a loaded machine the picture is sometimes not taken: look, and try again
            subprocess.run(["/usr/bin/display-im6.q16", "-window", "root", str(scratch / "desktop.png")],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            corner = subprocess.run([FFMPEG, "-nostdin", "-v", "error", "-f", "x11grab", "-video_size", "1x1", "-i",
                                     display, "-frames:v", "1", "-f", "rawvideo", "-pix_fmt", "rgb24", "pipe:1"],
                                    capture_output=True).stdout
            if corner == bytes.fromhex(DESKTOP[1:]):
                break
            time.sleep(0.5)
        else:
            raise SystemExit("make_screen_recording: the desktop's colour was not taken")
        devnull = subprocess.DEVNULL
        pipes = {}
        for name in ("editor", "terminal"):
            for end in ("in", "ack"):
                os.mkfifo(scratch / f"{name}.{end}")
        (scratch / "editor.sh").write_text(EDITOR)
        (scratch / "terminal.sh").write_text(TERMINAL)
        children.append(subprocess.Popen(
            [*XTERM, "-T", "editor", "-geometry", "76x26+262+90", "-fa", "DejaVu Sans Mono", "-fs", "9",
             "-bg", "#fdfdf6", "-fg", "#202020", "-e", "bash", "--norc", "--noprofile", str(scratch / "editor.sh"),
             str(scratch / "editor.in"), str(scratch / "editor.ack"), LICENCE], stdout=devnull, stderr=devnull))
        window("editor")  # first, so the terminal lies above it
        children.append(subprocess.Popen(
            [*XTERM, "-T", "terminal", "-geometry", "58x14+20+24", "-fn", "9x15", "-bg", "#1c1c1c",
             "-fg", "#c8c8c8", "-e", "bash", "--norc", "--noprofile", str(scratch / "terminal.sh"),
             str(scratch / "terminal.in"), str(scratch / "terminal.ack")], stdout=devnull, stderr=devnull))
        for name in ("editor", "terminal"):
            pipes[name] = (open(scratch / f"{name}.in", "w"), open(scratch / f"{name}.ack"))

        def tell(name, line):
            into, ack = pipes[name]
            into.write(line + "\n")
            into.flush()
            if not ack.readline():
                raise SystemExit(f"make_screen_recording: the {name} stopped")

        terminal = window("terminal")
        run("xdotool", "windowraise", terminal)
        top = 1
        tell("editor", str(top))
        grabber = Grabber(display)
        frame = grabber.settled()

        for d in ("D", "DS", "DH"):
            shutil.rmtree(inputs / d, ignore_errors=True)
            (inputs / d).mkdir(parents=True)
        x, y = 20, 24
        for i in range(FRAMES):
            changed = False
            if i % 2 == 0 and TYPED[i:i + 2]:
                tell("terminal", TYPED[i:i + 2])
                changed = True
            if i >= 10 and i % 3 != 2:
                top += 1
                tell("editor", str(top))
                changed = True
            if 70 <= i < 100:
                x, y = x + 9, y + 7
                run("xdotool", "windowmove", terminal, str(x), str(y))
                changed = True
            frame = grabber.settled(unlike=frame if changed else None)
            subprocess.run([FFMPEG, "-nostdin", "-v", "error", "-y", "-f", "rawvideo", "-pix_fmt", "rgb24",
                            "-video_size", f"{W}x{H}", "-i", "-", "-frames:v", "1", str(inputs / "D" / f"f{i:03d}.png")],
                           input=frame, check=True)
        run(FFMPEG, "-nostdin", "-v", "error", "-y", "-i", str(inputs / "D" / "f%03d.png"), "-vf",
            f"scale={SCALED[0]}:{SCALED[1]}:flags=lanczos,format=rgb24", "-start_number", "0",
            str(inputs / "DS" / "f%03d.png"))
        run(FFMPEG, "-nostdin", "-v", "error", "-y", "-i", str(inputs / "D" / "f%03d.png"), "-frames:v", str(FULL_HD_FRAMES),
            "-vf", f"scale={2 * W}:{2 * H}:flags=neighbor,pad={FULL_HD[0]}:{FULL_HD[1]}:-1:-1:{DESKTOP},format=rgb24",
            "-start_number", "0", str(inputs / "DH" / "f%03d.png"))
    finally:
        for into, ack in pipes.values() if "pipes" in locals() else ():
            into.close()
            ack.close()
        if grabber:
            grabber.stop()
        for child in reversed(children):
            child.terminate()
            child.wait()
        shutil.rmtree(scratch, ignore_errors=True)
    print(f"D: {len(list((inputs / 'D').iterdir()))} frames, DS: {len(list((inputs / 'DS').iterdir()))} frames, "
          f"DH: {len(list((inputs / 'DH').iterdir()))} frames")


if __name__ == "__main__":
    main()

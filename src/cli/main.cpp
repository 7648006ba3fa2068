// pictoreel-cli: making, converting and inspecting GIFs without a window.
#include "cli_support.h"
#include "commands.h"

#include "core/base/memory_tuning.h"
#include "core/media/codec_loader.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

const char* const kHelp = R"(usage: pictoreel-cli COMMAND [ARGUMENTS]
       pictoreel-cli --version

Commands:
  make PROJECT.agp [-o OUT.gif] [--temp DIR] [--jobs N] [--quiet] [--json]
      Makes the project's animated GIF exactly as the window's Make does. The output is the
      project's "Output GIF File Name" (a relative name is taken from the project file's
      folder) unless -o names another. Converted frames are cached in the temp folder of
      pictoreel.ini ("Temp Path") unless --temp names another; --jobs sets how many frames
      convert at once (default: all cores). Shows progress on a terminal and ends with one
      line: output, frames, size in bytes (and kB or MB), seconds taken.
      --json prints, instead of that line, one object: output, frames, bytes, seconds, width,
      height, loop (0 = for ever, null = plays once), settings (what the run used) and
      missing, a list of {frame, path} for frames whose picture was missing or unreadable.
  make PICTURE... -o OUT.gif [--delay N | --fps N] [--size WxH | --width W | --height H]
          [--loop N|forever] [--transparent RRGGBB] [--fit stretch|contain|cover]
          [--fit-background RRGGBB] [--temp DIR] [--jobs N] [--quiet] [--json]
      Makes an animated GIF of the pictures, one frame each in the order given, as a project
      of them would make it. --delay N shows each frame N hundredths of a second (1 to
      1000; default 50); --fps N gives round(100 / N) hundredths, at least 2. The frames are
      the first readable picture's size unless --size says WxH; --width or --height alone
      keeps its proportions. --loop N repeats the animation N times after its first showing
      (0 to 65535; 0 is for ever, as in the GIF); default forever. Frames are opaque unless
      --transparent names the colour (RRGGBB) that is transparent in them. --fit says what
      becomes of a picture of another shape than the frames: stretched to them (stretch, the
      default), fitted inside them whole with bars beside it (contain; the bars are
      transparent, or --fit-background's colour), or filling them with the overhang cut off
      equally on both sides (cover). A picture that is
      missing or unreadable is told and its frame shows the frame before it (exit status 3).
      Both makes also take, for a GIF: --colors N (2 to 256 colours a frame; default 256),
      --dither none|ordered|diffusion (default diffusion), --lossy N (0 to 100; more gives a
      smaller file with small errors where texture hides them; default 0) and --max-size
      BYTES (500K, 2.5M; the best-looking GIF that fits, as the project's "Max Size" asks).
      An output named .webp is an animated WebP, .png or .apng an animated PNG.
      Both makes, and project, also take: --crop WxH+X+Y (the part of every picture kept,
      before it is fitted: in pixels, 600x400+100+50, or in percent of each picture,
      50%x50%+25%+0%; a crop wholly outside a picture keeps all of it), --rotate 90|180|270
      (clockwise), --flip h|v (left-right or top-bottom, of the picture as turned), --speed
      PERCENT (10 to 1000: 200 plays twice as fast, each delay at least 2) and the --caption
      options below. For a project the make turns and flips what the project shows further,
      and its captions are drawn over the project's own.
  project PICTURE... -o PROJECT.agp [make's picture options] [--max-size BYTES] [--force]
          [--crop WxH+X+Y] [--rotate 90|180|270] [--flip h|v] [--speed PERCENT]
          [--caption TEXT [--caption-font "FAMILY [bold] [italic]"] [--caption-size PIXELS]
          [--caption-color RRGGBB] [--caption-outline RRGGBB[:WIDTH]|none]
          [--caption-box RRGGBB|none] [--caption-position PLACE[:MARGIN]|X,Y]
          [--caption-frames all|N|N-|N-M]]...
      Writes the project "make PICTURE..." would make, as the window writes projects; its
      output GIF is PROJECT.gif beside it, within --max-size when given ("Max Size"), with
      --crop, --rotate and --flip as its "Crop", "Rotate" and "Mirror". An existing project is written over only with
      --force (the project's values and frames are replaced; keys Pictoreel does not know
      stay); a file that is not a project is never written over. Missing pictures are told
      (exit status 3); the project is written all the same. Each --caption adds a text
      layer ("\n" in TEXT starts a new line); the --caption-* options after it, up to the
      next --caption, shape that one. PLACE: top-left, top, top-right, left, center, right,
      bottom-left, bottom (default), bottom-right; MARGIN in pixels (default 4).
  frame PICTURE -o OUT.{gif,bmp,jpg,png} [--size WxH] [--transparent RRGGBB]
      Converts one picture: scaled to exactly WxH when given; as GIF with RRGGBB transparent.
      PNG keeps the picture's transparency; BMP and JPEG show its transparent parts white.
  info FILE [--json]
      The picture's size; for a GIF also the frame count, every delay (1/100 s) and the loop
      count, read without decoding the frames. --json prints one object: width, height,
      frame_count, delays and loop_count (0 = for ever, null = no loop block; both for a GIF
      only) and truncated (true when the GIF breaks off before its end, also warned about).
      For an animated WebP or PNG it tells the frame count only.
  extract GIF -o DIR [--format gif|bmp|jpg|png] [--frames LIST] [--max-frames N]
          [--max-pixels N] [--force] [--quiet]
      Writes frames of an animated GIF into DIR (created when missing) as Frame_N.gif,
      .bmp, .jpg or .png, N counting from 0 (default: every frame, as GIF). LIST picks frames,
      e.g. 0,2,5-9. Frames are written as shown: transparent pixels in the frames extractor's
      background colour (red 212, green 208, blue 200), except in PNG, which keeps them
      transparent. Every frame up to the last one listed is decoded, within the budgets below.
      A folder that holds a file of one of those names already is refused unless --force.
  avi2gif VIDEO GIF [--max-frames N] [--max-pixels N] [--quiet]
      Converts any video FFmpeg can read (AVI, MP4, MOV, MKV, WebM, MPEG-TS, MPEG, Ogg,
      FLV, WMV, 3GP, IVF, Y4M ..., told by its content) into an animated GIF that loops for
      ever, each frame shown as long as the video shows it, turned upright. Shows progress
      on a terminal and ends with one line: frames, bytes, seconds.
  gif2avi GIF AVI [--max-frames N] [--max-pixels N] [--quiet]
      Converts an animated GIF into an AVI (MPEG-4 video) at a constant frame rate that keeps
      the GIF's timing; transparent pixels are white. Progress and summary as for avi2gif.
      An output named .mp4 or .m4v is an MP4 (H.264) instead, one named .webm a WebM (VP9).
      Both write their kind of file whatever the output's name, and warn when it says another.
  frames VIDEO -o DIR [--start S] [--duration S] [--fps N] [--max-frames N] [--max-pixels N]
         [--quiet]
      Writes the frames of a video (any avi2gif reads) into DIR (created when missing) as
      VIDEO_0001.png, VIDEO_0002.png ... (VIDEO: the video's name without extension), turned
      upright: from --start on (default 0) for --duration (default: to the end), each frame
      of the video or, with --fps, the picture shown every 1/N s (N above 0, at most 50).
      Seconds may have a fraction (1.5). Prints one line a file, "DELAY PATH", the delay in
      1/100 s timed as avi2gif times it; the summary goes to standard error. A folder that
      holds such names already is refused; a failed or stopped run (Ctrl+C) leaves no file
      behind. The budgets below hold for the frames read and the frames written.
      An animated GIF, WebP or PNG in place of VIDEO is taken apart whole the same way: every
      frame as a viewer shows it (drawn over the frames before it), with its own delay.
  record -o DIR [--region WxH+X+Y | --window ID | --screen N] [--fps N] [--duration S]
         [--pointer] [--quiet]
      Records the X11 display (DISPLAY) into DIR (created when missing) as screen_0001.png,
      screen_0002.png ...: a region (640x480+10+20), a window by its id (as xwininfo gives
      it) or screen N (default: the whole screen 0), N frames a second (5 to 30, default 15),
      for S seconds or until Ctrl+C, which stops cleanly and keeps what was recorded (exit
      status 0). --pointer draws the mouse pointer in. A picture the same as the one before
      it is not kept: the one before lasts longer. Prints "DELAY PATH" lines as frames does;
      the summary (frames asked, the same, dropped because the disk was too slow) goes to
      standard error. A failed run leaves no file behind.
  help, --help, -h
      This text.
  --version
      The version of Pictoreel and of the libraries it runs with (Qt, giflib, ImageMagick,
      FFmpeg), one line each, for bug reports.

Budgets: extract, avi2gif and gif2avi refuse, before writing their output, an animation of more
than 100000 frames (--max-frames N) or whose frames cover more than 20000000000 pixels
together, frames x width x height (--max-pixels N): five minutes of 1920 x 1080 video at 30
frames a second stay within both. The message names the budget; the options raise it for one run.

Ctrl+C or SIGTERM stops make, extract, avi2gif and gif2avi cleanly: the file being written is
dropped (frames already extracted are complete) and an earlier output stays as it was.

Options are those of each command; "--" ends them, so a file may start with "-". An option
the command does not know, an option given twice or followed by another instead of its value,
or a word too many, is refused.

Files: pictoreel.ini is kept in $XDG_CONFIG_HOME/pictoreel (default ~/.config/pictoreel) and
the temp folder is $XDG_CACHE_HOME/pictoreel (default ~/.cache/pictoreel), unless "Temp Path"
names another (a relative one is taken from the folder of pictoreel.ini); run from the build tree, or from a folder holding a file named "portable", both
are kept beside the programs instead (temp/). The window program shares them.

Exit status: 0 on success; 1 when the work failed; 2 when the command line was wrong; 3 when
make made the GIF but the pictures of some frames were missing or could not be converted
(each such frame shows the frame before it, for its own delay), or when project wrote a
project naming pictures that are missing; 130 or 143 (ended by the signal) after Ctrl+C or
SIGTERM.
)";

}  // namespace

int main(int argc, char** argv)
{
    pictoreel::keepLargeBlocksInHeap();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("pictoreel"));
    using namespace pictoreel::cli;
    QStringList words = QCoreApplication::arguments().mid(1);
    if (words.isEmpty()) {
        std::fputs(kHelp, stderr);
        return kExitUsage;
    }
    const QString command = words.takeFirst();
    if (command == u"help" || command == u"--help" || command == u"-h" || command == u"--version") {
        if (const Arguments args(words, {}, {}, 0); !args.ok()) {
            printError(args.error());
            return kExitUsage;
        }
        if (command == u"--version") {
            printLine(QStringLiteral("Pictoreel " PICTOREEL_VERSION));
            for (const QString& line : pictoreel::libraryVersions())
                printLine(line);
        } else {
            std::fputs(kHelp, stdout);
        }
        return kExitOk;
    }
    if (command == u"make")
        return runMake(words);
    if (command == u"project")
        return runProject(words);
    if (command == u"frame")
        return runFrame(words);
    if (command == u"info")
        return runInfo(words);
    if (command == u"extract")
        return runExtract(words);
    if (command == u"avi2gif")
        return runAviToGif(words);
    if (command == u"gif2avi")
        return runGifToAvi(words);
    if (command == u"frames")
        return runFrames(words);
    if (command == u"record")
        return runRecord(words);
    printError(QStringLiteral("unknown %1 \"%2\"; see pictoreel-cli --help")
                   .arg(command.startsWith(u'-') ? QStringLiteral("option") : QStringLiteral("command"), command));
    return kExitUsage;
}

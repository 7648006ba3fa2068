// pictoreel-cli: making, converting and inspecting GIFs without a window.
#include "cli_support.h"
#include "commands.h"

#include <QCoreApplication>

namespace {

const char* const kHelp = R"(usage: pictoreel-cli COMMAND [ARGUMENTS]

Commands:
  make PROJECT.agp [-o OUT.gif] [--temp DIR] [--jobs N] [--quiet]
      Makes the project's animated GIF exactly as the window's Make does. The output is the
      project's "Output GIF File Name" unless -o names another. Converted frames are cached in
      the temp folder of pictoreel.ini ("Temp Path") unless --temp names another; --jobs sets
      how many frames convert at once (default: all cores). Shows progress on a terminal and
      ends with one line: frames, bytes, seconds.
  frame PICTURE -o OUT.{gif,bmp,jpg,png} [--size WxH] [--transparent RRGGBB]
      Converts one picture: scaled to exactly WxH when given; as GIF with RRGGBB transparent.
  info FILE [--json]
      The picture's size; for a GIF also the frame count, every delay (1/100 s) and the loop
      count. --json prints one object: width, height, frame_count, delays, loop_count
      (0 = for ever, null = no loop block).
  help
      This text.

Exit status: 0 on success, 1 when the work failed, 2 when the command line was wrong.
)";

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("pictoreel"));
    using namespace pictoreel::cli;
    QStringList words = QCoreApplication::arguments().mid(1);
    if (words.isEmpty() || words.front() == u"help" || words.front() == u"--help" || words.front() == u"-h") {
        std::fputs(kHelp, words.isEmpty() ? stderr : stdout);
        return words.isEmpty() ? kExitUsage : kExitOk;
    }
    const QString command = words.takeFirst();
    if (command == u"make")
        return runMake(words);
    if (command == u"frame")
        return runFrame(words);
    if (command == u"info")
        return runInfo(words);
    printError(QStringLiteral("unknown command \"%1\"; see pictoreel-cli --help").arg(command));
    return kExitUsage;
}

// The converters propose a target name from the chosen source with ChangeFileExtension.
#include "core/project/paths.h"

#include <gtest/gtest.h>

namespace pictoreel {
namespace {

TEST(ChangeFileExtensionTest, ReplacesTheOldEndingKeepsOrAppendsTheNewOne)
{
    struct Case {
        const char* path;
        const char* from;
        const char* to;
        const char* expected;
    };
    const Case cases[] = {
        {"C:\\v\\clip.AVI", ".avi", ".gif", "C:\\v\\clip.gif"},      // old ending, any case
        {"C:\\v\\clip.mpg", ".avi", ".gif", "C:\\v\\clip.mpg.gif"},  // neither ending: appended
        {"C:\\v\\movie.GIF", ".avi", ".gif", "C:\\v\\movie.gif"},    // already new: takes its case
        {"/v/anim.gif", ".gif", ".avi", "/v/anim.avi"},
        {"/v/anim.Avi", ".gif", ".avi", "/v/anim.avi"},
        {"  /v/a b.avi  ", " .avi ", " .gif ", "/v/a b.gif"},  // all three trimmed
        {"/v/clip.avi.avi", ".avi", ".gif", "/v/clip.avi.gif"},  // only the last ending
        {"/v/noext", ".avi", ".gif", "/v/noext.gif"},
        {".avi", ".avi", ".gif", ".gif"},
        {"   ", ".avi", ".gif", ".gif"},  // blanks are not empty: trimmed to nothing, then appended
        {"", ".avi", ".gif", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ChangeFileExtension(QString::fromUtf8(c.path), QLatin1String(c.from), QLatin1String(c.to)),
                  QString::fromUtf8(c.expected))
            << c.path;
    }
}

}  // namespace
}  // namespace pictoreel

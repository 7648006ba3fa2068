// Asking the desktop to open a file, a web address or a mail address with the program the user
// has chosen for it. The windows go through Shell so that tests can see what was asked for.
#pragma once

#include <QString>

namespace pictoreel {

class Shell {
public:
    virtual ~Shell() = default;
    // Opens `target` (a local path, a web address or a "mailto:" address). The result is the
    // desktop's; callers do not look at it.
    virtual bool open(const QString& target) = 0;
};

class DesktopShell final : public Shell {
public:
    bool open(const QString& target) override;
};

}  // namespace pictoreel

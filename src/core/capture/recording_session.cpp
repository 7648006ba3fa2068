#include "core/capture/recording_session.h"

namespace pictoreel {

bool isWaylandSession()
{
    return qEnvironmentVariable("XDG_SESSION_TYPE").compare(QStringLiteral("wayland"), Qt::CaseInsensitive) == 0 ||
           (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") && qEnvironmentVariableIsEmpty("DISPLAY"));
}

}  // namespace pictoreel

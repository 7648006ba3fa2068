#include "core/capture/recording_session.h"

#include "core/capture/x11_grabber.h"

namespace pictoreel {

std::optional<QString> screenRecordingUnavailable()
{
    const bool wayland = qEnvironmentVariable("XDG_SESSION_TYPE").compare(QStringLiteral("wayland"), Qt::CaseInsensitive) == 0 ||
                         (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") && qEnvironmentVariableIsEmpty("DISPLAY"));
    if (wayland)
        return QStringLiteral("Recording the screen of a Wayland session is not supported yet; log in to an X11 session to record");
    return x11RecordingUnavailable();
}

}  // namespace pictoreel

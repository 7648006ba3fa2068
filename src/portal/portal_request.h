// One request to the desktop portal (org.freedesktop.portal.Desktop): a method call whose answer
// comes later, as the Response signal of a request object named after a token of ours (the user
// may take a while to answer a dialog of the desktop's).
#pragma once

#include "core/base/error.h"

#include <QDBusConnection>
#include <QVariantMap>

#include <functional>

namespace pictoreel {

extern const QString kPortalService;
extern const QString kPortalPath;

// A token no other request or session of this program has had.
QString nextPortalToken();

struct PortalCall {
    QString interface;  // "org.freedesktop.portal.ScreenCast" ...
    QString method;
    QList<QVariant> arguments;  // the last is the options map; the handle token is put in
    QString portalName;         // for messages: "screen-sharing portal"
};

// Sends `call`; `answered` gets the results once, on the thread of `context`, unless `context`
// goes first. Errors: Cancelled when the user declined, LibraryFailure for a portal that refused
// the call or failed at it.
void askPortal(QDBusConnection bus, PortalCall call, QObject* context, std::function<void(const Result<QVariantMap>&)> answered);

// The same, waited for in a local event loop: LibraryFailure as well for no answer within
// `timeoutMs` (-1: no limit); Cancelled as soon as `givenUp` (asked ten times a second) says the
// answer is no longer wanted. A request left unanswered is closed, so the desktop takes its
// dialog away.
Result<QVariantMap> askPortalAndWait(const QDBusConnection& bus, PortalCall call, int timeoutMs,
                                     const std::function<bool()>& givenUp = {});

}  // namespace pictoreel

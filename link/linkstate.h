#pragma once

#include "ports.h"

#include <QMetaType>
#include <QString>

// What the link to the instrument is doing: the one value the window's status field and the batch export read.
struct LinkState
{
    enum Phase {
        Idle,      // the search has not started
        Searching, // port: the port being probed, empty between ports
        Connected, // port: the instrument's port
        NotFound,  // a whole rotation found nothing; port and reason: the port most likely to be the instrument's
    };
    Phase phase = Idle;
    QString port;
    PortStatus reason = PortStatus::Ok;

    bool isConnected() const { return phase == Connected; }
    bool operator==(const LinkState &o) const { return phase == o.phase && port == o.port && reason == o.reason; }
    bool operator!=(const LinkState &o) const { return !(*this == o); }
};

Q_DECLARE_METATYPE(LinkState)

#pragma once

#include <QStringList>

// --list-ports: one line per port, the system's and those named with --port, with tab-separated fields: name,
// description, manufacturer, USB vendor:product id, serial number, and whether this user can open the port now
// (ok, permission denied, in use, does not exist, cannot be opened). Empty fields read "-". Ports are opened
// briefly to tell, never written to.
QStringList listPorts(const QStringList &named);

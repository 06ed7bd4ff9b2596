#pragma once

#include <QString>

// Deletes a folder with everything in it, read-only entries included. It
// never follows a symbolic link (a link is removed, not what it points to),
// visits each entry once so an entry that cannot be deleted cannot make it
// loop, and reports nothing: what cannot be removed stays.
void RemoveFolder(const QString& path);

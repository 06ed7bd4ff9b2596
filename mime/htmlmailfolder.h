#pragma once

#include <QString>
#include <optional>

#include "store/apppaths.h"

// The folder of a received HTML mail, named after its subject directly in
// the application folder. A subject that is empty after trimming, "." or
// "..", holds a separator, or names one of the installed folders (in any
// letter case) has no folder: nothing is ever made, shown or removed for it
// outside the mail's own place.
namespace HtmlMailFolder {

bool isUsableName(const QString& subject);
std::optional<QString> pathFor(const AppPaths& paths, const QString& subject);

} // namespace HtmlMailFolder

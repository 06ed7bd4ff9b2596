#pragma once

#include <QString>

#include "text/result.h"

class PageViewInterface;
class QWidget;

// Finds and loads the page engine's module on first use; the program does
// not link the engine, so a window without pages never pays for it.
namespace PageViewLoader {

// Where the installed program keeps the module: beside itself.
QString modulePathBesideProgram();

// Readies a window that will show pages, before it is first shown. The
// engine draws through OpenGL, which a window must have from its creation:
// given it only when the first page comes, the window is created again (under
// a window manager it flickers, and may move). Nothing is done when there is
// no module to show pages with.
void prepareHost(QWidget* window, const QString& modulePath);

// A new page view owned by `parent`, from the module at `modulePath`, or a
// message saying why pages cannot be shown.
Result<PageViewInterface*> create(const QString& modulePath, QWidget* parent);

} // namespace PageViewLoader

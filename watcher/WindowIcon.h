#pragma once

#include <QIcon>
#include <QString>

class QWidget;

namespace watcher {

// The name of the product icon every window of the Watcher wears.
inline const QString kProductIconName = QStringLiteral("ProgressIcon");

// A named icon of the program's own resources, in every size it ships
// (16 to 256 pixels); a null icon when there is no icon of that name.
QIcon ProgramIcon(const QString& name);

// Gives a window the named icon of the program's resources and, when
// `ownerToo`, the window that owns it as well. An unknown name leaves both
// as they are.
void SetWindowIcon(QWidget* window, const QString& name, bool ownerToo);

} // namespace watcher

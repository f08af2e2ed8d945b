#pragma once
// The menu-bar icons, drawn at run time: one per symbol name the app asks for. Light strokes
// on a dark outline, so they read on light and dark panels alike.
#include <QIcon>
#include <QStringList>
#include <string_view>

namespace quorvel::MenuBarIcons {

/// The icon of `symbol` ("terminal", "terminal.fill", "checkmark.circle",
/// "exclamationmark.bubble", "xmark.octagon", "bolt.slash"); an unknown name gets
/// "terminal". Needs a Qt GUI application object.
QIcon icon(std::string_view symbol);

/// Every symbol name that has a drawing of its own.
QStringList symbols();

}  // namespace quorvel::MenuBarIcons

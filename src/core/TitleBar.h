#pragma once

#include <QString>

class TUTServer;
struct TServerListInfo;

// The caption and tray hint of the selected server, from the user's
// title format with its placeholders.
namespace TitleBar {

// Replaces every placeholder, without regard to letter case, in a fixed
// order: a value that itself holds a later placeholder has it replaced too.
QString format(const QString &titleFormat, const TServerListInfo &entry, const TUTServer &server);

QString caption(const QString &formatted);
// The tray hint cannot show "|": it becomes a capital I.
QString trayHint(const QString &formatted);

} // namespace TitleBar

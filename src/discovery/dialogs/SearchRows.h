#pragma once

#include <QString>
#include <QStringList>

class DatagramSocket;
class QLabel;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

// What the two search dialogs share: their result list with check boxes,
// the names that replies fill in, and their sockets.
namespace SearchRows {

QTreeWidget *newList(QWidget *parent, const QStringList &headers);
QTreeWidgetItem *addRow(QTreeWidget *list, const QStringList &texts);
// The dotted address of the host a row's server runs on.
void setAddress(QTreeWidgetItem *row, const QString &address);
QString address(const QTreeWidgetItem *row);
// Marks a row whose server the main list holds already: adding it keeps
// that one row. The status line counts the marked rows.
void markListed(QTreeWidgetItem *row);
bool isListed(const QTreeWidgetItem *row);
QLabel *newListedLine(QWidget *parent);
void showListedCount(QLabel *line, const QTreeWidget *list);
// A reply's name for a row; the first one a row gets is the one shown.
void appendName(QTreeWidgetItem *row, int column, const QString &name);
QString firstName(const QTreeWidgetItem *row, int column);
// Binds the port asked for, or one of the system's choosing when it is
// taken: answers come back to whichever port sent the question.
bool bindPreferred(DatagramSocket &socket, int port);

} // namespace SearchRows

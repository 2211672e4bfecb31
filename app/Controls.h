#pragma once

// How the window's controls are made: their geometry in twips, and the list views and labels
// that the window and the result list share.

#include <QKeySequence>
#include <QList>
#include <QRect>
#include <QString>

#include <initializer_list>
#include <string_view>

class QAction;
class QLabel;
class QPushButton;
class QTreeWidget;
class QWidget;

namespace velmora {

/// The window was drawn in twips; 15 twips make one logical pixel.
int px(int twips);
QRect twipRect(int left, int top, int width, int height);

/// UTF-8 text as a QString.
QString qs(std::string_view text);
/// A text of the site's, embedded in one of the window's own messages: its writing direction
/// ends where it ends.
QString isolated(const QString &siteText);

struct Column {
    const char *header;
    int widthTwips;
};

/// A report-style list view named `name` with `columns`: one row per item, whole rows selected,
/// no editing, the last column as wide as it was drawn.
QTreeWidget *makeList(QWidget *parent, const char *name, std::initializer_list<Column> columns);
/// A plain-text label: text from the web is never rendered as HTML.
QLabel *makeLabel(QWidget *parent, const QString &name, const QString &caption, const QRect &geometry);
QPushButton *makeButton(QWidget *parent, const char *name, const char *caption, const QRect &geometry);

/// An action of `window` (never a menu entry) for `keys`, wherever the focus is in the window.
QAction *makeWindowAction(QWidget *window, const char *name, const QList<QKeySequence> &keys);

} // namespace velmora

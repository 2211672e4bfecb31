#include "app/Controls.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QTreeWidget>

#include "stats/SiteText.h"

namespace velmora {

int px(int twips) { return qRound(twips / 15.0); }

QRect twipRect(int left, int top, int width, int height) { return {px(left), px(top), px(width), px(height)}; }

QString qs(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QString isolated(const QString &siteText) { return qs(isolate(siteText.toStdString())); }

QTreeWidget *makeList(QWidget *parent, const char *name, std::initializer_list<Column> columns)
{
    auto *list = new QTreeWidget(parent);
    list->setObjectName(QString::fromLatin1(name));
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setSortingEnabled(false);
    list->setAllColumnsShowFocus(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->header()->setStretchLastSection(false);
    list->header()->setMinimumSectionSize(1);
    list->setColumnCount(static_cast<int>(columns.size()));
    QStringList headers;
    for (const Column &column : columns)
        headers << QString::fromUtf8(column.header);
    list->setHeaderLabels(headers);
    int i = 0;
    for (const Column &column : columns)
        list->setColumnWidth(i++, px(column.widthTwips));
    return list;
}

QLabel *makeLabel(QWidget *parent, const QString &name, const QString &caption, const QRect &geometry)
{
    auto *label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(geometry);
    return label;
}

QPushButton *makeButton(QWidget *parent, const char *name, const char *caption, const QRect &geometry)
{
    auto *button = new QPushButton(QString::fromUtf8(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(geometry);
    return button;
}

QAction *makeWindowAction(QWidget *window, const char *name, const QList<QKeySequence> &keys)
{
    auto *action = new QAction(window);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcuts(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    window->addAction(action);
    return action;
}

} // namespace velmora

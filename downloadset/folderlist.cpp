// The folder list of the fixture browser.
#include "downloadset/folderlist.h"

#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QStyle>

namespace zelvar {

FolderList::FolderList(QWidget *parent) : QTreeWidget(parent)
{
    setColumnCount(1);
    setHeaderHidden(true);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setExpandsOnDoubleClick(false);
    setIndentation(12);
    setSelectionMode(QAbstractItemView::SingleSelection);
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    // The folder is read from the index before the list is rebuilt under it.
    connect(this, &QAbstractItemView::activated, this,
            [this](const QModelIndex &index) { setPath(index.data(PathRole).toString()); });
}

bool FolderList::setPath(const QString &folder)
{
    if (folder.isEmpty())
        return false;
    const QFileInfo info(folder);
    if (!info.isDir())
        return false;
    const QString cleaned = QDir::cleanPath(info.absoluteFilePath());
    if (cleaned == m_path)
        return true;
    m_path = cleaned;
    refresh();
    emit pathChanged(m_path);
    return true;
}

void FolderList::refresh()
{
    clear();
    if (m_path.isEmpty())
        return;
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);

    QTreeWidgetItem *item = new QTreeWidgetItem(this, QStringList(QStringLiteral("/")));
    item->setData(0, PathRole, QStringLiteral("/"));
    item->setIcon(0, open);
    QString walked;
    for (const QString &part : m_path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        walked += QLatin1Char('/') + part;
        item = new QTreeWidgetItem(item, QStringList(part));
        item->setData(0, PathRole, walked);
        item->setIcon(0, open);
    }
    QTreeWidgetItem *current = item;

    const QDir dir(m_path);
    for (const QString &name : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase)) {
        item = new QTreeWidgetItem(current, QStringList(name));
        item->setData(0, PathRole, dir.filePath(name));
        item->setIcon(0, closed);
    }
    expandAll();
    setCurrentItem(current);
    scrollToItem(current, QAbstractItemView::EnsureVisible);
}

void FolderList::drawBranches(QPainter *, const QRect &, const QModelIndex &) const
{
    // Every folder shown is open already: there are no branches to open or close.
}

QTreeWidgetItem *FolderList::itemFor(const QString &folder) const
{
    const QString cleaned = QDir::cleanPath(folder);
    QList<QTreeWidgetItem *> pending;
    for (int i = 0; i < topLevelItemCount(); ++i)
        pending << topLevelItem(i);
    while (!pending.isEmpty()) {
        QTreeWidgetItem *item = pending.takeFirst();
        if (item->data(0, PathRole).toString() == cleaned)
            return item;
        for (int i = 0; i < item->childCount(); ++i)
            pending << item->child(i);
    }
    return nullptr;
}

} // namespace zelvar

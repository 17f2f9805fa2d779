// The file list of the fixture browser.
#include "downloadset/filelist.h"

#include <QDir>

namespace zelvar {

FileList::FileList(const QString &pattern, QWidget *parent) : QListWidget(parent), m_pattern(pattern)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
}

void FileList::setPath(const QString &folder)
{
    m_path = folder;
    fill();
}

void FileList::refresh()
{
    const QString chosen = fileName();
    fill();
    if (!chosen.isEmpty())
        setFileName(chosen);
}

void FileList::fill()
{
    clear();
    if (m_path.isEmpty())
        return;
    // Name patterns match in any letter case, as on the stick a show comes from.
    const QDir dir(m_path, m_pattern, QDir::Name | QDir::IgnoreCase, QDir::Files);
    addItems(dir.entryList());
}

QString FileList::fileName() const
{
    const QList<QListWidgetItem *> chosen = selectedItems();
    return chosen.isEmpty() ? QString() : chosen.first()->text();
}

bool FileList::setFileName(const QString &name)
{
    for (int i = 0; i < count(); ++i) {
        if (item(i)->text() == name) {
            setCurrentRow(i);
            return true;
        }
    }
    return false;
}

} // namespace zelvar

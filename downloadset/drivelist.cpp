// The drive list of the fixture browser.
#include "downloadset/drivelist.h"

#include "common/wheelguard.h"

#include <QSignalBlocker>
#include <QStorageInfo>

#include <algorithm>

namespace zelvar {

namespace {
const QString RootFolder = QStringLiteral("/");

bool holds(const QString &root, const QString &path)
{
    if (root == RootFolder)
        return path.startsWith(RootFolder);
    return path == root || path.startsWith(root + QLatin1Char('/'));
}
} // namespace

DriveList::DriveList(QWidget *parent) : QComboBox(parent)
{
    guardWheel(this);
    refresh();
    connect(this, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0)
            emit driveChanged(itemData(index).toString());
    });
}

QString DriveList::rootPath() const
{
    return currentData().toString();
}

QStringList DriveList::mountedRoots()
{
    QStringList roots;
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes()) {
        if (volume.isValid() && volume.isReady() && !roots.contains(volume.rootPath()))
            roots << volume.rootPath();
    }
    roots.removeAll(RootFolder);
    std::sort(roots.begin(), roots.end(),
              [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    roots.prepend(RootFolder);
    return roots;
}

void DriveList::refresh()
{
    const QString chosen = rootPath();
    int again = -1;
    {
        const QSignalBlocker quiet(this);
        clear();
        for (const QString &root : mountedRoots())
            addItem(root, root);
        again = findData(chosen);
        setCurrentIndex(again >= 0 ? again : 0);
    }
    // A volume that went away (a stick pulled out) leaves the browser on "/".
    if (!chosen.isEmpty() && again < 0)
        emit driveChanged(rootPath());
}

void DriveList::showVolumeOf(const QString &path)
{
    int best = -1;
    for (int i = 0; i < count(); ++i) {
        const QString root = itemData(i).toString();
        if (holds(root, path) && (best < 0 || root.size() > itemData(best).toString().size()))
            best = i;
    }
    const QSignalBlocker quiet(this);
    setCurrentIndex(best >= 0 ? best : 0);
}

void DriveList::showPopup()
{
    refresh();
    QComboBox::showPopup();
}

} // namespace zelvar

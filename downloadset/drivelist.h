// The drive list of the fixture browser: the mounted volumes, "/" first. The list is read
// again each time it opens, so that a stick plugged in later shows up.
#pragma once

#include <QComboBox>
#include <QStringList>

namespace zelvar {

class DriveList : public QComboBox
{
    Q_OBJECT
public:
    explicit DriveList(QWidget *parent = nullptr);

    // The root folder of the chosen volume ("/" for the system volume).
    QString rootPath() const;

    // Chooses the volume that holds `path` (the one with the longest matching root),
    // without telling anyone: the folder list already shows that path.
    void showVolumeOf(const QString &path);

    // Reads the mounted volumes again, keeping the chosen one when it is still there.
    void refresh();

    // The root folders of the mounted volumes, "/" first, the others in name order.
    static QStringList mountedRoots();

    void showPopup() override;

signals:
    // The user (or a program) chose another volume.
    void driveChanged(const QString &rootPath);
};

} // namespace zelvar

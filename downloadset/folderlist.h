// The folder list of the fixture browser: the folders from "/" down to the open folder,
// each open, and the open folder's subfolders below it. Double-click or Enter opens one.
#pragma once

#include <QTreeWidget>

namespace zelvar {

class FolderList : public QTreeWidget
{
    Q_OBJECT
public:
    explicit FolderList(QWidget *parent = nullptr);

    // The open folder, without a trailing "/" (except "/" itself).
    QString path() const { return m_path; }

    // Opens `folder`. Returns false, and keeps the open folder, when it is not a folder.
    bool setPath(const QString &folder);

    // Reads the open folder's subfolders again.
    void refresh();

    // The item that opens `folder`, or null when the list does not show it.
    QTreeWidgetItem *itemFor(const QString &folder) const;

    static constexpr int PathRole = Qt::UserRole;

signals:
    void pathChanged(const QString &path);

protected:
    void drawBranches(QPainter *painter, const QRect &rect, const QModelIndex &index) const override;

private:
    QString m_path;
};

} // namespace zelvar

// The file list of the fixture browser: the files of one folder that match a pattern
// ("*.zff"), in name order; one of them can be chosen.
#pragma once

#include <QListWidget>

namespace zelvar {

class FileList : public QListWidget
{
    Q_OBJECT
public:
    explicit FileList(const QString &pattern, QWidget *parent = nullptr);

    QString path() const { return m_path; }
    QString pattern() const { return m_pattern; }

    // Lists the files of `folder`; nothing is chosen afterwards.
    void setPath(const QString &folder);

    // Reads the folder again, keeping the chosen file when it is still there.
    void refresh();

    // The chosen file's name, or an empty string when none is chosen.
    QString fileName() const;
    // Chooses the file of that name; false when the list does not hold it.
    bool setFileName(const QString &name);

private:
    void fill();

    QString m_path;
    QString m_pattern;
};

} // namespace zelvar

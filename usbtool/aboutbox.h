// The USB transfer tool's about box: "?? Ducto", its icon and version line, the driver
// library in use, and "??" to close it.
#pragma once

#include <QDialog>

namespace zelvar {

class AboutBox : public QDialog
{
    Q_OBJECT
public:
    // `driverLibrary`: which library answered and why, shown below the version line.
    explicit AboutBox(const QString &driverLibrary, QWidget *parent = nullptr);
};

} // namespace zelvar

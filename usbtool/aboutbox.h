// The USB transfer tool's about box: "?? Ducto", its icon and version line, and "??" to
// close it.
#pragma once

#include <QDialog>

namespace zelvar {

class AboutBox : public QDialog
{
    Q_OBJECT
public:
    explicit AboutBox(QWidget *parent = nullptr);
};

} // namespace zelvar

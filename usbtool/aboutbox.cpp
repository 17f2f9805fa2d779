// The about box's controls and layout.
#include "usbtool/aboutbox.h"

#include "usbtool/toolicon.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace zelvar {

AboutBox::AboutBox(const QString &driverLibrary, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("?? Ducto"));
    setWindowIcon(toolIcon());

    auto *icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("Icon"));
    icon->setPixmap(toolIcon().pixmap(32, 32));
    auto *version = new QLabel(QStringLiteral("Ducto Version 1.0"), this);
    version->setObjectName(QStringLiteral("Version"));
    auto *driver = new QLabel(QStringLiteral("USB driver: ") + driverLibrary, this);
    driver->setObjectName(QStringLiteral("Driver"));
    driver->setWordWrap(true);
    driver->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *ok = new QPushButton(QStringLiteral("??"), this);
    ok->setObjectName(QStringLiteral("1"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setHorizontalSpacing(16);
    layout->addWidget(icon, 0, 0, Qt::AlignTop);
    layout->addWidget(version, 0, 1, Qt::AlignVCenter);
    layout->addWidget(ok, 0, 2, Qt::AlignTop);
    layout->addWidget(driver, 1, 0, 1, 3);
    driver->setMinimumWidth(360);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

} // namespace zelvar

// zelvar71-cli usb: the FTDI chips on the USB buses, whether this user may open each, and
// which driver library the USB transfer tool would use.
#include "commands.h"
#include "terminalpanel.h"

#include "ftdidriver/ftdichips.h"
#include "usbtool/devicelibrary.h"

namespace zelvar::cli {

const char *const UsbUsage = "usage: zelvar71-cli usb\n";

int usb(const QStringList &args, QTextStream &out, QTextStream &err)
{
    if (!args.isEmpty())
        return notUnderstood(err, QStringLiteral("usb: unexpected argument ") + args.first(), UsbUsage);
    const std::vector<ftdi::Chip> chips = ftdi::scanChips();
    for (const ftdi::Port &port : ftdi::portsOf(chips)) {
        QString access;
        switch (ftdi::accessTo(port.chip)) {
        case ftdi::Access::Granted:
            access = QStringLiteral("may be opened");
            break;
        case ftdi::Access::Denied:
            access = QStringLiteral("no permission: install 60-zelvar71.rules");
            break;
        case ftdi::Access::Missing:
            access = QStringLiteral("no device node %1")
                         .arg(QString::fromStdString(ftdi::deviceNode(port.chip.bus, port.chip.address)));
            break;
        }
        out << QStringLiteral("bus %1 device %2  %3:%4  \"%5\"  %6\n")
                   .arg(port.chip.bus)
                   .arg(port.chip.address)
                   .arg(port.chip.vendor, 4, 16, QLatin1Char('0'))
                   .arg(port.chip.product, 4, 16, QLatin1Char('0'))
                   .arg(QString::fromStdString(port.description), access);
    }
    if (chips.empty())
        out << "no FTDI USB device found\n";

    DeviceLibrary device;
    printMessages(device.BindDeviceLibrary(), err);
    out << "driver library: " << device.libraryDescription() << "\n";
    return device.isLoaded() ? 0 : ExitFailure;
}

} // namespace zelvar::cli

// The device check over the candidate ports.
#include "seriallink/devicecheck.h"

#include "seriallink/downloadcomm.h"
#include "seriallink/portmap.h"

#include <QFileInfo>

namespace zelvar {

DeviceCheckResult openFirstCandidatePort(DownLoadComm &port)
{
    DeviceCheckResult result;
    for (int number = FirstCandidatePort; number <= LastCandidatePort && !port.PortOpen(); ++number) {
        port.setCommPort(number);
        if (port.setPortOpen(true))
            break;
        const PortOpenFailure &failure = port.openFailure();
        if (failure.kind == PortOpenFailure::PermissionDenied && result.refusedDevice.isEmpty()) {
            result.refusedDevice = failure.device;
            result.refusedGroup = QFileInfo(failure.device).group();
            if (result.refusedGroup.isEmpty())
                result.refusedGroup = QStringLiteral("dialout");
        }
    }
    result.open = port.PortOpen();
    return result;
}

QString permissionHint(const DeviceCheckResult &result)
{
    if (result.refusedDevice.isEmpty())
        return QString();
    return QStringLiteral("No permission to open %1: add your user to the group %2 and log in again.")
        .arg(result.refusedDevice, result.refusedGroup);
}

} // namespace zelvar

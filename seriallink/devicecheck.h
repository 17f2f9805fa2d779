// The device check with which Send File and Receive File begin: a port that is open stays
// in use; otherwise ports 3, 4, 5 and 6 are tried in this order and the first that opens
// is used. Nothing is sent or awaited on the line.
#pragma once

#include <QString>

namespace zelvar {

class DownLoadComm;

struct DeviceCheckResult
{
    bool open = false;
    QString refusedDevice; // the first device refused for permission, if any
    QString refusedGroup;  // the group that may open it
};

DeviceCheckResult openFirstCandidatePort(DownLoadComm &port);

// What to tell the user when a port was refused for permission; empty when none was.
QString permissionHint(const DeviceCheckResult &result);

} // namespace zelvar

// What the link commands need of the window that runs them: the four link buttons and the
// status line, besides what every tool command needs (TransferPanel). Called on the
// window's own thread only: the worker's reports reach it as queued signals.
#pragma once

#include "usbtool/transferpanel.h"

namespace zelvar {

class LinkPanel : public TransferPanel
{
public:
    // "Receive File", "Cancel Receive", "Send File", "Cancel Send".
    virtual void setLinkButtons(bool receive, bool cancelReceive, bool send, bool cancelSend) = 0;
    virtual void showStatus(const QString &text) = 0;
};

} // namespace zelvar

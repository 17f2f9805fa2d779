// The one signal from the transfer dialog to the link worker: an auto-reset flag that the
// worker tests without waiting after every block.
#pragma once

#include <atomic>

namespace zelvar {

class CancelEvent
{
public:
    // Asks the running transfer to stop after the block in hand.
    void set() { m_set.store(true); }
    void reset() { m_set.store(false); }
    // True when the event was set; a true answer clears it, as an auto-reset event does.
    bool test() { return m_set.exchange(false); }

private:
    std::atomic<bool> m_set{false};
};

} // namespace zelvar

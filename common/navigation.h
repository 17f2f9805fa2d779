// How a working window calls up the others without knowing the main window: the main
// program hands each window one of these.
#pragma once

namespace zelvar {

class WindowNavigator
{
public:
    virtual ~WindowNavigator() = default;

    // Each "show": create the window if needed (running its load), bring it to the front
    // and move it to the top-left corner of the main window's inner area, keeping its size.
    virtual void showLinkWindow() = 0;
    virtual void showFixtureEditor() = 0;
    virtual void showChannelNameEditor() = 0;
    // Ends the whole program at once, without any window's unload handling.
    virtual void endProgram() = 0;
};

// A working window that may put its close off until a transfer has unwound. When it refuses
// a close, the main window asks whether it closes by itself soon (then the main window
// follows it) or refused for good (the user chose to go on; the main window stays).
class DeferredClose
{
public:
    virtual ~DeferredClose() = default;
    virtual bool closesSoon() const = 0;
};

} // namespace zelvar

// The "Select Fixture" panel of the link window: a small file browser, the list of
// fixture files chosen for the download set, and the buttons that build it.
#pragma once

#include <QGroupBox>

class QPushButton;

namespace zelvar {

class Prompts;
class SharedFileDialog;

class FixtureSelectionPanel : public QGroupBox
{
    Q_OBJECT
public:
    // `dialog` is the link window's shared file dialog; the panel's Save uses it.
    FixtureSelectionPanel(SharedFileDialog &dialog, Prompts &prompts, QWidget *parent = nullptr);

    // What the link window's load runs: the browser's start folder and the library entries.
    void Initialise();

signals:
    // "Link Device" and "Fixture Edit" lie on the panel; their actions are the link window's.
    void linkDeviceRequested();
    void fixtureEditRequested();

private:
    SharedFileDialog &m_dialog;
    Prompts &m_prompts;
    QPushButton *m_linkDevice;
    QPushButton *m_fixtureEdit;
};

} // namespace zelvar

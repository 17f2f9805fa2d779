// The "Select Fixture" panel of the link window: a small file browser, the list of
// fixture files chosen for the download set, and the buttons that build it.
#pragma once

#include <QGroupBox>
#include <QStringList>

class QFileSystemWatcher;
class QListWidget;
class QPushButton;

namespace zelvar {

class DriveList;
class FileList;
class FolderList;
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

    // Adds the file chosen in the file list to the selection, unless it is there already
    // (in any letter case) or its header carries the duplicate-name flag.
    void AddFixtureFile();

    // `SelectedList`: the full paths of the chosen fixture files, in set order.
    QListWidget *SelectedList() const { return m_list1; }
    QStringList SelectedPaths() const;
    // Puts back a selection taken with SelectedPaths, in its order.
    void setSelectedPaths(const QStringList &paths);

signals:
    // "Link Device" and "Fixture Edit" lie on the panel; their actions are the link window's.
    void linkDeviceRequested();
    void fixtureEditRequested();

private:
    void Drive1_Change();
    void Dir1_Change();
    void Command7_Click();
    void Command8_Click();
    void Command9_Click();
    void SaveDownloadSet();
    void folderChangedOnDisk();
    int selectedEntry() const;

    SharedFileDialog &m_dialog;
    Prompts &m_prompts;
    QPushButton *m_linkDevice;
    QPushButton *m_fixtureEdit;
    DriveList *m_drive1;
    FolderList *m_dir1;
    FileList *m_file1;
    QPushButton *m_command7;
    QPushButton *m_command8;
    QListWidget *m_list1;
    QPushButton *m_command9;
    QFileSystemWatcher *m_watcher;
};

} // namespace zelvar

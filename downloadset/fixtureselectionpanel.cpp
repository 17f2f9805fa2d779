// The "Select Fixture" panel.
#include "downloadset/fixtureselectionpanel.h"

#include "channames/channelnamefiles.h"
#include "common/filestore.h"
#include "common/programfolder.h"
#include "common/prompts.h"
#include "common/sharedfiledialog.h"
#include "common/twips.h"
#include "downloadset/downloadsetfile.h"
#include "downloadset/drivelist.h"
#include "downloadset/filelist.h"
#include "downloadset/folderlist.h"
#include "downloadset/libraryfixtures.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QListWidget>
#include <QPushButton>

namespace zelvar {

namespace {
const QString FixtureTitle = QStringLiteral("Zelva71 Fixture");
} // namespace

FixtureSelectionPanel::FixtureSelectionPanel(SharedFileDialog &dialog, Prompts &prompts, QWidget *parent)
    : QGroupBox(QStringLiteral("Select Fixture"), parent), m_dialog(dialog), m_prompts(prompts),
      m_linkDevice(new QPushButton(QStringLiteral("Link Device"), this)),
      m_fixtureEdit(new QPushButton(QStringLiteral("Fixture Edit"), this)), m_drive1(new DriveList(this)),
      m_dir1(new FolderList(this)), m_file1(new FileList(QStringLiteral("*.zff"), this)),
      m_command7(new QPushButton(QStringLiteral(">>"), this)), m_command8(new QPushButton(QStringLiteral("<<"), this)),
      m_list1(new QListWidget(this)), m_command9(new QPushButton(QStringLiteral("Save"), this)),
      m_watcher(new QFileSystemWatcher(this))
{
    setObjectName(QStringLiteral("Frame3"));
    m_linkDevice->setObjectName(QStringLiteral("Command10"));
    m_linkDevice->setGeometry(twipsRect(6240, 240, 1575, 615));
    m_fixtureEdit->setObjectName(QStringLiteral("Command11"));
    m_fixtureEdit->setGeometry(twipsRect(8400, 240, 1815, 615));
    connect(m_linkDevice, &QPushButton::clicked, this, &FixtureSelectionPanel::linkDeviceRequested);
    connect(m_fixtureEdit, &QPushButton::clicked, this, &FixtureSelectionPanel::fixtureEditRequested);

    m_drive1->setObjectName(QStringLiteral("Drive1"));
    m_drive1->setGeometry(twipsRect(120, 360, 3015, 345));
    m_dir1->setObjectName(QStringLiteral("Dir1"));
    m_dir1->setGeometry(twipsRect(120, 840, 3015, 2640));
    m_file1->setObjectName(QStringLiteral("File1"));
    m_file1->setGeometry(twipsRect(120, 3600, 3015, 4590));
    m_command7->setObjectName(QStringLiteral("Command7"));
    m_command7->setGeometry(twipsRect(3240, 5160, 495, 615));
    m_command8->setObjectName(QStringLiteral("Command8"));
    m_command8->setGeometry(twipsRect(3240, 6120, 495, 615));
    m_list1->setObjectName(QStringLiteral("List1"));
    m_list1->setGeometry(twipsRect(3840, 960, 6975, 7260));
    m_list1->setSelectionMode(QAbstractItemView::SingleSelection);
    m_command9->setObjectName(QStringLiteral("Command9"));
    m_command9->setGeometry(twipsRect(4320, 240, 1335, 615));

    setTabOrder(m_drive1, m_dir1);
    setTabOrder(m_dir1, m_file1);
    setTabOrder(m_file1, m_command7);
    setTabOrder(m_command7, m_command8);
    setTabOrder(m_command8, m_list1);
    setTabOrder(m_list1, m_command9);
    setTabOrder(m_command9, m_linkDevice);
    setTabOrder(m_linkDevice, m_fixtureEdit);

    connect(m_drive1, &DriveList::driveChanged, this, &FixtureSelectionPanel::Drive1_Change);
    connect(m_dir1, &FolderList::pathChanged, this, &FixtureSelectionPanel::Dir1_Change);
    connect(m_file1, &QAbstractItemView::activated, this, &FixtureSelectionPanel::AddFixtureFile);
    connect(m_command7, &QPushButton::clicked, this, &FixtureSelectionPanel::Command7_Click);
    connect(m_command8, &QPushButton::clicked, this, &FixtureSelectionPanel::Command8_Click);
    connect(m_command9, &QPushButton::clicked, this, &FixtureSelectionPanel::Command9_Click);
    // A profile saved into the shown folder (by the fixture editor, say) shows up at once.
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, &FixtureSelectionPanel::folderChangedOnDisk);
}

void FixtureSelectionPanel::Initialise()
{
    m_drive1->refresh();
    const QString start = QDir::currentPath();
    m_drive1->showVolumeOf(start);
    if (!m_dir1->setPath(start))
        m_dir1->setPath(m_drive1->rootPath());
    m_file1->setPath(m_dir1->path());

    m_list1->clear();
    for (int i = 0; i < LibraryFixtureCount; ++i)
        m_list1->addItem(LibraryFixturePath(i));
}

QStringList FixtureSelectionPanel::SelectedPaths() const
{
    QStringList paths;
    for (int i = 0; i < m_list1->count(); ++i)
        paths << m_list1->item(i)->text();
    return paths;
}

void FixtureSelectionPanel::setSelectedPaths(const QStringList &paths)
{
    m_list1->clear();
    m_list1->addItems(paths);
}

void FixtureSelectionPanel::Drive1_Change()
{
    m_dir1->setPath(m_drive1->rootPath());
}

void FixtureSelectionPanel::Dir1_Change()
{
    m_file1->setPath(m_dir1->path());
    m_drive1->showVolumeOf(m_dir1->path());
    if (!m_watcher->directories().isEmpty())
        m_watcher->removePaths(m_watcher->directories());
    m_watcher->addPath(m_dir1->path());
}

void FixtureSelectionPanel::folderChangedOnDisk()
{
    // A folder that went away leaves the browser in the nearest folder that is still there.
    QString folder = m_dir1->path();
    while (!QFileInfo(folder).isDir() && folder != QLatin1String("/"))
        folder = QFileInfo(folder).path();
    if (folder != m_dir1->path()) {
        m_dir1->setPath(folder);
        return;
    }
    m_dir1->refresh();
    m_file1->refresh();
}

void FixtureSelectionPanel::Command7_Click()
{
    if (m_file1->fileName().size() > 1)
        AddFixtureFile();
}

void FixtureSelectionPanel::AddFixtureFile()
{
    const QString name = m_file1->fileName();
    if (name.isEmpty())
        return;
    const QString path = joinFolderPath(m_file1->path(), name);

    // The scan leaves the selection on the copy it finds, or on the last entry.
    for (int i = 0; i < m_list1->count(); ++i) {
        m_list1->setCurrentRow(i);
        if (m_list1->item(i)->text().compare(path, Qt::CaseInsensitive) == 0)
            return;
    }

    // Only the duplicate-name flag keeps a file out; one whose header cannot be read is
    // added, and the download set's Save says what is wrong with it.
    if (Outcome checked = CheckSharedNamesFlag(path); !checked) {
        m_prompts.message(this, QStringLiteral("Format Error \n%1: %2").arg(name, checked.reason()), FixtureTitle,
                          PromptButtons::Ok);
        return;
    }
    m_list1->addItem(path);
}

int FixtureSelectionPanel::selectedEntry() const
{
    const QList<QListWidgetItem *> selected = m_list1->selectedItems();
    return selected.isEmpty() ? -1 : m_list1->row(selected.first());
}

void FixtureSelectionPanel::Command8_Click()
{
    const int entry = selectedEntry();
    if (entry < LibraryFixtureCount)
        return;
    delete m_list1->takeItem(entry);
    // Nothing stays selected, so that a second click does not remove the next entry too.
    m_list1->setCurrentRow(-1);
    m_list1->clearSelection();
}

void FixtureSelectionPanel::Command9_Click()
{
    if (m_list1->count() == 0)
        return;
    SaveDownloadSet();
}

void FixtureSelectionPanel::SaveDownloadSet()
{
    const int count = m_list1->count();
    if (count > MaxFixturesInSet) {
        m_prompts.message(this,
                          QStringLiteral("A download set holds at most %1 fixtures; %2 are selected.\n"
                                         "Remove %3 before saving. Nothing was written.")
                              .arg(MaxFixturesInSet)
                              .arg(count)
                              .arg(count - MaxFixturesInSet),
                          FixtureTitle, PromptButtons::Ok);
        return;
    }

    m_dialog.Filter = downloadSetFilter();
    const QString chosen = m_dialog.ShowSave(this);
    if (chosen.isEmpty())
        return;
    const QString target = DownloadSetFileName(chosen);

    // A missing "ChNameDown.fix" is left behind empty, for the channel-name editor's Save
    // to fill.
    const QString namesPath = joinFolderPath(channelNameFolder(), channelNameDownFileName());
    createIfMissing(namesPath);

    ComposedSet set;
    const Outcome composed = ComposeDownloadSet(SelectedPaths(), namesPath, set,
                                                [this](int index) { m_list1->setCurrentRow(index); });
    if (!composed) {
        // The library files belong to the program, which writes them again when it starts.
        const QString failed = SelectedPaths().value(set.failedFixture);
        if (set.failedFixture >= 0 && set.failedFixture < LibraryFixtureCount && !QFileInfo::exists(failed)) {
            m_prompts.message(this,
                              QStringLiteral("%1 is missing from the program folder; start Zelvar71 again to restore "
                                             "it.\nThe download set was not written.")
                                  .arg(QFileInfo(failed).fileName()),
                              FixtureTitle, PromptButtons::Ok);
            return;
        }
        m_prompts.message(this,
                          QStringLiteral("Fixture %1 cannot be used, so the download set was not written.\n%2")
                              .arg(set.failedFixture + 1)
                              .arg(composed.reason()),
                          FixtureTitle, PromptButtons::Ok);
        return;
    }
    if (!set.namesWritten)
        m_prompts.message(this, QStringLiteral("ChNameDown.fix is error"), QStringLiteral("File is error!"),
                          PromptButtons::Ok);

    if (Outcome written = replaceFile(target, set.image); !written)
        m_prompts.message(this, QStringLiteral("The download set was not written.\n%1").arg(written.reason()),
                          FixtureTitle, PromptButtons::Ok);
}

} // namespace zelvar

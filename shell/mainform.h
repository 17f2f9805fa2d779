// The main window of Zelvar71: an MDI area holding the link window, the fixture editor and
// the channel-name editor, each at most once, and the "&Show Forms" menu that calls them up.
#pragma once

#include "common/navigation.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>

class QMdiArea;
class QMdiSubWindow;

namespace zelvar {

class Prompts;

class MainForm : public QMainWindow, public WindowNavigator
{
    Q_OBJECT
public:
    // Makes one working window; it receives the navigator to call up the others.
    using WindowFactory = std::function<QWidget *(WindowNavigator *navigator, Prompts &prompts)>;
    struct Windows
    {
        WindowFactory kiron;
        WindowFactory zelva71;
        WindowFactory editChName;
    };
    // Ends the process at once; tests put a recorder here.
    using EndProgram = std::function<void()>;

    MainForm(Windows windows, Prompts &prompts, EndProgram endProgram = {}, QWidget *parent = nullptr);
    ~MainForm() override;

    // The program's start: the main window with the link window filling its inner area,
    // then the fixture editor in front of it.
    void StartUp();

    // WindowNavigator: "show" creates the window if needed, brings it to the front and
    // moves it to the top-left corner of the inner area, keeping its size.
    void showLinkWindow() override;
    void showFixtureEditor() override;
    void showChannelNameEditor() override;
    void endProgram() override;
    // The main window back in front of the user, as it was before it was minimised.
    void bringToFront();

    // The open working windows (null when closed) and the frames that hold them.
    QWidget *linkWindow() const;
    QWidget *fixtureEditor() const;
    QWidget *channelNameEditor() const;
    QMdiSubWindow *frameOf(const QWidget *window) const;
    QMdiArea *mdiArea() const { return m_mdiArea; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    struct Child
    {
        WindowFactory factory;
        QPointer<QMdiSubWindow> frame;
    };

    void MDIForm_Load();
    QMdiSubWindow *showChild(Child &child);
    void activateFrontWindow();
    bool hasOpenWindows() const;
    static QWidget *windowIn(const Child &child);

    Prompts &m_prompts;
    bool m_closing = false; // the main window is closing once its working windows have
    EndProgram m_endProgram;
    QMdiArea *m_mdiArea;
    Child m_kiron;
    Child m_zelva71;
    Child m_editChName;
};

} // namespace zelvar

// Qt message boxes and file dialogs behind the Prompts interface.
#include "common/prompts.h"

#include <QApplication>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>
#include <QStringList>

namespace zelvar {

QString qtNameFilters(const QString &filter)
{
    if (filter.isEmpty())
        return QString();
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString &description = parts.at(i);
        const QString patterns = QString(parts.at(i + 1)).replace(QLatin1Char(';'), QLatin1Char(' '));
        // A description that already names its patterns is shown as it stands.
        if (description.endsWith(QLatin1Char('(') + parts.at(i + 1) + QLatin1Char(')')))
            filters << description;
        else
            filters << description + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return filters.join(QStringLiteral(";;"));
}

namespace {
// The least width of a message box that shows `title` whole in its title bar.
int messageBoxWidthForTitle(const QString &title)
{
    // The window manager draws the title in its own font, often a bold one of about the
    // application's size; room for the icon and three title bar buttons comes on top.
    constexpr int TitleBarExtras = 160;
    QFont font = QApplication::font();
    font.setBold(true);
    return QFontMetrics(font).horizontalAdvance(title) + TitleBarExtras;
}
} // namespace

PromptAnswer QtPrompts::message(QWidget *parent, const QString &text, const QString &title, PromptButtons buttons)
{
    QMessageBox box(QMessageBox::NoIcon, title, text,
                    buttons == PromptButtons::Ok ? QMessageBox::Ok : QMessageBox::Ok | QMessageBox::Cancel, parent);
    box.setDefaultButton(buttons == PromptButtons::OkCancelDefaultCancel ? QMessageBox::Cancel : QMessageBox::Ok);
    // A short text would size the box below its title, and the title bar would cut it:
    // a strut as wide as the title and the title bar's buttons keeps the box wider.
    if (auto *grid = qobject_cast<QGridLayout *>(box.layout())) {
        const int width = messageBoxWidthForTitle(title);
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                      grid->columnCount());
    }
    return box.exec() == QMessageBox::Ok ? PromptAnswer::Ok : PromptAnswer::Cancel;
}

QString QtPrompts::openFile(QWidget *parent, const FileDialogRequest &request)
{
    return QFileDialog::getOpenFileName(parent, request.title, request.fileName, qtNameFilters(request.filter));
}

QString QtPrompts::saveFile(QWidget *parent, const FileDialogRequest &request)
{
    // The windows ask their own overwrite questions where they have one.
    return QFileDialog::getSaveFileName(parent, request.title, request.fileName, qtNameFilters(request.filter),
                                        nullptr, QFileDialog::DontConfirmOverwrite);
}

namespace {
Prompts *&installedPrompts()
{
    static Prompts *prompts = nullptr;
    return prompts;
}
} // namespace

Prompts &appPrompts()
{
    static QtPrompts qtPrompts;
    Prompts *p = installedPrompts();
    return p ? *p : qtPrompts;
}

void setAppPrompts(Prompts *prompts)
{
    installedPrompts() = prompts;
}

} // namespace zelvar

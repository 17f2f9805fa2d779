// The channel-name editor's undo commands.
#include "channames/namecommands.h"

namespace zelvar {

void NameRowsCommand::redo()
{
    if (m_recorded)
        put(true);
    m_recorded = true;
}

void NameRowsCommand::undo()
{
    put(false);
}

RenameRowCommand::RenameRowCommand(NameRowsView &view, int entry, const NameRow &before, const NameRow &after)
    : NameRowsCommand(view, QStringLiteral("Name in row %1").arg(entry + 1)), m_entry(entry), m_before(before),
      m_after(after)
{
}

void RenameRowCommand::put(bool after)
{
    const NameRow &expected = after ? m_before : m_after;
    if (!(view().nameRow(m_entry).entry == expected.entry)) {
        setObsolete(true);
        return;
    }
    view().setNameRow(m_entry, after ? m_after : m_before);
}

InitNamesCommand::InitNamesCommand(NameRowsView &view, const QVector<NameRow> &before,
                                   const QVector<NameRow> &after)
    : NameRowsCommand(view, QStringLiteral("Init")), m_before(before), m_after(after)
{
}

void InitNamesCommand::put(bool after)
{
    const QVector<NameRow> &rows = after ? m_after : m_before;
    for (int entry = 0; entry < rows.size(); ++entry)
        view().setNameRow(entry, rows[entry]);
}

} // namespace zelvar

// The steps of the channel-name editor's edit history: a committed row and "Init".
#pragma once

#include "channames/channelnametable.h"

#include <QUndoCommand>
#include <QVector>

namespace zelvar {

// A row of the editor as the history holds it: the table's entry and the text its cell
// shows (after "Init" row 41 shows "Mir. Fine" while the entry holds "Mir. Fin").
struct NameRow
{
    ChannelNameEntry entry;
    QString cell;

    bool operator==(const NameRow &o) const { return entry == o.entry && cell == o.cell; }
    bool operator!=(const NameRow &o) const { return !(*this == o); }
};

// The rows the commands change.
class NameRowsView
{
public:
    virtual ~NameRowsView() = default;
    virtual NameRow nameRow(int entry) const = 0;
    virtual void setNameRow(int entry, const NameRow &row) = 0;
};

// A change the editor made on screen before recording it: the first redo does nothing.
class NameRowsCommand : public QUndoCommand
{
public:
    void undo() final;
    void redo() final;

protected:
    NameRowsCommand(NameRowsView &view, const QString &text) : QUndoCommand(text), m_view(view) {}
    NameRowsView &view() const { return m_view; }
    // Puts back the rows as they were before the change, or after it.
    virtual void put(bool after) = 0;

private:
    NameRowsView &m_view;
    bool m_recorded = false;
};

// One committed row. Names others write into the files are taken into rows without unsaved
// edits (see EditChName::followFiles); a step whose row no longer holds what it left there
// changes nothing and is dropped, so that undo and redo never overwrite such a name.
class RenameRowCommand : public NameRowsCommand
{
public:
    RenameRowCommand(NameRowsView &view, int entry, const NameRow &before, const NameRow &after);

private:
    void put(bool after) override;
    int m_entry;
    NameRow m_before;
    NameRow m_after;
};

// "Init": the built-in rows as they were, and as the built-in names.
class InitNamesCommand : public NameRowsCommand
{
public:
    InitNamesCommand(NameRowsView &view, const QVector<NameRow> &before, const QVector<NameRow> &after);

private:
    void put(bool after) override;
    QVector<NameRow> m_before;
    QVector<NameRow> m_after;
};

} // namespace zelvar

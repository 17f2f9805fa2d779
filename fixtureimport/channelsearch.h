// Sequences of channel names close to a fixture's DMX chart: the edit distance over names (a
// channel inserted, deleted or replaced counts 1; names compared as texts, letter case
// aside), and which channels differ along a cheapest way from the chart to a sequence.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

#include <vector>

namespace zelvar {

// The farthest a search looks: beyond three changes a chart is another fixture.
constexpr int MaxChartDistance = 3;

// One channel in which a mode differs from the chart.
struct ChannelDifference
{
    enum class Kind {
        Replaced, // the mode's channel has another name than the chart's
        Extra,    // the mode has a channel the chart lacks
        Missing,  // the chart has a channel the mode lacks
    };
    Kind kind = Kind::Replaced;
    int channel = 0;   // the mode's channel, 1-based; for Missing the chart's
    QString name;      // the mode's name; empty for Missing
    QString chartName; // the chart's name; empty for Extra

    bool operator==(const ChannelDifference &o) const
    {
        return kind == o.kind && channel == o.channel && name == o.name && chartName == o.chartName;
    }
};

// The names as the search compares them: blanks around a name aside, letter case aside.
QString ChartNameKey(const QString &name);

// The differences along a cheapest way from `chart` to `names`, in channel order; as many
// as the distance. Where several ways cost the same, a replaced name comes before a channel
// missing or extra.
QVector<ChannelDifference> ChannelDifferences(const QStringList &chart, const QStringList &names);

// "Chan 5 Shutter for Strobe; Chan 8 Macro extra; Speed missing"; empty for none.
QString ChannelDifferencesText(const QVector<ChannelDifference> &differences);

// Many name sequences, searched for those within a distance of a chart. Names are kept as
// numbers, one per name (letter case aside), so that a comparison is one of integers.
class NameSequenceSearch
{
public:
    // Adds a sequence and returns its number: 0 for the first, then 1, 2...
    int add(const QStringList &names);
    int size() const { return int(m_starts.size()) - 1; }

    struct Hit
    {
        int sequence = 0;
        int distance = 0;
        bool operator==(const Hit &o) const { return sequence == o.sequence && distance == o.distance; }
    };
    // Every sequence at most `maxDistance` (0 to MaxChartDistance) from `chart`, nearest
    // first, sequences of one distance in the order they were added.
    QVector<Hit> find(const QStringList &chart, int maxDistance) const;

private:
    QHash<QString, int> m_ids;
    std::vector<int> m_names;      // every sequence's name numbers, one after the other
    std::vector<int> m_starts{0};  // where each sequence begins in m_names, and the end
    int m_longest = 0;
};

} // namespace zelvar

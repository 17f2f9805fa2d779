// The edit distance over channel names, bounded, and the differences it stands for.
#include "fixtureimport/channelsearch.h"

#include "common/labels.h"

#include <algorithm>
#include <cstdlib>

namespace zelvar {

QString ChartNameKey(const QString &name)
{
    return name.trimmed().toCaseFolded();
}

QVector<ChannelDifference> ChannelDifferences(const QStringList &chart, const QStringList &names)
{
    const int n = int(chart.size());
    const int m = int(names.size());
    QStringList a;
    QStringList b;
    for (const QString &name : chart)
        a << ChartNameKey(name);
    for (const QString &name : names)
        b << ChartNameKey(name);
    // d[i][j]: the distance from the first i names of the chart to the first j of the mode.
    std::vector<std::vector<int>> d(size_t(n + 1), std::vector<int>(size_t(m + 1), 0));
    for (int i = 0; i <= n; ++i)
        d[size_t(i)][0] = i;
    for (int j = 0; j <= m; ++j)
        d[0][size_t(j)] = j;
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= m; ++j) {
            const int replace = d[size_t(i - 1)][size_t(j - 1)] + (a.at(i - 1) == b.at(j - 1) ? 0 : 1);
            d[size_t(i)][size_t(j)] =
                std::min({replace, d[size_t(i - 1)][size_t(j)] + 1, d[size_t(i)][size_t(j - 1)] + 1});
        }
    }
    // Back from the end, the same name or a replaced one first where the cost allows.
    QVector<ChannelDifference> differences;
    int i = n;
    int j = m;
    while (i > 0 || j > 0) {
        const int here = d[size_t(i)][size_t(j)];
        if (i > 0 && j > 0) {
            const bool same = a.at(i - 1) == b.at(j - 1);
            if (here == d[size_t(i - 1)][size_t(j - 1)] + (same ? 0 : 1)) {
                if (!same)
                    differences.append({ChannelDifference::Kind::Replaced, j, names.at(j - 1), chart.at(i - 1)});
                --i;
                --j;
                continue;
            }
        }
        if (i > 0 && here == d[size_t(i - 1)][size_t(j)] + 1) {
            differences.append({ChannelDifference::Kind::Missing, i, QString(), chart.at(i - 1)});
            --i;
        } else {
            differences.append({ChannelDifference::Kind::Extra, j, names.at(j - 1), QString()});
            --j;
        }
    }
    std::reverse(differences.begin(), differences.end());
    return differences;
}

QString ChannelDifferencesText(const QVector<ChannelDifference> &differences)
{
    QStringList parts;
    for (const ChannelDifference &d : differences) {
        const QString channel = channelLabel(d.channel).trimmed();
        switch (d.kind) {
        case ChannelDifference::Kind::Replaced:
            parts << QStringLiteral("%1 %2 for %3").arg(channel, d.name.trimmed(), d.chartName.trimmed());
            break;
        case ChannelDifference::Kind::Extra:
            parts << QStringLiteral("%1 %2 extra").arg(channel, d.name.trimmed());
            break;
        case ChannelDifference::Kind::Missing:
            parts << QStringLiteral("%1 missing").arg(d.chartName.trimmed());
            break;
        }
    }
    return parts.join(QStringLiteral("; "));
}

int NameSequenceSearch::add(const QStringList &names)
{
    for (const QString &name : names) {
        const QString key = ChartNameKey(name);
        auto it = m_ids.constFind(key);
        if (it == m_ids.constEnd())
            it = m_ids.insert(key, int(m_ids.size()));
        m_names.push_back(it.value());
    }
    m_starts.push_back(int(m_names.size()));
    m_longest = std::max(m_longest, int(names.size()));
    return size() - 1;
}

namespace {

// The edit distance of a (n names) and b (m names) when it is at most k, else k + 1: only
// the cells within k of the diagonal are worked out, and a row whose every cell is beyond k
// ends it. `prev` and `cur` hold m + 1 cells each.
int boundedDistance(const int *a, int n, const int *b, int m, int k, int *prev, int *cur)
{
    const int beyond = k + 1;
    if (std::abs(n - m) > k)
        return beyond;
    for (int j = 0; j <= m; ++j)
        prev[j] = j <= k ? j : beyond;
    for (int i = 1; i <= n; ++i) {
        const int lo = std::max(1, i - k);
        const int hi = std::min(m, i + k);
        cur[0] = i <= k ? i : beyond;
        if (lo > 1)
            cur[lo - 1] = beyond;
        int rowMin = lo == 1 ? cur[0] : beyond;
        for (int j = lo; j <= hi; ++j) {
            int v = prev[j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1);
            v = std::min(v, prev[j] + 1);
            v = std::min(v, cur[j - 1] + 1);
            v = std::min(v, beyond);
            cur[j] = v;
            rowMin = std::min(rowMin, v);
        }
        // The next row reads one cell past this row's band: it lies beyond k.
        if (hi < m)
            cur[hi + 1] = beyond;
        if (rowMin > k)
            return beyond;
        std::swap(prev, cur);
    }
    return prev[m];
}

} // namespace

QVector<NameSequenceSearch::Hit> NameSequenceSearch::find(const QStringList &chart, int maxDistance) const
{
    const int k = std::clamp(maxDistance, 0, MaxChartDistance);
    // A name no sequence holds gets a number of its own that matches nothing.
    std::vector<int> wanted;
    for (int i = 0; i < chart.size(); ++i)
        wanted.push_back(m_ids.value(ChartNameKey(chart.at(i)), -1 - i));
    const int n = int(wanted.size());
    std::vector<int> rows(size_t(2 * (m_longest + 1)));
    std::vector<QVector<Hit>> byDistance(size_t(k + 1));
    for (int s = 0; s < size(); ++s) {
        const int begin = m_starts[size_t(s)];
        const int m = m_starts[size_t(s) + 1] - begin;
        if (std::abs(n - m) > k)
            continue;
        const int distance =
            boundedDistance(wanted.data(), n, m_names.data() + begin, m, k, rows.data(), rows.data() + m_longest + 1);
        if (distance <= k)
            byDistance[size_t(distance)].append({s, distance});
    }
    QVector<Hit> hits;
    for (const QVector<Hit> &some : byDistance)
        hits += some;
    return hits;
}

} // namespace zelvar

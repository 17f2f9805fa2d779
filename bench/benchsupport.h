// What the bench programs share: timing a piece of work over many runs and printing it.
#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QTextStream>

#include <functional>

// Runs `body` `rounds` times and prints the mean time per run in microseconds.
inline void measure(QTextStream &out, const char *what, int rounds, const std::function<void()> &body)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < rounds; ++i)
        body();
    const double us = double(timer.nsecsElapsed()) / 1000.0 / rounds;
    out << QStringLiteral("%1 %2 us per run (%3 runs)\n").arg(QLatin1String(what), -40).arg(us, 11, 'f', 2).arg(rounds);
}

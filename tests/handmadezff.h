// Fixture profile files written byte by byte from the .zff layout, and the parts of a
// download set that the layout says come from them: test input and expectations that do
// not go through the code under test.
#pragma once

#include <QByteArray>
#include <QVector>

namespace testsupport {

struct HandStep
{
    QByteArray name; // up to 8 characters, blank-padded when written
    quint8 fromDmx = 0;
    quint8 toDmx = 0;
    quint8 stepDmx = 0;
};

struct HandChannel
{
    quint8 nameId = 0;
    quint8 fadeMode = 0;
    QVector<HandStep> steps;
    int stepCountOverride = -1; // a count that differs from the steps given
};

struct HandZff
{
    QByteArray reserved = QByteArray(4, '\0');
    qint16 duplicateFlag = 0;
    quint8 channelCount = 1;
    QByteArray fixtureName = "Hand Made";
    quint8 blackChannel = 0;
    quint8 blackValue = 0;
    quint16 masterMask = 0;
    quint8 panCoarse = 0, panFine = 0, tiltCoarse = 0, tiltFine = 0;
    QVector<HandChannel> channels; // entries 1 to 16; those not given are 00 00 00

    QByteArray bytes() const
    {
        QByteArray b;
        b += reserved;
        b += char(duplicateFlag & 0xFF);
        b += char((duplicateFlag >> 8) & 0xFF);
        b += "!Zelvar71!";
        b += char(channelCount);
        b += fixtureName.left(18).leftJustified(18, ' ');
        b += char(blackChannel);
        b += char(blackValue);
        b += char(masterMask & 0xFF);
        b += char(masterMask >> 8);
        b += char(panCoarse);
        b += char(panFine);
        b += char(tiltCoarse);
        b += char(tiltFine);
        Q_ASSERT(b.size() == 43);
        for (int j = 0; j < 16; ++j) {
            const HandChannel c = j < channels.size() ? channels[j] : HandChannel();
            b += char(c.nameId);
            b += char(c.fadeMode);
            b += char(c.stepCountOverride >= 0 ? c.stepCountOverride : int(c.steps.size()));
        }
        Q_ASSERT(b.size() == 91);
        for (const HandChannel &c : channels) {
            for (const HandStep &s : c.steps) {
                b += s.name.left(8).leftJustified(8, ' ');
                b += char(s.fromDmx);
                b += char(s.toDmx);
                b += char(s.stepDmx);
            }
        }
        return b;
    }
};

// The 53-byte fixture slot of a download set for the profile file `zff`.
inline QByteArray expectedSlot(const QByteArray &zff)
{
    QByteArray s;
    s += zff.mid(16, 1);      // channel count
    s += zff.mid(17, 18);     // fixture name
    s += zff.mid(39, 4);      // pan coarse, pan fine, tilt coarse, tilt fine
    s += QByteArray(8, '\0');
    s += zff.mid(35, 2);      // black channel, black value
    s += zff.mid(37, 2);      // master mask
    s += QByteArray(2, '\0');
    for (int j = 0; j < 16; ++j)
        s += zff.at(43 + 3 * j + 1); // all 16 fade modes
    Q_ASSERT(s.size() == 53);
    return s;
}

// The 16-byte name-id row: the used channels' nameIds, zeros after them.
inline QByteArray expectedNameIdRow(const QByteArray &zff)
{
    const int used = quint8(zff.at(16));
    QByteArray row(16, '\0');
    for (int j = 0; j < used; ++j)
        row[j] = zff.at(43 + 3 * j);
    return row;
}

// The step block of a profile whose steps all belong to its used channels: the used
// channels' step counts, zeros after them, then the step records as the file holds them.
inline QByteArray expectedStepBlock(const QByteArray &zff)
{
    const int used = quint8(zff.at(16));
    QByteArray block(16, '\0');
    int steps = 0;
    for (int j = 0; j < used; ++j) {
        block[j] = zff.at(43 + 3 * j + 2);
        steps += quint8(zff.at(43 + 3 * j + 2));
    }
    block += zff.mid(91, 11 * steps);
    return block;
}

} // namespace testsupport

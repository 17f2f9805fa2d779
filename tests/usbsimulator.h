// The USB device simulator as the tests use it: sets up its devices, faults and folders
// through the environment and reads back its journal of every D2XX call.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QStringList>
#include <QTemporaryDir>
#include <QtGlobal>

namespace testsupport {

class UsbSimulator
{
public:
    // Points the tool at `library` and starts with no devices, no faults, an empty stick
    // folder and an empty journal.
    explicit UsbSimulator(const char *library = ZELVAR71_D2XX_SIM)
    {
        qputenv("ZELVAR71_D2XX", library);
        QDir().mkpath(stickFolder());
        qputenv("ZELVAR71_SIM_LOG", QFile::encodeName(journalPath()));
        qputenv("ZELVAR71_SIM_STICK_DIR", QFile::encodeName(stickFolder()));
        qputenv("ZELVAR71_SIM_DEVICES", QByteArray());
        qunsetenv("ZELVAR71_SIM_FAULTS");
        qunsetenv("ZELVAR71_SIM_STICK_REPLY");
        qunsetenv("ZELVAR71_SIM_STICK_PAD");
        qunsetenv("ZELVAR71_SIM_LINK_OUT");
        qunsetenv("ZELVAR71_SIM_LINK_IN");
        qunsetenv("ZELVAR71_SIM_LINK_CHUNK");
        qunsetenv("ZELVAR71_SIM_LINK_INTERVAL");
        qunsetenv("ZELVAR71_SIM_LINK_PACE");
    }
    ~UsbSimulator()
    {
        qunsetenv("ZELVAR71_SIM_LOG");
        qunsetenv("ZELVAR71_SIM_STICK_DIR");
        qunsetenv("ZELVAR71_SIM_DEVICES");
        qunsetenv("ZELVAR71_SIM_FAULTS");
        qunsetenv("ZELVAR71_SIM_STICK_REPLY");
        qunsetenv("ZELVAR71_SIM_STICK_PAD");
        qunsetenv("ZELVAR71_SIM_LINK_OUT");
        qunsetenv("ZELVAR71_SIM_LINK_IN");
        qunsetenv("ZELVAR71_SIM_LINK_CHUNK");
        qunsetenv("ZELVAR71_SIM_LINK_INTERVAL");
        qunsetenv("ZELVAR71_SIM_LINK_PACE");
    }

    void setDevices(const QByteArray &descriptions) { qputenv("ZELVAR71_SIM_DEVICES", descriptions); }
    void setFaults(const QByteArray &faults) { qputenv("ZELVAR71_SIM_FAULTS", faults); }
    // The stick answers every command with these bytes instead of its own reply.
    void setStickReply(const QByteArray &hexBytes) { qputenv("ZELVAR71_SIM_STICK_REPLY", hexBytes); }
    void setStickPadding(bool on) { qputenv("ZELVAR71_SIM_STICK_PAD", on ? "1" : "0"); }
    // The link appends what it is sent to `out` and hands out the bytes of `in`, `chunk`
    // bytes every `intervalMs` from the moment it is opened.
    void setLinkFiles(const QString &out, const QString &in, int chunk = 64, int intervalMs = 10)
    {
        qputenv("ZELVAR71_SIM_LINK_OUT", QFile::encodeName(out));
        qputenv("ZELVAR71_SIM_LINK_IN", QFile::encodeName(in));
        qputenv("ZELVAR71_SIM_LINK_CHUNK", QByteArray::number(chunk));
        qputenv("ZELVAR71_SIM_LINK_INTERVAL", QByteArray::number(intervalMs));
    }

    // The link moves bytes at the line rate the tool set (38,400 bit/s, 11 bits a byte).
    void setLinkPaced(bool on) { qputenv("ZELVAR71_SIM_LINK_PACE", on ? "1" : "0"); }

    QString folder() const { return m_dir.path(); }
    QString stickFolder() const { return m_dir.filePath(QStringLiteral("stick")); }
    QString stickFile(const QString &name) const { return stickFolder() + QLatin1Char('/') + name; }
    QString journalPath() const { return m_dir.filePath(QStringLiteral("journal.txt")); }
    QString path(const QString &name) const { return m_dir.filePath(name); }

    void clearJournal() { QFile::remove(journalPath()); }

    // Every journal line, in order.
    QStringList journal() const
    {
        QFile f(journalPath());
        if (!f.open(QIODevice::ReadOnly))
            return QStringList();
        QStringList lines = QString::fromLatin1(f.readAll()).split(QLatin1Char('\n'));
        lines.removeAll(QString());
        return lines;
    }

    // The D2XX calls alone, with the data of reads and writes left off.
    QStringList calls() const
    {
        QStringList out;
        for (const QString &line : journal()) {
            if (!line.startsWith(QLatin1String("FT_")))
                continue;
            QStringList words = line.split(QLatin1Char(' '));
            if (line.startsWith(QLatin1String("FT_Write ")) && words.size() >= 3)
                words.removeAt(3); // FT_Write dev count DATA = status written
            if (line.startsWith(QLatin1String("FT_Read ")) && words.size() >= 7)
                words.removeLast(); // FT_Read dev count = status received DATA
            out << words.join(QLatin1Char(' ')).trimmed();
        }
        return out;
    }

    // The bytes of every FT_Write, in order.
    QList<QByteArray> writes() const { return data(QStringLiteral("FT_Write "), 3); }
    // The bytes every FT_Read handed back, in order.
    QList<QByteArray> reads() const { return data(QStringLiteral("FT_Read "), 6); }

    int count(const QString &prefix) const
    {
        int n = 0;
        for (const QString &line : journal())
            n += line.startsWith(prefix) ? 1 : 0;
        return n;
    }

private:
    QList<QByteArray> data(const QString &prefix, int word) const
    {
        QList<QByteArray> out;
        for (const QString &line : journal()) {
            if (line.startsWith(prefix))
                out << QByteArray::fromHex(line.section(QLatin1Char(' '), word, word).toLatin1());
        }
        return out;
    }

    QTemporaryDir m_dir;
};

} // namespace testsupport

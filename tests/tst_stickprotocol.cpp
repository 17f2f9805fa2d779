// The stick's protocol as plain code: command blocks byte for byte, the checksum, name
// splitting, directory entries and the three reply rules.
#include "testsupport.h"
#include "usbtool/stickprotocol.h"

#include <QtTest>

using namespace zelvar;
using testsupport::hex;

class TestStickProtocol : public QObject
{
    Q_OBJECT

private slots:
    void commandBlocks_data()
    {
        QTest::addColumn<QByteArray>("block");
        QTest::addColumn<QByteArray>("expected");
        const auto file = [](const char *name, const char *ext) { return StickFileName{name, ext}; };
        QTest::newRow("directory") << StickCommand::directory().bytes()
                                   << hex("0a a1 0000000000000000 55 000000000000000000000000000000000000");
        QTest::newRow("delete SHOW1.DAT")
            << StickCommand::remove(file("SHOW1", "DAT")).bytes()
            << hex("12 a4 4441540000000000 53484f5731000000 ff 00000000000000000000");
        QTest::newRow("format") << StickCommand::format().bytes()
                                << hex("12 a4 ffffffffffffffff 0000000000000000 52 00000000000000000000");
        QTest::newRow("read SHOW1.DAT") << StickCommand::read(file("SHOW1", "DAT")).bytes()
                                        << hex("12 a2 4441540000000000 53484f5731000000 01 00000000000000000000");
        QTest::newRow("write LONGFILE.dat, 1000 bytes")
            << StickCommand::write(file("LONGFILE", "dat"), 1000).bytes()
            << hex("16 a3 6461740000000000 4c4f4e4746494c45 000003e8 d3 000000000000");
        // Fields longer than 8 are cut; a length keeps all four bytes, most significant first.
        QTest::newRow("write, long fields and length")
            << StickCommand::write(file("ABCDEFGHIJ", "123456789"), 0x01020304).bytes()
            << hex("16 a3 3132333435363738 4142434445464748 01020304 75 000000000000");
        QTest::newRow("read, no extension") << StickCommand::read(file("A", "")).bytes()
                                            << hex("12 a2 0000000000000000 4100000000000000 0b 00000000000000000000");
    }

    void commandBlocks()
    {
        QFETCH(QByteArray, block);
        QFETCH(QByteArray, expected);
        QCOMPARE(expected.size(), 29);
        QCOMPARE(block.toHex(' '), expected.toHex(' '));
        // Bytes 0 to N add up to 0 modulo 256.
        int sum = 0;
        for (int i = 0; i <= int(quint8(block[0])); ++i)
            sum += quint8(block[i]);
        QCOMPARE(sum % 256, 0);
    }

    void checksum_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("checksum");
        QTest::newRow("nothing") << QByteArray() << 0;
        QTest::newRow("one") << hex("01") << 0xff;
        QTest::newRow("0xff") << hex("ff") << 0x01;
        QTest::newRow("0x80") << hex("80") << 0x80;
        QTest::newRow("sum of 256") << hex("ff 01") << 0x00;
        QTest::newRow("directory head") << hex("0a a1 00 00") << 0x55;
        QTest::newRow("many bytes") << QByteArray(1000, char(0xff)) << (256 - (1000 * 255) % 256) % 256;
    }

    void checksum()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, checksum);
        QCOMPARE(int(stickChecksum(bytes.constData(), int(bytes.size()))), checksum);
    }

    void nameSplit_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("extension");
        QTest::newRow("name and extension") << "SHOW1.DAT" << QByteArray("SHOW1") << QByteArray("DAT");
        QTest::newRow("no point: all name") << "README" << QByteArray("README") << QByteArray();
        QTest::newRow("last point splits") << "a.b.c" << QByteArray("a.b") << QByteArray("c");
        QTest::newRow("point first") << ".hidden" << QByteArray() << QByteArray("hidden");
        QTest::newRow("point last") << "trailing." << QByteArray("trailing") << QByteArray();
        QTest::newRow("both cut to 8") << "LONGFILENAME.extension1" << QByteArray("LONGFILE")
                                       << QByteArray("extensio");
        QTest::newRow("no point, cut to 8") << "NINECHARS" << QByteArray("NINECHAR") << QByteArray();
        QTest::newRow("case kept") << "Mixed.Case" << QByteArray("Mixed") << QByteArray("Case");
        QTest::newRow("single-byte characters") << QString::fromLatin1("caf\xe9.txt") << QByteArray("caf\xe9")
                                                << QByteArray("txt");
        QTest::newRow("empty") << "" << QByteArray() << QByteArray();
    }

    void nameSplit()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, extension);
        const StickFileName split = splitStickFileName(text);
        QCOMPARE(split.name, name);
        QCOMPARE(split.extension, extension);
    }

    void directoryEntries_data()
    {
        QTest::addColumn<QByteArray>("entry");
        QTest::addColumn<QString>("text");
        QTest::newRow("SHOW1.DAT") << hex("4441540000000000 53484f5731000000 00000258000000000000000000000000")
                                   << "SHOW1.DAT";
        QTest::newRow("no extension") << hex("0000000000000000 524541444d450000 00000000000000000000000000000000")
                                      << "README";
        QTest::newRow("full fields, no zero") << QByteArray("ABCDEFGH12345678") + QByteArray(16, 'x')
                                              << "12345678.ABCDEFGH";
        QTest::newRow("field ends at first zero")
            << hex("4400540000000000 5300480000000000 00000000000000000000000000000000") << "S.D";
        QTest::newRow("case as received") << QByteArray("txt\0\0\0\0\0Show\0\0\0\0", 16) + QByteArray(16, '\0')
                                          << "Show.txt";
        QTest::newRow("single-byte characters")
            << QByteArray("d\xe9t\0\0\0\0\0caf\xe9\0\0\0\0", 16) + QByteArray(16, '\0')
            << QString::fromLatin1("caf\xe9.d\xe9t");
        QTest::newRow("empty entry") << QByteArray(32, '\0') << "";
    }

    void directoryEntries()
    {
        QFETCH(QByteArray, entry);
        QFETCH(QString, text);
        QCOMPARE(entry.size(), DirectoryEntrySize);
        QCOMPARE(DirectoryEntry::decode(entry.constData()).listText(), text);
    }

    void listingReply_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("entries"); // -1: refused
        QTest::newRow("0 bytes") << hex("00000000") << -1;
        QTest::newRow("31 bytes") << hex("0000001f") << -1;
        QTest::newRow("32 bytes: one file") << hex("00000020") << 1;
        QTest::newRow("63 bytes: one file") << hex("0000003f") << 1;
        QTest::newRow("byte 0 is ignored") << hex("a1000020") << 1;
        QTest::newRow("254 files") << hex("00001fc0") << 254;
        QTest::newRow("254 files and 31 bytes") << hex("00001fdf") << 254;
        QTest::newRow("255 files") << hex("00001fe0") << -1;
        QTest::newRow("largest length") << hex("ffffffff") << -1;
        QTest::newRow("three bytes") << hex("000020") << -1;
        QTest::newRow("nothing") << QByteArray() << -1;
        QTest::newRow("five bytes") << hex("0000002000") << -1;
    }

    void listingReply()
    {
        QFETCH(QByteArray, reply);
        QFETCH(int, entries);
        QCOMPARE(listingEntryCount(reply).value_or(-1), entries);
    }

    void readReply_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<qint64>("length"); // -1: refused
        QTest::newRow("zero") << hex("00000000") << qint64(-1);
        QTest::newRow("one") << hex("00000001") << qint64(1);
        QTest::newRow("600") << hex("00000258") << qint64(600);
        QTest::newRow("every byte counts") << hex("01020304") << qint64(0x01020304);
        QTest::newRow("2^31 - 1") << hex("7fffffff") << qint64(0x7fffffff);
        QTest::newRow("2^31") << hex("80000000") << qint64(-1);
        QTest::newRow("all ones") << hex("ffffffff") << qint64(-1);
        QTest::newRow("three bytes") << hex("000258") << qint64(-1);
    }

    void readReply()
    {
        QFETCH(QByteArray, reply);
        QFETCH(qint64, length);
        const std::optional<quint32> got = readReplyLength(reply);
        QCOMPARE(got ? qint64(*got) : qint64(-1), length);
    }

    void writeReply_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("one") << hex("00000001") << true;
        QTest::newRow("zero") << hex("00000000") << false;
        QTest::newRow("last byte 0xff is -1") << hex("000000ff") << false;
        QTest::newRow("0x01ff is 256 - 1") << hex("000001ff") << true;
        QTest::newRow("last byte 0x80 is -128") << hex("00000080") << false;
        QTest::newRow("0x7f ff ff ff") << hex("7fffffff") << true;
        QTest::newRow("0x80 first") << hex("80000000") << false;
        QTest::newRow("0x80 second, 1 last") << hex("00800001") << false;
        QTest::newRow("0x01 80 00 00 is 2^24 - 2^23") << hex("01800000") << true;
        QTest::newRow("all ones is -1 - 256 - ...") << hex("ffffffff") << false;
        QTest::newRow("three bytes") << hex("000001") << false;
        QTest::newRow("nothing") << QByteArray() << false;
    }

    void writeReply()
    {
        QFETCH(QByteArray, reply);
        QFETCH(bool, accepted);
        QCOMPARE(writeReplyAccepted(reply), accepted);
    }
};

QTEST_GUILESS_MAIN(TestStickProtocol)
#include "tst_stickprotocol.moc"

#include "intake/ReceivedJournal.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace qalor;

class TestReceivedJournal : public QObject
{
    Q_OBJECT

private slots:
    void slicesAndCompactionKeepEveryCharacter();
};

void TestReceivedJournal::slicesAndCompactionKeepEveryCharacter()
{
    // Received text with line ends, backslashes, characters of two and
    // three bytes on disk (Latin-1 from the line, the break mark) and a
    // surrogate pair, in chunks of uneven size, more than a compaction
    // needs and more entries than are read at a time.
    const QString emoji = QString::fromUtf8("\xF0\x9F\x93\x9E");
    const QStringList pieces = {QStringLiteral("0000 003 01 240315 101500 013901234567\r\n"),
                                QStringLiteral("\\r\\n"), QStringLiteral("é"), QString(QChar(0xFFFF)), emoji};
    QString sent;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("received.journal"));
    ReceivedJournal journal(path);
    for (int chunk = 0; sent.size() < 300000; ++chunk) {
        QString text;
        for (int i = 0; i < 40 + chunk * 37 % 200; ++i)
            text += pieces.at((chunk + i) % pieces.size());
        journal.append(text);
        sent += text;
    }
    QCOMPARE(journal.end(), sent.size());

    // Slices whose limit would end at the first half of a pair end before
    // it; put together they are the text, and none is longer than asked.
    // The reader follows the file while another instance rewrites it.
    const ReceivedJournal reader(path);
    const qsizetype limit = 4099;
    const qint64 first = sent.indexOf(emoji, sent.size() / 2 + limit) - limit + 1;
    const auto readSlices = [&] {
        qint64 position = first;
        QString joined;
        int shortened = 0;
        for (QString slice = reader.textFrom(position, limit); !slice.isEmpty();
             slice = reader.textFrom(position, limit)) {
            if (slice.size() > limit || slice.back().isHighSurrogate())
                return QStringLiteral("slice of %1 at %2").arg(slice.size()).arg(position);
            shortened += slice.size() == limit - 1 ? 1 : 0;
            joined += slice;
            position += slice.size();
        }
        return shortened > 0 ? joined : QStringLiteral("no slice shortened");
    };
    QCOMPARE(readSlices(), sent.mid(first));

    // Handled up to the middle, the last few lines kept before it.
    const qint64 handled = sent.size() / 2;
    const qint64 kept = sent.lastIndexOf(QChar(0xFFFF), handled); // inside a chunk
    journal.compact(handled, kept);
    QCOMPARE(ReceivedJournal(path).end(), sent.size());
    QCOMPARE(reader.handledThrough(), handled);
    for (const qint64 asked :
         {qint64(0), kept, handled, first, qint64(sent.size() - 1), qint64(sent.size() + 5)}) {
        qint64 position = asked;
        QCOMPARE(reader.textFrom(position), sent.mid(qBound(kept, asked, qint64(sent.size()))));
        QCOMPARE(position, qBound(kept, asked, qint64(sent.size())));
    }
    QCOMPARE(readSlices(), sent.mid(first));
}

QTEST_GUILESS_MAIN(TestReceivedJournal)
#include "tst_receivedjournal.moc"

#include "receiving/RawStore.h"

#include "db/CDatabase.h"
#include "intake/DataFolder.h"
#include "intake/JournalMark.h"
#include "prompt/Prompt.h"

namespace qalor {

namespace {
// Kept raw lines stored per transaction.
constexpr qsizetype RawBatch = 200;

// A text column cannot hold a NUL (PostgreSQL refuses it, the SQLite
// driver cuts the text there): control characters other than the line end
// are stored as \xHH in cdr表; the unframed journal keeps them as received.
QString rawText(const QString& line)
{
    QString text;
    text.reserve(line.size());
    for (const QChar c : line) {
        if ((c.unicode() < 0x20 && c != QLatin1Char('\r') && c != QLatin1Char('\n')) || c.unicode() == 0x7f)
            text += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            text += c;
    }
    return text;
}
} // namespace

RawStore::RawStore() : m_kept(journalPath()) {}

QString RawStore::journalPath()
{
    return dataFolder() + QStringLiteral("/raw-lines.journal");
}

bool RawStore::open()
{
    return runGuarded(QStringLiteral("Unkonwn Error in CQalorView Structing."), [this] {
        m_raw.setFilter(QStringLiteral("呼叫记录=NULL"));
        m_raw.open();
    });
}

void RawStore::close()
{
    if (m_raw.isOpen())
        m_raw.close();
}

void RawStore::addRow(const QString& line)
{
    if (!m_raw.isOpen()) {
        m_raw.setFilter(QStringLiteral("呼叫记录=NULL"));
        m_raw.open();
    }
    m_raw.addNew();
    m_raw.setValue(CCdrSet::Line, rawText(line));
    m_raw.update();
}

bool RawStore::insert(const QString& line)
{
    // A raw line that cannot be stored must not cost the call: report the
    // failure (once, until saving works again) and go on pricing.
    const bool saved = [&] {
        try {
            addRow(line);
            return true;
        } catch (const DbError& error) {
            m_raw.cancelUpdate();
            if (!m_failureShown)
                Prompt::inform(error.message());
        } catch (const std::bad_alloc&) {
            m_raw.cancelUpdate();
            if (!m_failureShown)
                Prompt::inform(Prompt::outOfMemoryText());
        } catch (const std::exception& error) {
            m_raw.cancelUpdate();
            if (!m_failureShown)
                Prompt::inform(QString::fromLocal8Bit(error.what()));
        }
        return false;
    }();
    m_failureShown = !saved;
    if (!saved)
        keep(line);
    return saved;
}

bool RawStore::save(const QString& line)
{
    if (!insert(line))
        return false;
    if (!CDatabase::shared().inTransaction())
        storeKept();
    return true;
}

void RawStore::keep(const QString& line)
{
    try {
        m_kept.append(line);
    } catch (const std::exception& error) {
        Prompt::inform(QString::fromLocal8Bit(error.what()));
    }
}

void RawStore::storeKept()
{
    // Raw lines the data source refused earlier, oldest first, in batches
    // marked in the data source like every replay.
    const QList<LineJournal::Entry> kept = m_kept.entries();
    if (kept.isEmpty() || CDatabase::shared().inTransaction())
        return;
    const QString identity = m_kept.identity();
    for (qsizetype done = 0; done < kept.size();) {
        const qsizetype count = qMin(RawBatch, kept.size() - done);
        const qint64 last = kept.at(done + count - 1).number;
        try {
            CTransaction transaction(CDatabase::shared());
            const qint64 storedThrough = JournalMark::read(identity);
            for (qsizetype i = done; i < done + count; ++i) {
                if (kept.at(i).number > storedThrough)
                    addRow(kept.at(i).text);
            }
            JournalMark::write(identity, last);
            transaction.commit();
        } catch (const std::exception&) {
            m_raw.cancelUpdate();
            return; // still refused: they wait for the next stored line
        }
        done += count;
        try {
            if (done == kept.size())
                m_kept.clear();
            else
                m_kept.dropThrough(last);
        } catch (const std::exception&) {
            return;
        }
    }
}

} // namespace qalor

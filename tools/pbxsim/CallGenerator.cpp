#include "CallGenerator.h"

namespace qalor::pbxsim {

namespace {

constexpr int FirstExtension = 8001;
constexpr int ExtensionCount = 16;
constexpr int ShortestCall = 5;
constexpr int LongestCall = 20 * 60;

// Left-aligned in the field, cut or filled up to its width.
QString fit(const QString& text, int width, QChar fill)
{
    return text.left(width).leftJustified(width, fill);
}

QString zeroPadded(qint64 value, int width)
{
    return QString::number(value).rightJustified(width, QLatin1Char('0')).right(width);
}

QString hhmmss(qint64 seconds)
{
    return zeroPadded(seconds / 3600, 2) + zeroPadded(seconds / 60 % 60, 2) + zeroPadded(seconds % 60, 2);
}

QString fieldText(int slot, int width, const GeneratedCall& call)
{
    const QChar dash = QLatin1Char('-');
    const qint64 duration = call.start.secsTo(call.end);
    switch (slot) {
    case 0: // trace number: untraced
        return fit(QStringLiteral("0000"), width, QLatin1Char('0'));
    case 1:
        return fit(call.callType, width, QLatin1Char('0'));
    case 2:
        return fit(call.recordCode, width, QLatin1Char('0'));
    case 3: // trunk call
        return fit(QStringLiteral("1"), width, dash);
    case 4: // call state: completed
        return fit(QStringLiteral("00"), width, dash);
    case 5: // start date, then the date the call ended
        return fit(call.start.toString(QStringLiteral("yyMMdd")) + QLatin1Char(' ') +
                       call.end.toString(QStringLiteral("yyMMdd")),
                   width, QLatin1Char(' '));
    case 6:
        return fit(call.start.toString(QStringLiteral("HHmmss")), width, QLatin1Char('0'));
    case 7:
        return fit(call.end.toString(QStringLiteral("HHmmss")), width, QLatin1Char('0'));
    case 8:
        return fit(hhmmss(duration), width, QLatin1Char('0'));
    case 9: // ringing seconds
        return zeroPadded(3 + duration % 12, width);
    case 10:
        return fit(call.extension, width, dash);
    case 14:
        return zeroPadded(call.classOfService, width);
    case 20: // outgoing trunk: group and member
        return fit(zeroPadded(call.trunkGroup, 2) + zeroPadded(call.extension.right(2).toInt() % 8 + 1, 2),
                   width, dash);
    case 21:
        return zeroPadded(call.trunkGroup, width);
    case 24:
        return fit(call.number, width, dash);
    case 25: // metering pulses
        return zeroPadded(duration / 60 + 1, width);
    case 26: // caller identity: the extension from the fourth character
        return fit(QStringLiteral("000") + call.extension, width, dash);
    default: // fields this exchange leaves empty
        return QString(width, dash);
    }
}

} // namespace

CallGenerator::CallGenerator(quint32 seed, std::optional<QDate> date) : m_random(seed)
{
    if (date)
        m_clock = QDateTime(*date, QTime(8, 0)).addSecs(between(0, 1800));
}

int CallGenerator::between(int low, int high)
{
    return low + int(m_random.bounded(quint32(high - low + 1)));
}

QString CallGenerator::digits(int count)
{
    QString text;
    for (int i = 0; i < count; ++i)
        text += QChar(u'0' + between(0, 9));
    return text;
}

QString CallGenerator::drawNumber()
{
    const int kind = between(1, 100);
    if (kind <= 35) // local: 7 or 8 digits, first digit 2-8
        return QString::number(between(2, 8)) + digits(between(6, 7));
    if (kind <= 60) // mobile: 13x to 19x
        return QStringLiteral("1") + QString::number(between(3, 9)) + digits(9);
    if (kind <= 82) { // domestic long distance
        static const char* const areas[] = {"0769", "020", "010", "021"};
        const QString area = QString::fromLatin1(areas[between(0, 3)]);
        return area + QString::number(between(2, 8)) + digits(area.size() == 4 ? 6 : 7);
    }
    if (kind <= 92) { // international
        static const char* const countries[] = {"1", "44", "852", "81", "65", "49"};
        return QStringLiteral("00") + QString::fromLatin1(countries[between(0, 5)]) + digits(between(7, 9));
    }
    if (kind <= 95) // five-digit service number
        return QStringLiteral("95") + digits(3);
    return QStringLiteral("168") + digits(between(4, 5)); // information line
}

GeneratedCall CallGenerator::next(const QDateTime& now)
{
    GeneratedCall call;
    const int station = between(0, ExtensionCount - 1);
    call.extension = QString::number(FirstExtension + station);
    call.classOfService = station % 4 + 1;
    call.trunkGroup = between(1, 2);
    call.callType = QStringLiteral("001");
    call.recordCode = QStringLiteral("01");
    call.number = drawNumber();
    // Mostly short calls, now and then a long one.
    const double u = m_random.generateDouble();
    const int duration = ShortestCall + int((LongestCall - ShortestCall) * u * u);
    if (m_clock) {
        m_clock = m_clock->addSecs(between(30, 8 * 60));
        call.end = *m_clock;
    } else {
        call.end = now.addSecs(-between(0, 20));
    }
    call.end.setTime(QTime(call.end.time().hour(), call.end.time().minute(), call.end.time().second()));
    call.start = call.end.addSecs(-duration);
    return call;
}

QByteArray formatCdrLine(const GeneratedCall& call, const QList<CdrFieldRow>& layout)
{
    QString line;
    for (qsizetype slot = 0; slot < layout.size(); ++slot) {
        const CdrFieldRow& field = layout.at(slot);
        if (field.output <= 0)
            continue;
        line += fieldText(int(slot), field.width, call);
        line += QLatin1Char(' ');
    }
    line += QStringLiteral("\r\n");
    return line.toLatin1();
}

int cdrLineLength(const QList<CdrFieldRow>& layout)
{
    int length = 2;
    for (const CdrFieldRow& field : layout) {
        if (field.output > 0)
            length += field.width + 1;
    }
    return length;
}

} // namespace qalor::pbxsim

#include "print/ReportPainter.h"

#include "format/TextFormat.h"

#include <QFileInfo>
#include <QFontMetrics>
#include <QPainter>
#include <QPageLayout>
#include <QPageSize>
#include <QPen>
#include <QPrinter>
#include <QSaveFile>
#include <QTemporaryFile>
#include <QTransform>
#include <algorithm>

namespace qalor {

namespace {
const QString FontFamily = QStringLiteral("WenQuanYi Micro Hei Mono");
constexpr int PenWidth = 10;
// The report font twice, stretched so that a half-width character advances
// one cell and a full-width one two cells, whatever the face's own advances.
struct CellFonts
{
    CellFonts(const QFont& font, const QPaintDevice& device)
        : halfWidth(stretched(font, device, QStringLiteral("0"), ReportPainter::CellWidth)),
          fullWidth(stretched(font, device, QStringLiteral("汉"), 2 * ReportPainter::CellWidth))
    {
    }
    static QFont stretched(QFont font, const QPaintDevice& device, const QString& sample, int advance)
    {
        const int natural = QFontMetrics(font, &device).horizontalAdvance(sample);
        if (natural > 0)
            font.setStretch(std::clamp(100 * advance / natural, 1, 4000));
        return font;
    }
    QFont halfWidth;
    QFont fullWidth;
};

bool isHalfWidth(QChar c)
{
    return c.unicode() < 0x80;
}

// Draws a text on the cell grid: each run of half-width or full-width
// characters starts at the x its GBK byte offset gives, so padded columns
// line up on paper exactly as they were counted.
void drawCells(QPainter& painter, const CellFonts& fonts, int x, int baseline, const QString& text)
{
    qsizetype start = 0;
    int cells = 0;
    while (start < text.size()) {
        const bool half = isHalfWidth(text[start]);
        qsizetype end = start + 1;
        while (end < text.size() && isHalfWidth(text[end]) == half)
            ++end;
        const QString run = text.mid(start, end - start);
        painter.setFont(half ? fonts.halfWidth : fonts.fullWidth);
        painter.drawText(x + cells * ReportPainter::CellWidth, baseline, run);
        cells += gbkWidth(run);
        start = end;
    }
}
// The right edge of the widest thing on any page of the document.
int rightEdge(const ReportDocument& document)
{
    int edge = 0;
    for (const ReportPage& page : document.pages)
        for (const PageItem& item : page.items)
            edge = std::max(edge, item.kind == PageItem::Kind::Rule
                                      ? item.x2
                                      : item.x + gbkWidth(item.text) * ReportPainter::CellWidth);
    return edge;
}
} // namespace

QString ReportPainter::printerFailureText()
{
    return QStringLiteral("Failure  when create print dc.");
}

void ReportPainter::prepare(QPrinter& printer)
{
    printer.setResolution(Resolution);
    printer.setFullPage(false);
}

QFont ReportPainter::reportFont(const QPaintDevice& device)
{
    QFont font(FontFamily);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setKerning(false);
    // The font's cell (ascent + descent) is what the reports count as a line:
    // find the largest size whose cell is at most FontHeight on this device.
    const double dpi = device.logicalDpiY() > 0 ? device.logicalDpiY() : Resolution;
    const auto cellAt = [&](double pixels) {
        font.setPointSizeF(pixels * 72.0 / dpi);
        return QFontMetrics(font, &device).height();
    };
    double low = 1.0;
    double high = FontHeight;
    for (int step = 0; step < 16; ++step) {
        const double middle = (low + high) / 2.0;
        (cellAt(middle) <= FontHeight ? low : high) = middle;
    }
    cellAt(low);
    return font;
}

PageGeometry ReportPainter::geometry(QPrinter& printer)
{
    const QRect area = printer.pageLayout().paintRectPixels(printer.resolution());
    PageGeometry geometry;
    geometry.width = area.width();
    geometry.height = area.height();
    geometry.lineHeight = QFontMetrics(reportFont(printer), &printer).height();
    if (geometry.lineHeight <= 0)
        geometry.lineHeight = FontHeight;
    return geometry;
}

void ReportPainter::paint(const ReportDocument& document, QPrinter& printer)
{
    if (document.isEmpty())
        return;
    printer.setDocName(document.name);
    QPainter painter;
    if (!painter.begin(&printer))
        throw PrintError(printerFailureText().toStdString());
    const CellFonts fonts(reportFont(printer), printer);
    painter.setFont(fonts.halfWidth);
    painter.setPen(QPen(Qt::black, PenWidth, Qt::SolidLine));
    const QFontMetrics metrics(fonts.halfWidth, &printer);
    // Lines wider than the printable width (a long destination, a narrow
    // sheet) are narrowed as a whole, every page alike, so that the last
    // column is not cut off and the columns still line up.
    const int available = printer.pageLayout().paintRectPixels(printer.resolution()).width();
    const int widest = rightEdge(document);
    QTransform narrowing;
    if (available > 0 && widest > available)
        narrowing.scale(double(available) / widest, 1.0);
    for (qsizetype p = 0; p < document.pages.size(); ++p) {
        if (p > 0 && !printer.newPage()) {
            // The pages already sent are withdrawn, not printed as a bill
            // that ends half-way.
            printer.abort();
            painter.end();
            throw PrintError(printerFailureText().toStdString());
        }
        painter.setWorldTransform(narrowing);
        for (const PageItem& item : document.pages[p].items) {
            if (item.kind == PageItem::Kind::Rule)
                painter.drawLine(item.x, item.y, item.x2, item.y);
            else
                drawCells(painter, fonts, item.x, item.y + metrics.ascent(), item.text);
        }
    }
    // A job the print system refused shows as an error state of the device.
    if (!painter.end() || printer.printerState() == QPrinter::Error)
        throw PrintError(printerFailureText().toStdString());
}

bool ReportPainter::writePdf(const ReportBuilder& build, const QString& fileName, QString* error,
                             bool* written, const QPageLayout* layout)
{
    if (written)
        *written = false;
    const QFileInfo target(fileName);
    QTemporaryFile temporary(target.absolutePath() + QStringLiteral("/.") + target.fileName()
                             + QStringLiteral(".XXXXXX"));
    if (!temporary.open()) {
        if (error)
            *error = temporary.errorString();
        return false;
    }
    temporary.close();

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    if (layout)
        printer.setPageLayout(*layout);
    else
        printer.setPageSize(QPageSize(QPageSize::A4));
    prepare(printer);
    printer.setOutputFileName(temporary.fileName());

    const ReportDocument document = build(geometry(printer));
    if (document.isEmpty())
        return true;
    try {
        paint(document, printer);
    } catch (const PrintError& failure) {
        if (error)
            *error = failure.message();
        return false;
    }
    QFile::remove(fileName);
    if (!QFile::rename(temporary.fileName(), fileName)) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(fileName, QFile(fileName).errorString());
        return false;
    }
    temporary.setAutoRemove(false);
    // The temporary file was private to us; the report is an ordinary file.
    QFile::setPermissions(fileName, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup
                                        | QFile::ReadOther);
    if (written)
        *written = true;
    return true;
}

} // namespace qalor

#pragma once

#include "print/ReportDocument.h"

#include <QFont>
#include <QString>
#include <functional>
#include <stdexcept>

class QPageLayout;
class QPaintDevice;
class QPrinter;

namespace qalor {

// Builds a report for the page of the chosen printer. A document without
// pages means there is nothing to print (the report has said why).
using ReportBuilder = std::function<ReportDocument(const PageGeometry&)>;

// The printer that could not be opened or failed while pages were drawn;
// what() is the text shown to the user.
class PrintError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
    QString message() const { return QString::fromUtf8(what()); }
};

// Puts documents of the page model on a QPrinter: a real printer or a PDF
// file. Devices are driven at 600 dots per inch, where the reports' pixel
// geometry fills a sheet of A4 or Letter the way it was laid out.
class ReportPainter
{
public:
    static constexpr int Resolution = 600;
    static constexpr int FontHeight = 85; // cell height of the report font
    static constexpr int CellWidth = 50;  // advance of one GBK byte

    static QString printerFailureText(); // "Failure  when create print dc."

    // Sets the printer's resolution and margins the reports expect.
    static void prepare(QPrinter& printer);
    // The printable area of the printer and the line height of the report
    // font read back from it.
    static PageGeometry geometry(QPrinter& printer);
    // Fixed-pitch CJK font whose cell is FontHeight pixels high on the
    // device, so a GBK byte is one half-width cell and padded columns line up.
    static QFont reportFont(const QPaintDevice& device);

    // Paints every page in order. Raises PrintError when the device cannot
    // be opened or a page cannot be started.
    static void paint(const ReportDocument& document, QPrinter& printer);

    // Builds the report for an A4 page and writes it as a PDF file. The file
    // is written under a temporary name and renamed when complete, so a
    // failure never leaves a half-written file under the chosen name.
    // Returns false with the reason when nothing was written; an empty
    // document writes nothing and is not a failure (*written stays false).
    // With a page layout (the paper and orientation chosen in the print
    // setup), the file gets that page instead of A4.
    static bool writePdf(const ReportBuilder& build, const QString& fileName, QString* error,
                         bool* written = nullptr, const QPageLayout* layout = nullptr);
};

} // namespace qalor

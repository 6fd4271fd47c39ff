#include "print/ReportOutput.h"

#include "gui/WaitCursor.h"
#include "prompt/Prompt.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QPageLayout>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>

namespace qalor::ReportOutput {

namespace {
PrinterSetup& installedSetup()
{
    static PrinterSetup setup;
    return setup;
}

FileChooser& installedChooser()
{
    static FileChooser chooser;
    return chooser;
}

bool runPrintDialog(QPrinter& printer, QString& chosenPrinter, QWidget* parent)
{
    QPrintDialog dialog(&printer, parent);
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    chosenPrinter = printer.printerName();
    return true;
}

// Whether the job goes where the user sent it: a file, or the printer of
// that name, which exists. (Without any printer Qt turns a printer into a
// PDF printer without a file, which prints nowhere.)
bool destinationThere(const QPrinter& printer, const QString& chosenPrinter)
{
    if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty())
        return true;
    const QString name = chosenPrinter.isEmpty() ? printer.printerName() : chosenPrinter;
    return !name.isEmpty() && !QPrinterInfo::printerInfo(name).isNull() && printer.printerName() == name;
}
} // namespace

void installPrinterSetup(PrinterSetup setup)
{
    installedSetup() = std::move(setup);
}

void installFileChooser(FileChooser chooser)
{
    installedChooser() = std::move(chooser);
}

QString chooseSaveFile(QWidget* parent, const QString& caption, const QString& suggestedName,
                       const QString& filter)
{
    if (installedChooser())
        return installedChooser()(parent, caption, suggestedName, filter);
    return QFileDialog::getSaveFileName(parent, caption, suggestedName, filter);
}

bool print(QWidget* parent, const ReportBuilder& build)
{
    QPrinter printer(QPrinter::HighResolution);
    ReportPainter::prepare(printer);
    const PrinterSetup& setup = installedSetup();
    QString chosenPrinter;
    if (!(setup ? setup(printer, chosenPrinter, parent) : runPrintDialog(printer, chosenPrinter, parent)))
        return false;
    ReportPainter::prepare(printer);
    WaitCursor wait;
    if (!printer.isValid() || !destinationThere(printer, chosenPrinter)) {
        Prompt::inform(ReportPainter::printerFailureText());
        return false;
    }
    const ReportDocument document = build(ReportPainter::geometry(printer));
    if (document.isEmpty())
        return false;
    if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty()) {
        // A file chosen in the print setup gets the same care as an export:
        // complete or not there at all.
        QString error;
        bool written = false;
        const QString target = printer.outputFileName();
        const QPageLayout layout = printer.pageLayout();
        const bool ok = ReportPainter::writePdf([&](const PageGeometry&) { return document; }, target,
                                                &error, &written, &layout);
        if (!ok)
            Prompt::inform(error);
        return ok && written;
    }
    try {
        ReportPainter::paint(document, printer);
    } catch (const PrintError& failure) {
        Prompt::inform(failure.message());
        return false;
    }
    return true;
}

void preview(QWidget* parent, const ReportBuilder& build)
{
    QPrinter printer(QPrinter::HighResolution);
    ReportPainter::prepare(printer);
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("打印预览"));
    // At the page's width the lines can be read; the whole page in the
    // window makes them too small. The dialog's own "fit width" button is
    // pressed, so that its tool bar shows the mode the preview is in.
    if (auto* fitWidth = dialog.findChild<QAction*>(QStringLiteral("fitWidthAction")))
        fitWidth->trigger();
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&](QPrinter* target) {
        ReportPainter::prepare(*target);
        runGuarded(QStringLiteral("Unknow Error Occured in Printing-job!"), [&] {
            const ReportDocument document = build(ReportPainter::geometry(*target));
            try {
                ReportPainter::paint(document, *target);
            } catch (const PrintError& failure) {
                Prompt::inform(failure.message());
            }
        });
    });
    dialog.exec();
}

bool exportPdf(QWidget* parent, const ReportBuilder& build, const QString& suggestedName)
{
    const QString fileName =
        chooseSaveFile(parent, QStringLiteral("导出PDF"), suggestedName, QStringLiteral("PDF (*.pdf)"));
    if (fileName.isEmpty())
        return false;
    WaitCursor wait;
    QString error;
    bool written = false;
    if (!ReportPainter::writePdf(build, fileName, &error, &written)) {
        Prompt::inform(error);
        return false;
    }
    if (written)
        Prompt::inform(Prompt::exportedText(fileName));
    return written;
}

} // namespace qalor::ReportOutput

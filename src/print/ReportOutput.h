#pragma once

#include "print/ReportPainter.h"

#include <functional>

class QPrinter;
class QWidget;

namespace qalor {

// The three ways a dialog hands a report to the user: printed on the printer
// chosen in the print setup, shown in a print preview, or saved as a PDF file.
// The report is built for the chosen page; a builder that raises (a database
// error) stops the command before anything is drawn, and the caller's guard
// reports it. Printer failures are shown here with the system's text.
namespace ReportOutput {

// The print setup: fills the printer from the user's choice; false on Cancel.
// For a printer (not a file) it also names the printer chosen: Qt quietly
// puts the default printer in place of a name it does not know, and a bill
// meant for one printer must not come out of another. The workstation shows
// the platform print dialog; tests install one that picks a PDF file or a
// printer that is not there.
using PrinterSetup = std::function<bool(QPrinter& printer, QString& chosenPrinter, QWidget* parent)>;
void installPrinterSetup(PrinterSetup setup); // empty restores the dialog
// Where "导出" dialogs save; tests install a fixed file name. Empty on Cancel.
using FileChooser = std::function<QString(QWidget* parent, const QString& caption,
                                          const QString& suggestedName, const QString& filter)>;
void installFileChooser(FileChooser chooser);
QString chooseSaveFile(QWidget* parent, const QString& caption, const QString& suggestedName,
                       const QString& filter);

// Returns true when the document was printed (false on Cancel, an empty
// report or a printer failure). A chosen printer that is not there is a
// failure ("Failure  when create print dc."), and nothing is printed.
bool print(QWidget* parent, const ReportBuilder& build);
void preview(QWidget* parent, const ReportBuilder& build);
// Asks for a file name and writes the PDF; returns true when written.
bool exportPdf(QWidget* parent, const ReportBuilder& build, const QString& suggestedName);

} // namespace ReportOutput

} // namespace qalor

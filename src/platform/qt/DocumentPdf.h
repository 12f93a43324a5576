#pragma once
// A document (platform/Document.h) on paper: laid out on pages of the given
// size with headings, wrapped paragraphs, tables (their header repeated on
// every page they cross, marked rows shaded), monospace listings and charts
// drawn by PaintChart, and the page number at the foot. Written as a PDF
// file or sent to a printer chosen in the system's print dialog.
#include <QLocale>
#include <QPageSize>
#include <QPagedPaintDevice>

#include <string>

#include "platform/Document.h"

class QWidget;

namespace platform::qt {

// The paper: the default printer's, else Letter where the locale measures
// in US units and A4 everywhere else.
QPageSize PaperFor(const QPageSize& printerDefault, QLocale::MeasurementSystem measures);
QPageSize DefaultPaper();

// Lays out and paints the document on the device; returns the page count.
int RenderDocument(QPagedPaintDevice& device, const Document& doc);

bool WriteDocumentPdf(const Document& doc, const QString& path, const QPageSize& paper, std::string& why);
// Asks with the print dialog, then prints; false when cancelled.
bool PrintDocument(QWidget* parent, const Document& doc);

}  // namespace platform::qt

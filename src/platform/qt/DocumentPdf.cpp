#include "platform/qt/DocumentPdf.h"

#include <QFile>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include <algorithm>

#include "platform/qt/ChartPainter.h"

namespace platform::qt {

namespace {

QString Local(const std::string& s) {
    QString q = QString::fromLocal8Bit(s.data(), static_cast<qsizetype>(s.size()));
    q.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return q;
}

QFont Sans(double points, bool bold = false) {
    QFont f(QStringLiteral("Liberation Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

QFont Mono(double points) {
    QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    for (const char* name : {"Liberation Mono", "DejaVu Sans Mono"}) {
        if (QFontDatabase::families().contains(QString::fromLatin1(name))) {
            f = QFont(QString::fromLatin1(name));
            break;
        }
    }
    f.setStyleHint(QFont::TypeWriter);
    f.setPointSizeF(points);
    return f;
}

// Keeps the place on the page and starts new pages with their footer.
class Pages {
public:
    Pages(QPagedPaintDevice& device, QPainter& p, const Document& doc) : device_(device), p_(p), doc_(doc) {
        const double dpi = device.logicalDpiY();
        mm_ = dpi / 25.4;
        const QRectF full(0, 0, device.width(), device.height());
        body_ = full.adjusted(18 * mm_, 15 * mm_, -18 * mm_, -18 * mm_);
        y_ = body_.top();
    }
    double mm() const { return mm_; }
    const QRectF& body() const { return body_; }
    double y() const { return y_; }
    void advance(double h) { y_ += h; }
    // A new page when less than h is left; true when it made one.
    bool need(double h) {
        if (y_ + h <= body_.bottom() || y_ == body_.top()) return false;
        newPage();
        return true;
    }
    void newPage() {
        footer();
        device_.newPage();
        ++page_;
        y_ = body_.top();
    }
    void footer() {
        p_.save();
        p_.setFont(Sans(8));
        p_.setPen(Qt::darkGray);
        const QRectF foot(body_.left(), body_.bottom() + 6 * mm_, body_.width(), 6 * mm_);
        p_.drawText(foot, Qt::AlignLeft | Qt::AlignVCenter, Local(doc_.title));
        p_.drawText(foot, Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("Page %1").arg(page_));
        p_.restore();
    }
    int page() const { return page_; }

private:
    QPagedPaintDevice& device_;
    QPainter& p_;
    const Document& doc_;
    double mm_ = 1;
    QRectF body_;
    double y_ = 0;
    int page_ = 1;
};

void Heading(QPainter& p, Pages& pages, const std::string& text) {
    const QFont f = Sans(12.5, true);
    const double h = QFontMetricsF(f, p.device()).height();
    // A heading never stands alone at the foot of a page.
    pages.need(h * 4);
    if (pages.y() > pages.body().top()) pages.advance(h * 0.6);
    p.setFont(f);
    p.setPen(Qt::black);
    p.drawText(QRectF(pages.body().left(), pages.y(), pages.body().width(), h), Qt::AlignLeft | Qt::AlignVCenter,
               Local(text));
    pages.advance(h * 1.2);
}

void Paragraph(QPainter& p, Pages& pages, const std::string& text) {
    const QFont f = Sans(9.5);
    p.setFont(f);
    const QRectF room(pages.body().left(), 0, pages.body().width(), 1e6);
    const QRectF need = p.boundingRect(room, Qt::TextWordWrap, Local(text));
    pages.need(need.height());
    p.setPen(Qt::black);
    p.drawText(QRectF(pages.body().left(), pages.y(), pages.body().width(), need.height()), Qt::TextWordWrap,
               Local(text));
    pages.advance(need.height() + QFontMetricsF(f, p.device()).height() * 0.4);
}

void Listing(QPainter& p, Pages& pages, const std::string& text) {
    const QFont f = Mono(7.5);
    p.setFont(f);
    const QFontMetricsF fm(f, p.device());
    const double h = fm.height();
    p.setPen(Qt::black);
    for (const QString& line : Local(text).split(QLatin1Char('\n'))) {
        if (pages.need(h)) p.setFont(f);
        p.drawText(QPointF(pages.body().left(), pages.y() + fm.ascent()), line);
        pages.advance(h);
    }
    pages.advance(h * 0.4);
}

void Table(QPainter& p, Pages& pages, const DocBlock& b) {
    if (b.rows.empty()) return;
    const QFont f = Sans(8.5);
    const QFont fb = Sans(8.5, true);
    const QFontMetricsF fm(f, p.device());
    const QFontMetricsF fmb(fb, p.device());
    const double pad = pages.mm() * 1.2;
    const double h = fm.height() + pad;
    std::size_t cols = 0;
    for (const auto& r : b.rows) cols = std::max(cols, r.size());
    // A table with a header row repeats it on every page; a two-column table
    // of facts has none and shows its first column bold.
    const bool hasHeader = b.rows.size() > 1 && cols > 2;
    std::vector<double> w(cols, 0);
    for (std::size_t i = 0; i < b.rows.size(); ++i)
        for (std::size_t c = 0; c < b.rows[i].size(); ++c) {
            const bool bold = hasHeader ? i == 0 : c == 0;
            w[c] = std::max(w[c], (bold ? fmb : fm).horizontalAdvance(Local(b.rows[i][c])) + 2 * pad);
        }
    double total = 0;
    for (double x : w) total += x;
    // Too wide: the widest columns give up room first (their texts are elided).
    const double room = pages.body().width();
    while (total > room + 0.5) {
        auto widest = std::max_element(w.begin(), w.end());
        const double cut = std::min(total - room, *widest * 0.1 + 1);
        *widest -= cut;
        total -= cut;
    }
    const auto drawRow = [&](std::size_t i, bool header) {
        const auto& row = b.rows[i];
        const bool marked = !header && i - 1 < b.marked.size() && b.marked[i - 1];
        const QRectF line(pages.body().left(), pages.y(), total, h);
        if (header) p.fillRect(line, QColor(225, 225, 225));
        else if (marked) p.fillRect(line, QColor(255, 240, 180));
        p.setFont(header ? fb : f);
        p.setPen(Qt::black);
        double x = pages.body().left();
        for (std::size_t c = 0; c < cols; ++c) {
            const QString t = c < row.size() ? Local(row[c]) : QString();
            const QString shown = (header ? fmb : fm).elidedText(t, Qt::ElideRight, w[c] - 2 * pad);
            p.drawText(QRectF(x + pad, pages.y(), w[c] - 2 * pad, h), Qt::AlignLeft | Qt::AlignVCenter, shown);
            x += w[c];
        }
        QPen rule(QColor(200, 200, 200));
        rule.setWidthF(pages.mm() * 0.15);
        p.setPen(rule);
        p.drawLine(QPointF(line.left(), line.bottom()), QPointF(line.right(), line.bottom()));
        pages.advance(h);
    };
    pages.need(h * 3);
    if (hasHeader) drawRow(0, true);
    for (std::size_t i = hasHeader ? 1 : 0; i < b.rows.size(); ++i) {
        if (pages.need(h) && hasHeader) drawRow(0, true);
        if (hasHeader) drawRow(i, false);
        else {
            const auto& row = b.rows[i];
            p.setFont(fb);
            p.setPen(Qt::black);
            p.drawText(QRectF(pages.body().left() + pad, pages.y(), w[0] - 2 * pad, h), Qt::AlignLeft | Qt::AlignVCenter,
                       row.empty() ? QString() : Local(row[0]));
            p.setFont(f);
            double x = pages.body().left() + w[0];
            for (std::size_t c = 1; c < row.size(); ++c) {
                p.drawText(QRectF(x + pad, pages.y(), w[c] - 2 * pad, h), Qt::AlignLeft | Qt::AlignVCenter,
                           fm.elidedText(Local(row[c]), Qt::ElideRight, w[c] - 2 * pad));
                x += w[c];
            }
            pages.advance(h);
        }
    }
    pages.advance(h * 0.5);
}

void ChartBlock(QPainter& p, Pages& pages, const Chart& chart) {
    const double height = std::min(pages.body().width() * 0.5, 85 * pages.mm());
    pages.need(height);
    p.setFont(Sans(8));
    PaintChart(p, QRectF(pages.body().left(), pages.y(), pages.body().width(), height), chart);
    pages.advance(height + pages.mm() * 3);
}

}  // namespace

QPageSize PaperFor(const QPageSize& printerDefault, QLocale::MeasurementSystem measures) {
    if (printerDefault.isValid()) return printerDefault;
    return QPageSize(measures == QLocale::ImperialUSSystem ? QPageSize::Letter : QPageSize::A4);
}

QPageSize DefaultPaper() {
    const QPrinterInfo printer = QPrinterInfo::defaultPrinter();
    return PaperFor(printer.isNull() ? QPageSize() : printer.defaultPageSize(), QLocale::system().measurementSystem());
}

int RenderDocument(QPagedPaintDevice& device, const Document& doc) {
    QPainter p(&device);
    if (!p.isActive()) return 0;  // the file or printer could not be opened
    Pages pages(device, p, doc);
    for (const DocBlock& b : doc.blocks) {
        switch (b.kind) {
        case DocBlock::Kind::Heading: Heading(p, pages, b.text); break;
        case DocBlock::Kind::Paragraph: Paragraph(p, pages, b.text); break;
        case DocBlock::Kind::Listing: Listing(p, pages, b.text); break;
        case DocBlock::Kind::Table: Table(p, pages, b); break;
        case DocBlock::Kind::Chart: ChartBlock(p, pages, b.chart); break;
        }
    }
    pages.footer();
    return pages.page();
}

bool WriteDocumentPdf(const Document& doc, const QString& path, const QPageSize& paper, std::string& why) {
    // Written beside the target and renamed over it, so a failed write never
    // leaves half a report under the chosen name.
    const QString tmp = path + QStringLiteral(".tmp");
    {
        QPdfWriter writer(tmp);
        writer.setPageSize(paper);
        writer.setResolution(300);
        writer.setTitle(Local(doc.title));
        writer.setCreator(QStringLiteral("ZS-N7 ADJ"));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        RenderDocument(writer, doc);
    }
    QFile out(tmp);
    if (!out.exists() || out.size() == 0) {
        QFile::remove(tmp);
        why = "the file cannot be written";
        return false;
    }
    QFile::remove(path);
    if (!QFile::rename(tmp, path)) {
        why = out.errorString().toLocal8Bit().toStdString();
        QFile::remove(tmp);
        return false;
    }
    return true;
}

bool PrintDocument(QWidget* parent, const Document& doc) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(DefaultPaper());
    printer.setDocName(Local(doc.title));
    printer.setFullPage(true);
    QPrintDialog dialog(&printer, parent);
    dialog.setObjectName(QStringLiteral("printDialog"));
    if (dialog.exec() != QDialog::Accepted) return false;
    RenderDocument(printer, doc);
    return true;
}

}  // namespace platform::qt

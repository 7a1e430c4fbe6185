#include "reportbuilder.h"

#include "exportfile.h"
#include "resultsmodel.h"

#include <QBuffer>
#include <QFontMetrics>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>

void ReportContent::setTable(const ResultsModel &results)
{
    columnTitles = ResultsModel::columnTitles().mid(0, results.columnCount());
    rows.clear();
    for (int slot = 1; slot <= results.slotCount(); ++slot) {
        QStringList row;
        for (int column = 0; column < results.columnCount(); ++column)
            row << results.cell(column, slot);
        rows << row;
    }
}

namespace {

QFont font(qreal points, bool bold = false)
{
    QFont f(QStringLiteral("Liberation Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

// Text fitted into a cell: cut with an ellipsis rather than spilling into the next one.
void drawCell(QPainter &p, const QRectF &cell, const QString &text, Qt::Alignment align)
{
    const QString shown =
        QFontMetricsF(p.font()).elidedText(text, Qt::ElideRight, cell.width() - 4);
    p.drawText(cell.adjusted(2, 0, -2, 0), int(align | Qt::AlignVCenter), shown);
}

} // namespace

namespace Report {

QList<Bar> distances(const ReportContent &content)
{
    QList<Bar> out;
    for (qsizetype i = 0; i < content.rows.size(); ++i) {
        const QStringList &row = content.rows.at(i);
        bool ok = false;
        const int metres = row.value(ResultsModel::Distance).toInt(&ok);
        if (!ok)
            continue;
        // The slot tells apart athletes of one name, and stands for a name erased after the run.
        QString label = QString::number(i + 1);
        const QString code = row.value(ResultsModel::Code);
        if (!code.isEmpty())
            label += QStringLiteral(" · ") + code;
        out.append({label, row.value(ResultsModel::Name), metres});
    }
    return out;
}

bool render(const ReportContent &content, QByteArray *pdf)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
        writer.setResolution(72); // painter units are points
        writer.setTitle(content.title + QStringLiteral(" - Informe"));
        writer.setCreator(content.title);
        QPainter p;
        if (!p.begin(&writer))
            return false;
        const qreal width = writer.width();
        const qreal height = writer.height();
        qreal y = 0;

        p.setFont(font(18, true));
        p.drawText(QRectF(0, y, width, 26), Qt::AlignLeft | Qt::AlignVCenter, content.title);
        y += 28;
        p.setFont(font(12, true));
        p.drawText(QRectF(0, y, width, 18), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("Informe de la prueba"));
        y += 24;

        // The conditions, dated with the regional separators, as the results file is.
        const QLocale locale;
        const QString date = content.when.date().toString(
            QStringLiteral("dd'%1'MM'%1'yyyy").arg(ExportFile::dateSeparator(locale)));
        const QString time = content.when.time().toString(
            QStringLiteral("hh'%1'mm").arg(ExportFile::timeSeparator(locale)));
        const QList<QPair<QString, QString>> conditions = {
            {QStringLiteral("Fecha:"), date},
            {QStringLiteral("Hora:"), time},
            {QStringLiteral("Deporte:"), content.sport},
            {QStringLiteral("Modo:"), content.mode},
            {QStringLiteral("Periodo inicial:"), QString::number(content.initialPeriod)},
            {QStringLiteral("Velocidad inicial:"),
             content.initialSpeed.isEmpty() ? QString()
                                            : content.initialSpeed + QStringLiteral(" Km/h")}};
        for (const auto &[label, value] : conditions) {
            p.setFont(font(10, true));
            p.drawText(QRectF(0, y, 110, 15), Qt::AlignLeft | Qt::AlignVCenter, label);
            p.setFont(font(10));
            p.drawText(QRectF(110, y, width - 110, 15), Qt::AlignLeft | Qt::AlignVCenter, value);
            y += 15;
        }
        y += 10;

        // The table: the name column takes what the others leave.
        const int columns = int(content.columnTitles.size());
        QList<qreal> widths;
        for (int c = 0; c < columns; ++c)
            widths << (c == ResultsModel::Number ? 22 : c == ResultsModel::Code ? 40 : 66);
        qreal others = 0;
        for (int c = 0; c < columns; ++c) {
            if (c != ResultsModel::Name)
                others += widths.at(c);
        }
        widths[ResultsModel::Name] = width - others;
        const qreal titleHeight = 28;
        const qreal rowHeight = 16;
        p.setPen(QPen(Qt::black, 0.5));
        p.setFont(font(7.5, true));
        qreal x = 0;
        for (int c = 0; c < columns; ++c) {
            const QRectF cell(x, y, widths.at(c), titleHeight);
            p.fillRect(cell, QColor(0xD8, 0xD8, 0xD8));
            p.drawRect(cell);
            p.drawText(cell.adjusted(2, 0, -2, 0), Qt::AlignCenter | Qt::TextWordWrap,
                       content.columnTitles.at(c));
            x += widths.at(c);
        }
        y += titleHeight;
        p.setFont(font(8.5));
        for (const QStringList &row : content.rows) {
            x = 0;
            for (int c = 0; c < columns; ++c) {
                const QRectF cell(x, y, widths.at(c), rowHeight);
                p.drawRect(cell);
                drawCell(p, cell, row.value(c),
                         c == ResultsModel::Name ? Qt::AlignLeft : Qt::AlignHCenter);
                x += widths.at(c);
            }
            y += rowHeight;
        }
        y += 18;

        // Bar chart of the distance per athlete, in slot order.
        const QList<Bar> bars = distances(content);
        p.setFont(font(11, true));
        p.drawText(QRectF(0, y, width, 18), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("Distancia por deportista (m)"));
        y += 24;
        const qreal chartBottom = height - 60;
        const qreal chartHeight = chartBottom - y;
        p.setPen(QPen(Qt::black, 0.8));
        p.drawLine(QPointF(0, chartBottom), QPointF(width, chartBottom));
        if (!bars.isEmpty() && chartHeight > 40) {
            int most = 1;
            for (const auto &bar : bars)
                most = std::max(most, bar.metres);
            const qreal slotWidth = width / bars.size();
            const qreal barWidth = std::min(slotWidth * 0.7, qreal(36));
            for (int i = 0; i < bars.size(); ++i) {
                const qreal h = (chartHeight - 14) * bars.at(i).metres / most;
                const qreal left = i * slotWidth + (slotWidth - barWidth) / 2;
                const QRectF bar(left, chartBottom - h, barWidth, h);
                p.fillRect(bar, QColor(0xFF, 0x80, 0x00));
                p.setPen(QPen(QColor(0x80, 0x40, 0), 0.5));
                p.drawRect(bar);
                p.setPen(Qt::black);
                p.setFont(font(7.5, true));
                p.drawText(QRectF(i * slotWidth, chartBottom - h - 13, slotWidth, 12),
                           Qt::AlignCenter, QString::number(bars.at(i).metres));
                // Slot and code under the bar, then the name; turned when it does not fit the
                // bar's share of width.
                p.setFont(font(7, true));
                drawCell(p, QRectF(i * slotWidth, chartBottom + 2, slotWidth, 11), bars.at(i).label,
                         Qt::AlignHCenter);
                p.setFont(font(7));
                const QString &who = bars.at(i).name;
                if (QFontMetricsF(p.font()).horizontalAdvance(who) <= slotWidth - 4) {
                    p.drawText(QRectF(i * slotWidth, chartBottom + 13, slotWidth, 12),
                               Qt::AlignCenter, who);
                } else {
                    p.save();
                    p.translate(i * slotWidth + slotWidth / 2, chartBottom + 15);
                    p.rotate(30);
                    drawCell(p, QRectF(0, -6, 60, 12), who, Qt::AlignLeft);
                    p.restore();
                }
            }
        }
        if (!p.end())
            return false;
    }
    *pdf = buffer.data();
    return !pdf->isEmpty();
}

} // namespace Report

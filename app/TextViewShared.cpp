#include "TextViewShared.h"

#include <QFontMetrics>
#include <QMimeData>
#include <QPainter>

#include "DocumentText.h"
#include "TavimoreView.h"
#include "UiTexts.h"

namespace textview {

QMimeData* MakeMimeData(const QString& text)
{
    auto* mime = new QMimeData;
    mime->setText(doctext::StripVariants(text));
    mime->setData(kEditorTextFormat, text.toUtf8());
    return mime;
}

QString LineText(const char* format, int line)
{
    return QString::asprintf(format, line) + ui::kLineSuffix;
}

void PaintGutterGround(QPainter& painter, const QRect& area)
{
    painter.fillRect(area, QColor(200, 235, 235));
    painter.setRenderHint(QPainter::Antialiasing);
}

int BreakpointDiameter(const QFontMetrics& metrics)
{
    return qMax(6, metrics.height() - 5);
}

int GutterWidth(const QFontMetrics& metrics, const QString& largestNumber)
{
    return BreakpointDiameter(metrics) + metrics.horizontalAdvance(largestNumber) +
           metrics.horizontalAdvance(QLatin1Char('>')) + 12;
}

void PaintGutterRow(QPainter& painter, int width, int top, int height, const QString& number,
                    bool breakpoint)
{
    if (breakpoint) {
        const int disc = BreakpointDiameter(painter.fontMetrics());
        painter.setPen(Qt::NoPen);
        painter.setBrush(CTavimoreView::BreakpointColor());
        painter.drawEllipse(2, top + (height - disc) / 2, disc, disc);
        painter.setBrush(Qt::NoBrush);
    }
    painter.setPen(QColor(0, 0, 128));
    painter.drawText(0, top, width - 4, height, Qt::AlignRight, number);
}

} // namespace textview

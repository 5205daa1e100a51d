#include "ui/qt/preview_label.h"

#include <QFontMetricsF>
#include <QPainter>
#include <cmath>

#include "ui/preview_fit.h"

namespace ui::qt {
namespace {

QFont sized(const QFont& font, int pixelSize)
{
    QFont result(font);
    result.setPixelSize(pixelSize);
    return result;
}

} // namespace

void PreviewLabel::paintEvent(QPaintEvent*)
{
    const QString line = text();
    if (line.isEmpty())
        return;
    const QFont base = font();
    const int baseSize = base.pixelSize() > 0 ? base.pixelSize() : QFontInfo(base).pixelSize();
    const PreviewFit fit = fitPreviewLine(width(), baseSize, [&](int size, int percent) {
        const qreal natural = QFontMetricsF(sized(base, size)).horizontalAdvance(line);
        return static_cast<int>(std::ceil(natural * percent / 100));
    });

    QPainter painter(this);
    const QFont font = fit.size == baseSize ? base : sized(base, fit.size);
    painter.setFont(font);
    painter.setPen(palette().color(foregroundRole()));
    // Narrowed glyphs are drawn through a horizontal scale about the centre.
    const qreal scale = fit.widthPercent / 100.0;
    const qreal natural = QFontMetricsF(font).horizontalAdvance(line);
    painter.translate(width() / 2.0, 0);
    painter.scale(scale, 1);
    painter.drawText(QRectF(-natural / 2 - 1, 0, natural + 2, height()),
                     Qt::AlignCenter | Qt::TextSingleLine, line);
}

} // namespace ui::qt

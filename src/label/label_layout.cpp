#include "label/label_layout.h"

#include "label/qr_code.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QStringList>

namespace {
// The blank border a reader needs around the code, in modules.
constexpr int kQuietModules = 4;

void PaintQr(QPainter &painter, const QRectF &square, const QrMatrix &qr)
{
    painter.fillRect(square, Qt::white);
    if (qr.width == 0)
        return;
    const qreal module = square.width() / (qr.width + 2 * kQuietModules);
    const QPointF origin = square.topLeft() + QPointF(module * kQuietModules, module * kQuietModules);
    for (int y = 0; y < qr.width; ++y) {
        for (int x = 0; x < qr.width; ++x) {
            if (qr.isDark(x, y))
                // A hair wider than a module, so neighbours meet without seams in any renderer.
                painter.fillRect(QRectF(origin.x() + x * module, origin.y() + y * module, module * 1.02, module * 1.02),
                                 Qt::black);
        }
    }
}

// The largest pixel size (up to `maxSize`) at which every line fits `box`.
qreal FittingSize(const QFont &base, const QStringList &lines, const QSizeF &box, qreal maxSize,
                  QPaintDevice *device)
{
    qreal size = maxSize;
    for (int step = 0; step < 40 && size > 1; ++step, size *= 0.92) {
        QFont font = base;
        font.setPixelSize(qMax(1, int(size)));
        const QFontMetricsF metrics(font, device);
        qreal widest = 0;
        for (const QString &line : lines)
            widest = qMax(widest, metrics.horizontalAdvance(line));
        if (widest <= box.width() && metrics.lineSpacing() * lines.size() <= box.height())
            break;
    }
    return qMax(qreal(1), size);
}
} // namespace

QPageSize LabelPageSize()
{
    return QPageSize(QSizeF(50, 30), QPageSize::Millimeter, QStringLiteral("50x30mm"), QPageSize::ExactMatch);
}

void PaintLabel(QPainter &painter, const QRectF &area, const UnitLabel &label)
{
    painter.save();
    painter.fillRect(area, Qt::white);
    const qreal margin = area.height() * 0.05;
    const QRectF inner = area.adjusted(margin, margin, -margin, -margin);
    const qreal side = inner.height();
    PaintQr(painter, QRectF(inner.topLeft(), QSizeF(side, side)), EncodeQr(LabelPayload(label).toUtf8()));

    QStringList lines;
    for (const auto &value : label.values)
        lines << value.first + QLatin1Char('=') + value.second;
    if (!label.version.isEmpty())
        lines << label.version;
    lines << label.date.toString(QStringLiteral("yyyy-MM-dd"));
    const QRectF text(inner.left() + side + margin, inner.top(), inner.width() - side - margin, inner.height());
    QFont font = painter.font();
    font.setPixelSize(qMax(1, int(FittingSize(font, lines, text.size(), inner.height() / 5, painter.device()))));
    painter.setFont(font);
    painter.setPen(Qt::black);
    const QFontMetricsF metrics(font, painter.device());
    qreal y = text.top() + qMax(qreal(0), (text.height() - metrics.lineSpacing() * lines.size()) / 2);
    for (const QString &line : lines) {
        // The smallest size may still be too wide for a very long value: cut it visibly.
        const QString shown = metrics.elidedText(line, Qt::ElideRight, text.width());
        painter.drawText(QRectF(text.left(), y, text.width(), metrics.lineSpacing()), Qt::AlignLeft | Qt::AlignVCenter,
                         shown);
        y += metrics.lineSpacing();
    }
    painter.restore();
}

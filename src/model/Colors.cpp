#include "model/Colors.h"

#include <QPainter>

namespace {
bool isHexDigit(QChar c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}
} // namespace

std::optional<QString> normalizeHex(const QString& text) {
    QString s = text.trimmed();
    if (s.isEmpty())
        return std::nullopt;
    if (!s.startsWith(u'#'))
        s.prepend(u'#');
    if (s.size() != 7)
        return std::nullopt;
    for (qsizetype i = 1; i < s.size(); ++i) {
        if (!isHexDigit(s[i]))
            return std::nullopt;
    }
    return s.toLower();
}

std::optional<QColor> colorFromHex(const QString& text) {
    QString s = text.trimmed();
    if (s.startsWith(u'#'))
        s.remove(0, 1);
    if (s.size() != 6)
        return std::nullopt;
    for (QChar c : s) {
        if (!isHexDigit(c))
            return std::nullopt;
    }
    bool ok = false;
    const uint value = s.toUInt(&ok, 16);
    if (!ok)
        return std::nullopt;
    return QColor::fromRgb((value >> 16) & 0xff, (value >> 8) & 0xff, value & 0xff);
}

QImage colorSwatch(const QColor& color, int size, qreal devicePixelRatio) {
    const int pixels = qMax(1, qRound(size * devicePixelRatio));
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawEllipse(QRectF(0.5, 0.5, size - 1.0, size - 1.0));
    return image;
}

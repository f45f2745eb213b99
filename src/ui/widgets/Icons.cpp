#include "ui/widgets/Icons.h"

#include <QFile>
#include <QHash>
#include <QPainter>
#include <QSvgRenderer>

#include <cmath>
#include <memory>

static void initIconResources() {
    // The resources live in a static library; registering them explicitly
    // keeps the linker from dropping them.
    Q_INIT_RESOURCE(icons);
}

namespace {

QString resourcePath(const QString& name) {
    return QStringLiteral(":/icons/") + name + QStringLiteral(".svg");
}

QSvgRenderer* renderer(const QString& name) {
    static bool initialised = false;
    if (!initialised) {
        initIconResources();
        initialised = true;
    }
    static QHash<QString, std::shared_ptr<QSvgRenderer>> renderers;
    auto it = renderers.find(name);
    if (it == renderers.end()) {
        std::shared_ptr<QSvgRenderer> r;
        if (QFile::exists(resourcePath(name))) {
            r = std::make_shared<QSvgRenderer>(resourcePath(name));
            if (!r->isValid())
                r.reset();
        }
        it = renderers.insert(name, r);
    }
    return it->get();
}

} // namespace

bool Icons::exists(const QString& name) {
    return renderer(name) != nullptr;
}

QPixmap Icons::pixmap(const QString& name, int side, const QColor& tint, qreal devicePixelRatio) {
    const int pixels = qMax(1, int(std::ceil(side * devicePixelRatio)));
    const QString key =
        name + u'|' + QString::number(pixels) + u'|' + QString::number(tint.rgba(), 16);
    static QHash<QString, QPixmap> cache;
    if (const auto it = cache.constFind(key); it != cache.constEnd())
        return *it;

    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    if (QSvgRenderer* r = renderer(name)) {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        r->render(&p, QRectF(0, 0, pixels, pixels));
        // Keep the shape, replace its colour.
        p.setCompositionMode(QPainter::CompositionMode_SourceIn);
        p.fillRect(image.rect(), tint);
    }
    QPixmap pm = QPixmap::fromImage(image);
    pm.setDevicePixelRatio(devicePixelRatio);
    if (cache.size() > 512)
        cache.clear();
    cache.insert(key, pm);
    return pm;
}

QIcon Icons::icon(const QString& name, int side, const QColor& tint) {
    QIcon icon;
    icon.addPixmap(pixmap(name, side, tint, 1.0));
    icon.addPixmap(pixmap(name, side, tint, 2.0));
    return icon;
}

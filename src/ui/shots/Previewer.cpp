#include "ui/shots/Previewer.h"

#include "api/HttpCall.h"
#include "ui/shots/ThumbnailCache.h"
#include "ui/widgets/Style.h"

#include <QApplication>
#include <QBuffer>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QUuid>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

Previewer* g_shared = nullptr;

constexpr int padding = 10;
constexpr int screenMargin = 40;
constexpr QSize minimumWindow{240, 180};
constexpr QSize loadingWindow{480, 320};
constexpr int previewDownloadMs = 30000;

QByteArray png(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// A generated test picture: a coloured field with a white panel and its number.
QImage testImage(int number, double hue) {
    QImage image(240, 160, QImage::Format_RGB32);
    image.fill(QColor::fromHsvF(float(hue), 0.55f, 0.95f));
    QPainter painter(&image);
    painter.fillRect(QRect(80, 55, 80, 50), Qt::white);
    painter.setPen(Qt::black);
    painter.setFont(Style::font(24, Style::Weight::Semibold));
    painter.drawText(QRect(80, 55, 80, 50), Qt::AlignCenter, QString::number(number));
    return image;
}

QString rectText(const QRect& r) {
    auto n = [](int v) { return QString::number(double(v), 'f', 1); };
    return u"(%1, %2, %3, %4)"_s.arg(n(r.x()), n(r.y()), n(r.width()), n(r.height()));
}

} // namespace

Previewer::Previewer()
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowTitle(u"Preview"_s);
    setFocusPolicy(Qt::StrongFocus);
    resize(loadingWindow);
}

Previewer::~Previewer() = default;

Previewer& Previewer::shared() {
    if (!g_shared) {
        g_shared = new Previewer;
        // Post routines run first thing in the application's destructor,
        // while windows can still be destroyed.
        qAddPostRoutine(&Previewer::destroyShared);
    }
    return *g_shared;
}

void Previewer::destroyShared() {
    delete g_shared; // its temporary folder goes with it
    g_shared = nullptr;
}

Previewer* Previewer::existing() {
    return g_shared;
}

bool Previewer::isShowing() {
    return g_shared && g_shared->isVisible();
}

QString Previewer::stateText() {
    if (!g_shared)
        return u"no panel"_s;
    const Previewer& p = *g_shared;
    return u"visible=%1 key=%2 level=%3 index=%4 frame=%5"_s.arg(
        p.isVisible() ? u"true"_s : u"false"_s, p.isActiveWindow() ? u"true"_s : u"false"_s,
        QString::number(level), QString::number(p.m_index), rectText(p.frameGeometry()));
}

int Previewer::clampIndex(int index, int count) {
    if (count <= 0)
        return 0;
    return std::clamp(index, 0, count - 1);
}

QSize Previewer::windowSize(const QSize& picture, const QSize& available) {
    const QSize room =
        (available - QSize(2 * (screenMargin + padding), 2 * (screenMargin + padding)))
            .expandedTo(QSize(1, 1));
    QSize shown = picture.isEmpty() ? loadingWindow : picture;
    if (shown.width() > room.width() || shown.height() > room.height())
        shown.scale(room, Qt::KeepAspectRatio);
    return (shown + QSize(2 * padding, 2 * padding)).expandedTo(minimumWindow);
}

QString Previewer::temporaryFolder() {
    if (!m_temp)
        m_temp = std::make_unique<QTemporaryDir>(QDir::tempPath() + u"/zevra-preview-XXXXXX"_s);
    return m_temp->isValid() ? m_temp->path() : QDir::tempPath();
}

QUrl Previewer::writeTemporary(const QByteArray& data) {
    const QString path =
        temporaryFolder() + u'/' + QUuid::createUuid().toString(QUuid::WithoutBraces) + u".png"_s;
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(data);
    return QUrl::fromLocalFile(path);
}

void Previewer::warmUp() {
    if (m_warm)
        return;
    m_warm = true;
    // The window exists from now on (hidden), and the picture reader has read
    // one picture from the temporary folder, so the first preview opens at once.
    winId();
    QImage black(8, 8, QImage::Format_RGB32);
    black.fill(Qt::black);
    const QUrl url = writeTemporary(png(black));
    QImageReader(url.toLocalFile()).read();
}

void Previewer::preview(const QList<QUrl>& urls, int startAt) {
    if (urls.isEmpty())
        return;
    m_items = urls;
    m_index = clampIndex(startAt, int(urls.size()));
    if (!isVisible()) {
        QWidget* active = QApplication::activeWindow();
        m_returnFocus = active != this ? active : nullptr;
    }
    showCurrent();
    show();
    raise();
    activateWindow();
    // Coming forward may put it back among the other top windows: again.
    raise();
}

void Previewer::showNext() {
    if (m_index + 1 < m_items.size()) {
        ++m_index;
        showCurrent();
    }
}

void Previewer::showPrevious() {
    if (m_index > 0) {
        --m_index;
        showCurrent();
    }
}

void Previewer::closePreview(bool returnFocus) {
    if (!isVisible())
        return;
    // Focus goes back first: for a moment without a focused window the
    // application would count as left, and the panel would close.
    if (returnFocus && m_returnFocus && m_returnFocus->isVisible())
        m_returnFocus->activateWindow();
    hide();
    ++m_load; // a download under way no longer matters
}

void Previewer::showCurrent() {
    const int load = ++m_load;
    setAccessibleName(u"Picture %1 of %2"_s.arg(m_index + 1).arg(m_items.size()));
    m_image = QImage();
    m_message.clear();
    const QUrl url = m_items.value(m_index);
    if (url.isEmpty()) {
        m_message = u"No picture"_s;
    } else if (url.isLocalFile()) {
        m_image = QImage(url.toLocalFile());
        if (m_image.isNull())
            m_message = u"The picture cannot be read."_s;
    } else {
        // A smaller copy, when a tile has one, stands in while the picture loads.
        if (const std::optional<QImage> thumb = ThumbnailCache::cached(url))
            m_image = *thumb;
        else
            m_message = u"Loading…"_s;
        HttpCall call;
        call.url = url;
        call.timeoutMs = previewDownloadMs;
        call.send(this, [this, load](const HttpReply& reply) {
            if (load != m_load)
                return;
            const QImage image = reply.isTransportFailure() || reply.isHttpFailure()
                                     ? QImage()
                                     : QImage::fromData(reply.body);
            if (!image.isNull()) {
                m_image = image;
                m_message.clear();
            } else if (m_image.isNull()) {
                m_message = u"The picture could not be loaded."_s;
            }
            fitWindow();
            update();
        });
    }
    fitWindow();
    update();
}

void Previewer::fitWindow() {
    QScreen* screen = nullptr;
    if (m_returnFocus)
        screen = m_returnFocus->screen();
    if (!screen)
        screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QSize size = windowSize(m_image.size(), area.size());
    QRect frame(QPoint(), size);
    frame.moveCenter(area.center());
    setGeometry(frame);
}

int Previewer::edgeWidth() const {
    return std::max(48, width() / 4);
}

void Previewer::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
        showPrevious();
        break;
    case Qt::Key_Right:
    case Qt::Key_Down:
        showNext();
        break;
    case Qt::Key_Escape:
    case Qt::Key_Space:
        closePreview();
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void Previewer::mousePressEvent(QMouseEvent* event) {
    const int x = int(event->position().x());
    if (x < edgeWidth())
        showPrevious();
    else if (x >= width() - edgeWidth())
        showNext();
    event->accept();
}

void Previewer::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(QPen(QColor(255, 255, 255, 40), 1));
    p.setBrush(QColor(24, 24, 26, 240));
    p.drawRoundedRect(frame, 12, 12);

    const QRectF inner = QRectF(rect()).adjusted(padding, padding, -padding, -padding);
    if (!m_image.isNull()) {
        QSizeF fitted = m_image.size().toSizeF();
        fitted.scale(inner.size(), Qt::KeepAspectRatio);
        if (fitted.width() > m_image.width())
            fitted = m_image.size().toSizeF(); // a placeholder is not blown up
        QRectF target(QPointF(), fitted);
        target.moveCenter(inner.center());
        QPainterPath clip;
        clip.addRoundedRect(target, 6, 6);
        p.save();
        p.setClipPath(clip);
        p.drawImage(target, m_image);
        p.restore();
    }
    p.setFont(Style::font(13, Style::Weight::Medium));
    if (!m_message.isEmpty()) {
        p.setPen(QColor(230, 230, 235));
        p.drawText(inner, Qt::AlignCenter | Qt::TextWordWrap, m_message);
    }

    // Where a click moves on, and which picture of how many this is.
    auto badge = [&p](const QRectF& r, const QString& text) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 150));
        p.drawRoundedRect(r, r.height() / 2, r.height() / 2);
        p.setPen(Qt::white);
        p.drawText(r, Qt::AlignCenter, text);
    };
    const double middle = height() / 2.0;
    if (m_index > 0)
        badge(QRectF(padding + 6, middle - 14, 28, 28), u"‹"_s);
    if (m_index + 1 < m_items.size())
        badge(QRectF(width() - padding - 34, middle - 14, 28, 28), u"›"_s);
    if (m_items.size() > 1) {
        const QString count = u"%1 / %2"_s.arg(m_index + 1).arg(m_items.size());
        badge(QRectF(width() / 2.0 - 32, height() - padding - 30, 64, 22), count);
    }
}

void Previewer::runTest(QObject* context, std::function<void(const QString&)> report) {
    QPointer<QObject> guard(context);
    QTimer::singleShot(600, context, [guard, report = std::move(report)] {
        Previewer& previewer = shared();
        QList<QUrl> urls;
        const double hues[] = {0.05, 0.55, 0.3};
        for (int i = 0; i < 3; ++i)
            urls.append(previewer.writeTemporary(png(testImage(i + 1, hues[i]))));
        previewer.preview(urls, 0);
        if (guard)
            QTimer::singleShot(2000, guard.data(), [report] { report(stateText()); });
    });
}

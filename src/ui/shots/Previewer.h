#pragma once

#include <QImage>
#include <QList>
#include <QPointer>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <memory>

class QTemporaryDir;

// The picture previewer: one shared frameless window above the panel and the
// details card that shows one picture of a list large, in a window sized to
// the picture and the screen. Left and Right (or a click near its left or
// right edge) move between the pictures; Escape or a click outside closes it.
// Items are file or web addresses; an empty address shows "No picture".
// Pictures that exist only in memory are previewed from copies in a temporary
// folder that goes away when the application quits. Main thread only.
class Previewer : public QWidget {
    Q_OBJECT
public:
    // The stacking level it reports: one above the panel's 101. Qt has no
    // window levels; the previewer stays on top and is raised above the
    // panel and the card whenever it opens.
    static constexpr int level = 102;

    // Created on first use, destroyed with the application.
    static Previewer& shared();
    // The shared previewer if it exists, without creating it.
    static Previewer* existing();
    static bool isShowing();
    // "no panel" before the previewer exists, otherwise its visibility, focus,
    // level, current item and frame.
    static QString stateText();

    // An index within 0 … count - 1 (0 for an empty list).
    static int clampIndex(int index, int count);
    // The window for a picture: the picture scaled down (never up) to fit the
    // available area less a margin, plus the frame, at least a small minimum.
    static QSize windowSize(const QSize& picture, const QSize& available);

    // Shows `urls` from item `startAt` (clamped) on; an empty list does nothing.
    void preview(const QList<QUrl>& urls, int startAt);
    // Creates the window hidden and loads the picture machinery, once.
    void warmUp();
    bool isWarm() const { return m_warm; }
    void showNext();
    void showPrevious();
    // Hides the window; focus goes back to the window it came from, unless
    // that window is closing too.
    void closePreview(bool returnFocus = true);

    const QList<QUrl>& items() const { return m_items; }
    int currentIndex() const { return m_index; }
    const QImage& currentImage() const { return m_image; }

    // Writes picture bytes to a new file in the temporary folder and gives
    // its address (also when the write failed: the preview then says so).
    QUrl writeTemporary(const QByteArray& data);

    // The preview test: 0.6 s from now, previews a few generated pictures;
    // 2.0 s later hands the state text to `report`.
    static void runTest(QObject* context, std::function<void(const QString&)> report);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    Previewer();
    ~Previewer() override;
    static void destroyShared();

    void showCurrent();
    void fitWindow();
    QString temporaryFolder();
    int edgeWidth() const;

    QList<QUrl> m_items;
    int m_index = 0;
    QImage m_image;
    QString m_message;
    int m_load = 0;
    bool m_warm = false;
    std::unique_ptr<QTemporaryDir> m_temp;
    QPointer<QWidget> m_returnFocus;
};

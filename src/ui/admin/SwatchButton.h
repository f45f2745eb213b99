#pragma once

#include <QAbstractButton>

// A round colour button of the client palette: grey when its colour cannot
// be read, with a 2 px ring in the label colour while marked.
class SwatchButton : public QAbstractButton {
    Q_OBJECT
public:
    SwatchButton(const QString& hex, int size, QWidget* parent = nullptr);

    QString hex() const { return m_hex; }
    void setHex(const QString& hex);
    bool marked() const { return m_marked; }
    void setMarked(bool marked);

    QSize sizeHint() const override { return QSize(m_size, m_size); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_hex;
    int m_size;
    bool m_marked = false;
};

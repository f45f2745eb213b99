#pragma once

#include <QWidget>

class QLineEdit;
class QVBoxLayout;
class TextButton;

// The frame the client and people overlays share: a dimmed backdrop over the
// whole host and a centred 300 px card whose column the overlay fills.
class AdminOverlay : public QWidget {
    Q_OBJECT
public:
    explicit AdminOverlay(QWidget* parent = nullptr);

protected:
    // The card's column: 10 px apart, every item as wide as the card allows.
    QVBoxLayout* column() const { return m_column; }
    QWidget* card() const { return m_card; }

    // Pieces the overlays have in common.
    QLineEdit* field(const QString& placeholder, double pixels, const QString& name);
    TextButton* primaryButton(const QString& text, const QString& name);
    TextButton* plainButton(const QString& text, const QString& name);
    // A borderless list `height` px high, scrolling vertically; gives the
    // column its rows go into (3 px apart, 4 px inside the edges).
    QVBoxLayout* scrollList(int height);
    // Removes every row of such a list.
    static void clearRows(QVBoxLayout* rows);

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QWidget* m_card;
    QVBoxLayout* m_column;
};

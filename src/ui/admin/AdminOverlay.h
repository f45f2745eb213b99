#pragma once

#include <QPointer>
#include <QWidget>

class QLineEdit;
class QVBoxLayout;
class TextButton;

// The frame the client and people overlays share: a dimmed backdrop over the
// whole host and a centred 300 px card whose column the overlay fills. While
// it is open it has the keyboard: Tab goes round its own fields only, and
// what it covers gets no keys.
class AdminOverlay : public QWidget {
    Q_OBJECT
public:
    explicit AdminOverlay(QWidget* parent = nullptr);

    // Takes the keyboard: its first text field, else the overlay itself.
    // Remembers where the focus was.
    void takeFocus();
    // Gives the focus back to where it was when the overlay took it.
    void giveBackFocus();

protected:
    // The width of a row in a scrolling list of the card.
    static constexpr int listWidth = 300 - 2 * 18 - 2 * 4;
    // The card's column: 10 px apart, every item as wide as the card allows.
    QVBoxLayout* column() const { return m_column; }
    QWidget* card() const { return m_card; }

    // Pieces the overlays have in common.
    QLineEdit* field(const QString& placeholder, double pixels, const QString& name);
    TextButton* primaryButton(const QString& text, const QString& name);
    TextButton* plainButton(const QString& text, const QString& name);
    // A small button of a list row.
    static TextButton* smallButton(const QString& text, const QString& name, QWidget* parent);
    // A borderless list `height` px high, scrolling vertically; gives the
    // column its rows go into (3 px apart, 4 px inside the edges).
    QVBoxLayout* scrollList(int height);
    // Removes every row of such a list.
    static void clearRows(QVBoxLayout* rows);

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    // The widgets inside the overlay that Tab stops at, in order.
    QList<QWidget*> tabStops() const;

    QPointer<QWidget> m_focusBefore;
    QWidget* m_card;
    QVBoxLayout* m_column;
};

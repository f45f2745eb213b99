#pragma once

#include "model/Suggestion.h"

#include <QWidget>

#include <functional>

class HighlightLabel;
class LayerView;
class TextLabel;

// One earlier description offered while typing: the text with the typed part
// highlighted, then the client's dot and name.
class SuggestionRow : public QWidget {
    Q_OBJECT
public:
    SuggestionRow(const Suggestion& suggestion, const QString& query, QWidget* parent = nullptr);

    HighlightLabel* descriptionLabel() const { return m_description; }
    TextLabel* clientLabel() const { return m_client; }
    bool isHighlighted() const;

    std::function<void()> onClick;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    LayerView* m_hover;
    HighlightLabel* m_description;
    TextLabel* m_client;
};

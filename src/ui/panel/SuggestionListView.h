#pragma once

#include "model/Suggestion.h"

#include <QList>
#include <QWidget>

#include <functional>

class QVBoxLayout;
class SuggestionRow;
class TextLabel;

// The list of earlier descriptions that floats under the composer while the
// person types. It only reports which row was picked.
class SuggestionListView : public QWidget {
    Q_OBJECT
public:
    explicit SuggestionListView(QWidget* parent = nullptr);

    using QWidget::show;

    // Replaces the rows; hides the list when there are none, shows it otherwise.
    void show(const QList<Suggestion>& suggestions, const QString& query);

    QList<SuggestionRow*> rows() const { return m_rows; }
    QString headerText() const;
    QVBoxLayout* stack() const { return m_stack; }

    std::function<void(int)> onPick;

private:
    void clear();

    QVBoxLayout* m_stack;
    TextLabel* m_header = nullptr;
    QList<QWidget*> m_items;
    QList<SuggestionRow*> m_rows;
};

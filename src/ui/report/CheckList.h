#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QWidget>

class QCheckBox;
class QVBoxLayout;

// A scrolling list of check boxes, one per item (a server id and a name), or
// one centred note when there are no items.
class CheckList : public QWidget {
    Q_OBJECT
public:
    using Item = QPair<qint64, QString>;

    explicit CheckList(QWidget* parent = nullptr);

    // Replaces every row; the new boxes start unchecked.
    void setItems(const QList<Item>& items, const QString& emptyText);
    // Ids of the checked boxes, in list order.
    QList<qint64> selectedIds() const;
    QList<qint64> allIds() const;
    // Checks exactly the boxes whose id is in `ids`.
    void select(const QList<qint64>& ids);

private:
    QVBoxLayout* m_stack;
    QList<QPair<qint64, QCheckBox*>> m_boxes;
};

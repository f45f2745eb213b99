#pragma once

#include <QStringList>

class QWidget;

// What the panel controller needs of every row of the entry list.
class ListRow {
public:
    virtual ~ListRow() = default;

    // The ids of the entries the row stands for.
    virtual QStringList entryIds() const = 0;
    virtual bool showsSeparator() const = 0;
    virtual void setShowsSeparator(bool shows) = 0;
    virtual void setHovered(bool hovered) = 0;
    virtual bool isHovered() const = 0;
    virtual QWidget* widget() = 0;
    // The width of the duration column, the same in every row of the list
    // (at least minimumDurationWidth); the row lays itself out again.
    void setDurationWidth(int width);
    static constexpr int minimumDurationWidth = 62;

protected:
    // Measures every row of the list shares.
    static constexpr int insetTop = 9;
    static constexpr int insetLeft = 12;
    static constexpr int insetRight = 8;
    static constexpr int gap = 8;

    int m_durationWidth = minimumDurationWidth;
};

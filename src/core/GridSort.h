#pragma once

#include <QString>

// The sort on a column title click that the record list and the query result
// list share. One direction toggle serves all columns: the first click after
// the grid is built sorts descending, and every further click, on any column,
// reverses the direction. The clicked title gets the arrow of its direction and
// turns lime; the column sorted before loses its arrow and its colour.
class GridSortState {
public:
    static constexpr QChar kUp = QChar(0x25B2);    // ▲
    static constexpr QChar kDown = QChar(0x25BC);  // ▼

    // What one click changes.
    struct Click {
        QString order;              // for the result set: field + " ASC" or " DESC"
        QString title;              // the clicked column's new title
        bool recolour = false;      // the clicked title turns lime
        int previousColumn = -1;    // a column that loses its arrow and colour, or -1
        QString previousTitle;      // its title without the arrow
    };

    // After the grid is built: toggle 1, no column sorted.
    void reset();
    // A column the list is already in the order of, shown with the ascending arrow;
    // the toggle stays, so the next click sorts descending.
    void markSorted(int column) { lastColumn_ = column; }
    // A click on `column`, whose list field is `field` and current title `title`;
    // `previousTitleNow` is the current title of the column sorted last, if any.
    Click click(int column, const QString& field, const QString& title, bool titleIsLime,
                const QString& previousTitleNow = {});
    int lastColumn() const { return lastColumn_; }

    // A title without a trailing arrow.
    static QString withoutArrow(const QString& title);

private:
    int toggle_ = 1;
    int lastColumn_ = -1;
};

#include "core/GridSort.h"

void GridSortState::reset() {
    toggle_ = 1;
    lastColumn_ = -1;
}

QString GridSortState::withoutArrow(const QString& title) {
    return title.contains(kUp) || title.contains(kDown) ? title.chopped(1) : title;
}

GridSortState::Click GridSortState::click(int column, const QString& field, const QString& title, bool titleIsLime,
                                          const QString& previousTitleNow) {
    Click result;
    const bool ascending = toggle_ != 1;
    toggle_ = ascending ? 1 : 2;
    result.order = field + (ascending ? QStringLiteral(" ASC") : QStringLiteral(" DESC"));
    result.title = withoutArrow(title) + (ascending ? kUp : kDown);
    if (titleIsLime) return result;
    result.recolour = true;
    if (lastColumn_ >= 0 && lastColumn_ != column) {
        result.previousColumn = lastColumn_;
        result.previousTitle = withoutArrow(previousTitleNow);
    }
    lastColumn_ = column;
    return result;
}

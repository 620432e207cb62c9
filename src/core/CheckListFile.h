#pragma once

#include <QString>
#include <vector>

// A check list kept in a text file of the program folder (the tables of the
// summary and of the record list export): one GB18030 line per item, either
// "&" + enabled digit (1 or 0) + blank + state digit (0 not ticked, 1 ticked,
// 2 greyed) + blank + the item's text, or the text alone (enabled, not ticked).
struct CheckListLine {
    QString text;
    bool enabled = true;
    int check = 0;
};

// The items of the file at `path`; empty when it cannot be read.
std::vector<CheckListLine> readCheckListFile(const QString& path);

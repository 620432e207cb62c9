#pragma once

#include <QList>
#include <QString>
#include <vector>

// The check list of the summary dialog: the cover and the 23 tables under the
// bands of the survey form's tables. A band's text begins with "//"; it cannot
// be ticked. The tables, counted in list order from 1, are the sheet numbers
// of the summary workbook.
struct SumTableItem {
    QString text;
    int check = 0;  // 0 not ticked, 1 ticked, 2 greyed
    bool isBand() const { return text.startsWith(QLatin1String("//")); }
};

// The list as the program ships it, nothing ticked.
std::vector<SumTableItem> shippedSumTableList();

// "sumtable.qv" in the program folder, where the ticks are kept between uses.
QString sumTableFileName();

// Reads the list from `path`: GB18030 lines "&<enabled> <check> <text> ", any
// other line an item with that text, not ticked. A missing or unreadable file,
// or one that does not list the 24 sheets, gives the shipped list.
std::vector<SumTableItem> readSumTableList(const QString& path);
// Writes the list to `path` in the same form, lines ended by CR LF. Returns
// false when the file cannot be written.
bool writeSumTableList(const QString& path, const std::vector<SumTableItem>& items);

// Ticks every table below the band at `index`, up to the next band; nothing
// for an item that is not a band.
void tickBand(std::vector<SumTableItem>& items, int index);
// The sheet numbers (1 to 24) of the ticked tables.
QList<int> chosenSheets(const std::vector<SumTableItem>& items);

#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <vector>

// A table read from a CSV file: UTF-8, first line the column names, fields
// quoted with double quotes where needed (inner quotes doubled). An empty
// unquoted field is NULL; a quoted empty field is an empty text.
struct CsvTable {
    QStringList columns;
    std::vector<QVariantList> rows;
};

// Raises std::runtime_error naming the file and line of a malformed field.
CsvTable readCsv(const QString& path);

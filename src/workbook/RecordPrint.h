#pragma once

#include <QString>

namespace db {
class Connection;
}

// The print template in the program folder: worksheet n holds printed page n
// of the survey form.
inline QString printTemplateName() { return QStringLiteral("2019打印表.xltx"); }

// Prints one survey return. Fills a copy of the print template with the
// values of the record whose c901 is `code` (from view_data of `connection`): each printed field's value goes into the cell that its
// DT_FieldList.printplace names on worksheet printPageID; texts stay texts
// (leading zeros kept), numbers stay numbers, an empty value leaves an empty
// cell. The progress window steps once per page. The filled workbook is saved
// into the user's documents folder as "2019打印表-<code>.xlsx" ("…(2).xlsx"
// and so on when that name is taken; no file is ever overwritten) and handed
// to the desktop's default application, where the user prints it.
//
// Returns the saved file's path. On failure returns an empty text, having
// shown the system's message, and writes nothing: a missing or unreadable
// template gives "打开汇总模版文件时发生错误，可能是没有安装MS Office或wps Office中的Excel".
QString PrintRecord(db::Connection& connection, qint64 code);

#pragma once

#include <QIcon>

// The pictures of the group bar's commands, drawn by the program itself.
enum class CommandPicture {
    Add, Modify, Delete, Check, Search, Sum, Group, ExportList, Print,
    Import, Backup, ReportOffline, ReportOnline, Compress, Options, Columns
};

QIcon commandIcon(CommandPicture picture);

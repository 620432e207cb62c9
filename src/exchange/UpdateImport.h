#pragma once

#include "core/Outcome.h"
#include "exchange/UpdateComparison.h"

#include <QList>
#include <QStringList>

class WorkingDatabase;

// "更新导入": the files of offices that send their returns again after a
// review. The files are read and checked, and their labels confirmed, as by
// "数据导入". Every incoming record whose code exists is compared field by
// field with the stored one; the comparison "数据导入对照.txt" lists the
// records that differ and is opened for reading. After one question and the
// automatic backup the new records are added and the differing ones replaced
// whole (their RecordState included), for all files in one transaction.

// Updates from the files at `chosen`. Without `apply` only compares (no
// question, backup or change): the companion's dry run. `compared`, when
// given, receives what each file came to, in the order chosen.
//
// Done (with the comparison) when every file was taken; Refused when a file
// was not; Declined when the user said no; Failed when nothing could be done.
Outcome UpdateImportFilesAt(WorkingDatabase& working, const QStringList& chosen, bool apply,
                            QList<FileComparison>* compared = nullptr);

// The command: the open dialog of "数据导入", then the update above.
void UpdateImportFiles(WorkingDatabase& working);

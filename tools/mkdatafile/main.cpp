// Builds the system data file and the exchange template from the readable
// sources of the data folder:
//
//   mkdatafile <data folder> <system data file> <exchange template>
//
// schema.sql creates the fixed tables and views; every CSV file fills the table
// named beside it below; the record tables and views are made from the field
// metadata. Both files are written to temporary names and renamed when
// complete, so an interrupted build never leaves a half-made file.

#include "Csv.h"

#include "db/Connection.h"
#include "db/EncryptedImage.h"
#include "db/Statement.h"
#include "core/ExchangePassword.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>

namespace {

struct TableSource {
    const char* file;
    const char* table;
};

constexpr TableSource kTables[] = {
    {"fieldlist.csv", "DT_FieldList"},  {"logic.csv", "dt_logic"},         {"levelcode.csv", "CT_LevelCode"},
    {"state.csv", "CT_state"},          {"cityname.csv", "CT_CityName"},    {"sheetname.csv", "ct_sheetName"},
};

QString readText(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) throw std::runtime_error(("cannot read " + path).toStdString());
    return QString::fromUtf8(file.readAll());
}

void fillTable(db::Connection& connection, const QString& table, const CsvTable& csv) {
    QStringList columns;
    for (const QString& c : csv.columns) columns << db::quoteIdentifier(c);
    const QString sql = QStringLiteral("INSERT INTO %1(%2) VALUES(%3)")
                            .arg(db::quoteIdentifier(table), columns.join(QLatin1Char(',')),
                                 QStringList(columns.size(), QStringLiteral("?")).join(QLatin1Char(',')));
    for (const QVariantList& row : csv.rows) connection.execute(sql, row);
}

struct RecordField {
    QString name;
    QString showName;
    int queryType;
};

// The record columns in the order of the metadata IDs: cover fields, the
// record state, then the indicators.
std::vector<RecordField> recordFields(db::Connection& connection) {
    std::vector<RecordField> fields;
    db::Statement rows(connection, QStringLiteral("SELECT FieldName, ShowName, QueryType FROM DT_FieldList ORDER BY ID"));
    while (rows.next()) fields.push_back({rows.text(0), rows.text(1), int(rows.integer(2))});
    return fields;
}

QString recordTableDdl(const QString& table, const std::vector<RecordField>& fields, bool keyed) {
    QStringList columns;
    for (const RecordField& f : fields) {
        QString type = f.queryType == 1 ? QStringLiteral("TEXT") : f.queryType == 2 ? QStringLiteral("REAL")
                                                                                      : QStringLiteral("INTEGER");
        if (f.name == QLatin1String("c901") && keyed) type = QStringLiteral("INTEGER PRIMARY KEY");
        if (f.name == QLatin1String("RecordState")) type += QStringLiteral(" NOT NULL DEFAULT 0");
        columns << db::quoteIdentifier(f.name) + QLatin1Char(' ') + type;
    }
    return QStringLiteral("CREATE TABLE %1 (\n    %2\n)").arg(table, columns.join(QStringLiteral(",\n    ")));
}

QString recordViewDdl(const QString& view, const std::vector<RecordField>& fields, bool showNames) {
    QStringList columns;
    for (const RecordField& f : fields)
        columns << db::quoteIdentifier(f.name) + QStringLiteral(" AS ")
                       + db::quoteIdentifier(showNames ? f.showName : f.name);
    return QStringLiteral("CREATE VIEW %1 AS SELECT %2 FROM dt_data").arg(view, columns.join(QStringLiteral(", ")));
}

void buildSystemDataFile(const QString& dataFolder, const QString& path) {
    QFile::remove(path);
    db::Connection::createEmpty(path);
    db::Connection connection;
    connection.open(path);
    db::Transaction transaction(connection);
    connection.executeScript(readText(dataFolder + QStringLiteral("/schema.sql")));
    for (const TableSource& source : kTables)
        fillTable(connection, QLatin1String(source.table), readCsv(dataFolder + QLatin1Char('/') + QLatin1String(source.file)));
    const std::vector<RecordField> fields = recordFields(connection);
    connection.execute(recordTableDdl(QStringLiteral("dt_data"), fields, true));
    connection.execute(recordTableDdl(QStringLiteral("dt_data_dt_data"), fields, false));
    connection.execute(recordViewDdl(QStringLiteral("view_data_all"), fields, true));
    connection.execute(recordViewDdl(QStringLiteral("view_data"), fields, false));
    transaction.commit();
    connection.execute(QStringLiteral("VACUUM"));
    connection.close();
}

// The exchange template: the record table of the working layout and a label
// row, sealed with the exchange password.
void buildExchangeTemplate(const QString& systemDataFile, const QString& path) {
    QFile::remove(path);
    db::Connection::createEmpty(path);
    db::Connection connection;
    connection.open(path);
    connection.attach(systemDataFile, QStringLiteral("source"), {}, true);
    db::Transaction transaction(connection);
    const QString recordTable = connection.scalar(QStringLiteral(
        "SELECT sql FROM source.sqlite_schema WHERE type='table' AND name='dt_data'")).toString();
    connection.execute(recordTable);
    connection.execute(QStringLiteral("CREATE TABLE ct_label (db_name TEXT)"));
    connection.execute(QStringLiteral("INSERT INTO ct_label(db_name) VALUES ('')"));
    transaction.commit();
    connection.detach(QStringLiteral("source"));
    connection.execute(QStringLiteral("VACUUM"));
    connection.close();
    db::sealed::addPassword(path, DeriveExchangePassword());
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: mkdatafile <data folder> <system data file> <exchange template>\n");
        return 2;
    }
    const QString dataFolder = QString::fromLocal8Bit(argv[1]);
    const QString systemDataFile = QString::fromLocal8Bit(argv[2]);
    const QString exchangeTemplate = QString::fromLocal8Bit(argv[3]);
    const QString systemPart = systemDataFile + QStringLiteral(".part");
    const QString templatePart = exchangeTemplate + QStringLiteral(".part");
    try {
        buildSystemDataFile(dataFolder, systemPart);
        buildExchangeTemplate(systemPart, templatePart);
        QFile::remove(systemDataFile);
        QFile::remove(exchangeTemplate);
        if (!QFile::rename(systemPart, systemDataFile) || !QFile::rename(templatePart, exchangeTemplate))
            throw std::runtime_error("cannot move the finished files into place");
    } catch (const std::exception& e) {
        QFile::remove(systemPart);
        QFile::remove(templatePart);
        std::fprintf(stderr, "mkdatafile: %s\n", e.what());
        return 1;
    }
    return 0;
}

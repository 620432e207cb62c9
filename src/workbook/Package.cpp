#include "workbook/Package.h"
#include "db/Error.h"

#include "workbook/Error.h"

#include "db/NewFile.h"

#include <QFile>
#include <QFileInfo>
#include <zip.h>

#include <algorithm>
#include <memory>

namespace workbook {
namespace {

// A workbook that unpacks to more than this is no template of ours (those
// unpack to a few megabytes): refusing it keeps a damaged or hostile file, a
// small archive that inflates a thousandfold, from exhausting the memory.
// The parsed XML of a part takes several times its size again.
constexpr zip_uint64_t kMaxUnpackedSize = zip_uint64_t(32) << 20;

// Deflate at a low level: workbook XML is repetitive and packs well anyway,
// and the default level doubles the time it takes to save a large sheet.
constexpr zip_uint32_t kCompressionLevel = 1;

// The cause of a failed archive operation in the clerk's words: the system's
// cause where there is one, otherwise what the archive library found.
QString zipMessage(zip_error_t* error) {
    if (zip_error_system_type(error) == ZIP_ET_SYS) return db::systemErrorText(zip_error_code_system(error));
    switch (zip_error_code_zip(error)) {
    case ZIP_ER_MEMORY: return QStringLiteral("内存不足");
    case ZIP_ER_NOZIP:
    case ZIP_ER_INCONS:
    case ZIP_ER_CRC:
    case ZIP_ER_COMPNOTSUPP:
    case ZIP_ER_EOF: return QStringLiteral("不是工作簿文件或文件已损坏");
    case ZIP_ER_NOENT: return QStringLiteral("文件或文件夹不存在");
    case ZIP_ER_OPEN:
    case ZIP_ER_READ: return QStringLiteral("文件读取错误");
    case ZIP_ER_WRITE: return QStringLiteral("文件写入错误");
    default: return QStringLiteral("工作簿文件处理错误（错误号%1）").arg(zip_error_code_zip(error));
    }
}

QString zipMessage(zip_t* archive) { return zipMessage(zip_get_error(archive)); }

Error unreadable(const QString& path, const QString& reason) {
    return Error(QStringLiteral("无法读取工作簿文件“%1”：%2").arg(QFileInfo(path).fileName(), reason));
}

} // namespace

Package Package::read(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) throw unreadable(path, db::lastFileErrorText());
    if (zip_uint64_t(file.size()) > kMaxUnpackedSize) throw unreadable(path, QStringLiteral("文件过大"));
    const QByteArray bytes = file.readAll();

    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.constData(), zip_uint64_t(bytes.size()), 0, &error);
    zip_t* archive = source ? zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error) : nullptr;
    if (!archive) {
        const QString reason = zipMessage(&error);
        if (source) zip_source_free(source);
        zip_error_fini(&error);
        throw unreadable(path, reason);
    }
    zip_error_fini(&error);

    Package package;
    zip_uint64_t unpacked = 0;
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    try {
        for (zip_int64_t i = 0; i < count; ++i) {
            zip_stat_t stat;
            if (zip_stat_index(archive, zip_uint64_t(i), 0, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE))
                throw unreadable(path, zipMessage(archive));
            unpacked += stat.size;
            if (unpacked > kMaxUnpackedSize) throw unreadable(path, QStringLiteral("文件过大"));
            std::string name = stat.name;
            if (name.empty() || name.back() == '/') continue;  // a folder entry
            std::string data(stat.size, '\0');
            zip_file_t* entry = zip_fopen_index(archive, zip_uint64_t(i), 0);
            const zip_int64_t got = entry ? zip_fread(entry, data.data(), stat.size) : -1;
            if (entry) zip_fclose(entry);
            if (got < 0 || zip_uint64_t(got) != stat.size)
                throw unreadable(path, zipMessage(archive));
            package.parts_.emplace_back(std::move(name), std::move(data));
        }
    } catch (...) {
        zip_discard(archive);
        throw;
    }
    zip_discard(archive);
    return package;
}

bool Package::contains(const std::string& name) const {
    return std::any_of(parts_.begin(), parts_.end(), [&](const auto& p) { return p.first == name; });
}

const std::string& Package::part(const std::string& name) const {
    static const std::string none;
    for (const auto& p : parts_)
        if (p.first == name) return p.second;
    return none;
}

void Package::setPart(const std::string& name, std::string bytes) {
    for (auto& p : parts_)
        if (p.first == name) {
            p.second = std::move(bytes);
            return;
        }
    parts_.emplace_back(name, std::move(bytes));
}

void Package::setPartFile(const std::string& name, const QString& file) {
    removePart(name);
    fileParts_.emplace_back(name, file);
}

void Package::removePart(const std::string& name) {
    std::erase_if(parts_, [&](const auto& p) { return p.first == name; });
    std::erase_if(fileParts_, [&](const auto& p) { return p.first == name; });
}

void Package::write(const QString& path) const {
    auto failed = [&](const QString& reason) {
        return Error(QStringLiteral("无法保存工作簿文件“%1”：%2").arg(path, reason));
    };
    if (QFileInfo(path).isDir()) throw failed(QStringLiteral("同名的文件夹已经存在"));
    // The archive is built in memory and written whole when complete, so a
    // failure or a kill never leaves a half-written file.
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_t* archive = buffer ? zip_open_from_source(buffer, ZIP_TRUNCATE, &error) : nullptr;
    if (!archive) {
        const QString reason = zipMessage(&error);
        if (buffer) zip_source_free(buffer);
        zip_error_fini(&error);
        throw failed(reason);
    }
    zip_error_fini(&error);
    zip_source_keep(buffer);  // the archive's bytes are read from it after closing
    std::unique_ptr<zip_source_t, decltype(&zip_source_free)> bytes(buffer, zip_source_free);
    auto add = [&](const std::string& name, zip_source_t* source) {
        const zip_int64_t index = source ? zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8) : -1;
        if (index < 0) {
            if (source) zip_source_free(source);
            return false;
        }
        return zip_set_file_compression(archive, zip_uint64_t(index), ZIP_CM_DEFLATE, kCompressionLevel) == 0;
    };
    auto abandon = [&]() {
        const QString reason = zipMessage(archive);
        zip_discard(archive);
        return failed(reason);
    };
    // The content types come first, as every writer of these files puts them.
    std::vector<const std::pair<std::string, std::string>*> order;
    for (const auto& p : parts_)
        if (p.first == "[Content_Types].xml") order.insert(order.begin(), &p);
        else order.push_back(&p);
    for (const auto* p : order)
        if (!add(p->first, zip_source_buffer(archive, p->second.data(), p->second.size(), 0))) throw abandon();
    for (const auto& [name, file] : fileParts_)
        if (!add(name, zip_source_file(archive, QFile::encodeName(file).constData(), 0, -1))) throw abandon();
    if (zip_close(archive) != 0) throw abandon();

    zip_stat_t stat;
    zip_stat_init(&stat);
    QByteArray content;
    if (zip_source_stat(buffer, &stat) == 0 && (stat.valid & ZIP_STAT_SIZE) && zip_source_open(buffer) == 0) {
        content.resize(qsizetype(stat.size));
        const zip_int64_t got = zip_source_read(buffer, content.data(), stat.size);
        zip_source_close(buffer);
        if (got < 0 || zip_uint64_t(got) != stat.size) content.clear();
    }
    if (content.isEmpty()) throw failed(zipMessage(zip_source_error(buffer)));
    try {
        db::writeFileWhole(path, content);
    } catch (const db::Error& e) {
        throw Error(e.message());
    }
}

} // namespace workbook

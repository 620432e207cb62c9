#include "workbook/Package.h"
#include "db/Error.h"

#include "workbook/Error.h"

#include <QFile>
#include <QFileInfo>
#include <zip.h>

#include <algorithm>

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

// What went wrong in the zip library, in Chinese: the system's reason when
// there is one, otherwise the kind of the failure.
QString zipMessage(zip_error_t* error) {
    if (zip_error_code_system(error) != 0 && zip_error_system_type(error) == ZIP_ET_SYS)
        return db::systemErrorText(zip_error_code_system(error));
    switch (zip_error_code_zip(error)) {
    case ZIP_ER_NOZIP: return QStringLiteral("不是工作簿文件");
    case ZIP_ER_INCONS:
    case ZIP_ER_CRC:
    case ZIP_ER_COMPNOTSUPP:
    case ZIP_ER_ZLIB: return QStringLiteral("文件已损坏");
    case ZIP_ER_MEMORY: return QStringLiteral("内存不足");
    case ZIP_ER_NOENT: return QStringLiteral("文件或文件夹不存在");
    default: return QStringLiteral("文件读写错误（错误号%1）").arg(zip_error_code_zip(error));
    }
}

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
                throw unreadable(path, zipMessage(zip_get_error(archive)));
            unpacked += stat.size;
            if (unpacked > kMaxUnpackedSize) throw unreadable(path, QStringLiteral("文件过大"));
            std::string name = stat.name;
            if (name.empty() || name.back() == '/') continue;  // a folder entry
            std::string data(stat.size, '\0');
            zip_file_t* entry = zip_fopen_index(archive, zip_uint64_t(i), 0);
            const zip_int64_t got = entry ? zip_fread(entry, data.data(), stat.size) : -1;
            if (entry) zip_fclose(entry);
            if (got < 0 || zip_uint64_t(got) != stat.size)
                throw unreadable(path, zipMessage(zip_get_error(archive)));
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
    // The archive is written to a temporary file beside `path`, which replaces
    // the file there only when the archive is complete.
    int code = 0;
    zip_t* archive = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!archive) {
        zip_error_t error;
        zip_error_init_with_code(&error, code);
        const QString reason = zipMessage(&error);
        zip_error_fini(&error);
        throw failed(reason);
    }
    auto add = [&](const std::string& name, zip_source_t* source) {
        const zip_int64_t index = source ? zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8) : -1;
        if (index < 0) {
            if (source) zip_source_free(source);
            return false;
        }
        return zip_set_file_compression(archive, zip_uint64_t(index), ZIP_CM_DEFLATE, kCompressionLevel) == 0;
    };
    auto abandon = [&]() {
        const QString reason = zipMessage(zip_get_error(archive));
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
}

} // namespace workbook

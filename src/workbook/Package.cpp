#include "workbook/Package.h"

#include "workbook/Error.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
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

QString zipMessage(zip_error_t* error) { return QString::fromLocal8Bit(zip_error_strerror(error)); }

Error unreadable(const QString& path, const QString& reason) {
    return Error(QStringLiteral("无法读取工作簿文件“%1”：%2").arg(QFileInfo(path).fileName(), reason));
}

} // namespace

Package Package::read(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) throw unreadable(path, file.errorString());
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
                throw unreadable(path, QString::fromLocal8Bit(zip_strerror(archive)));
            unpacked += stat.size;
            if (unpacked > kMaxUnpackedSize) throw unreadable(path, QStringLiteral("文件过大"));
            std::string name = stat.name;
            if (name.empty() || name.back() == '/') continue;  // a folder entry
            std::string data(stat.size, '\0');
            zip_file_t* entry = zip_fopen_index(archive, zip_uint64_t(i), 0);
            const zip_int64_t got = entry ? zip_fread(entry, data.data(), stat.size) : -1;
            if (entry) zip_fclose(entry);
            if (got < 0 || zip_uint64_t(got) != stat.size)
                throw unreadable(path, QString::fromLocal8Bit(zip_strerror(archive)));
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

void Package::removePart(const std::string& name) {
    std::erase_if(parts_, [&](const auto& p) { return p.first == name; });
}

void Package::write(const QString& path) const {
    auto failed = [&](const QString& reason) {
        return Error(QStringLiteral("无法保存工作簿文件“%1”：%2").arg(path, reason));
    };
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* target = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_t* archive = target ? zip_open_from_source(target, ZIP_TRUNCATE, &error) : nullptr;
    if (!archive) {
        const QString reason = zipMessage(&error);
        if (target) zip_source_free(target);
        zip_error_fini(&error);
        throw failed(reason);
    }
    zip_error_fini(&error);
    zip_source_keep(target);  // the archive is read back from it after closing

    auto add = [&](const std::string& name, const std::string& data) {
        zip_source_t* source = zip_source_buffer(archive, data.data(), data.size(), 0);
        const zip_int64_t index = source ? zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8) : -1;
        if (index < 0) {
            if (source) zip_source_free(source);
            return false;
        }
        return zip_set_file_compression(archive, zip_uint64_t(index), ZIP_CM_DEFLATE, kCompressionLevel) == 0;
    };
    // The content types come first, as every writer of these files puts them.
    std::vector<const std::pair<std::string, std::string>*> order;
    for (const auto& p : parts_)
        if (p.first == "[Content_Types].xml") order.insert(order.begin(), &p);
        else order.push_back(&p);
    for (const auto* p : order)
        if (!add(p->first, p->second)) {
            const QString reason = QString::fromLocal8Bit(zip_strerror(archive));
            zip_discard(archive);
            zip_source_free(target);
            throw failed(reason);
        }
    if (zip_close(archive) != 0) {
        const QString reason = QString::fromLocal8Bit(zip_strerror(archive));
        zip_discard(archive);
        zip_source_free(target);
        throw failed(reason);
    }

    QByteArray bytes;
    zip_stat_t stat;
    if (zip_source_stat(target, &stat) == 0 && zip_source_open(target) == 0) {
        bytes.resize(qsizetype(stat.size));
        const zip_int64_t got = zip_source_read(target, bytes.data(), stat.size);
        zip_source_close(target);
        if (got < 0 || zip_uint64_t(got) != stat.size) bytes.clear();
    }
    zip_source_free(target);
    if (bytes.isEmpty()) throw failed(QStringLiteral("压缩失败"));

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw failed(file.errorString());
}

} // namespace workbook

#pragma once

#include <QString>
#include <string>
#include <utility>
#include <vector>

namespace workbook {

// An Office Open XML package: a zip archive of named parts. Part names are
// kept as the archive stores them ("xl/workbook.xml", no leading "/"), their
// contents as bytes.
class Package {
public:
    // Reads every part of the file at `path`; raises Error when it is not a
    // readable zip archive.
    static Package read(const QString& path);

    bool contains(const std::string& name) const;
    // The part's bytes; empty when there is no such part.
    const std::string& part(const std::string& name) const;
    // Replaces the part or adds it at the end.
    void setPart(const std::string& name, std::string bytes);
    // Adds a part whose bytes lie in `file`, read while the archive is
    // written: for a part too large to hold in memory.
    void setPartFile(const std::string& name, const QString& file);
    void removePart(const std::string& name);

    // Writes the archive under a temporary name beside `path` and renames it
    // into place, so a failure never leaves a half-written file. The archive
    // goes to the disk as it is packed. Raises Error.
    void write(const QString& path) const;

private:
    std::vector<std::pair<std::string, std::string>> parts_;
    std::vector<std::pair<std::string, QString>> fileParts_;
};

} // namespace workbook

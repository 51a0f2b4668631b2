// The most-recently-used file list kept in the registry profile (group "Recent File List",
// keys "File1".."FileN", most recent first).
#pragma once

#include <QString>
#include <QStringList>

class QSettings;

namespace vorla {

class RecentFileList {
public:
    explicit RecentFileList(int capacity) : capacity_(capacity) {}

    void Load(QSettings& settings);
    void Save(QSettings& settings) const;

    // Moves path to the front (an existing entry is not duplicated) and drops the oldest entry
    // beyond the capacity.
    void Add(const QString& path);
    void Remove(const QString& path);

    const QStringList& Files() const { return files_; }
    int Capacity() const { return capacity_; }

private:
    int capacity_;
    QStringList files_;
};

}  // namespace vorla

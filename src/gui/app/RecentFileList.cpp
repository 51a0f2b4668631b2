#include "gui/app/RecentFileList.h"

#include <QSettings>

namespace vorla {

namespace {

const QString kGroup = QStringLiteral("Recent File List");

QString EntryKey(int index) {
    return QStringLiteral("File%1").arg(index + 1);
}

}  // namespace

void RecentFileList::Load(QSettings& settings) {
    files_.clear();
    settings.beginGroup(kGroup);
    for (int i = 0; i < capacity_; ++i) {
        const QString path = settings.value(EntryKey(i)).toString();
        if (!path.isEmpty() && !files_.contains(path)) files_.append(path);
    }
    settings.endGroup();
}

void RecentFileList::Save(QSettings& settings) const {
    settings.beginGroup(kGroup);
    for (int i = 0; i < capacity_; ++i) {
        if (i < files_.size()) {
            settings.setValue(EntryKey(i), files_.at(i));
        } else {
            settings.remove(EntryKey(i));
        }
    }
    settings.endGroup();
}

void RecentFileList::Add(const QString& path) {
    if (path.isEmpty()) return;
    files_.removeAll(path);
    files_.prepend(path);
    while (files_.size() > capacity_) files_.removeLast();
}

void RecentFileList::Remove(const QString& path) {
    files_.removeAll(path);
}

}  // namespace vorla

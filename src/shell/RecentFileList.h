#pragma once

#include <QStringList>

class QSettings;

namespace quillan::shell {

// The File menu's most recently used projects, newest first, kept in the application profile
// as "Recent File List/File1" to "File4". Paths are compared as the file system would: two
// spellings of one file are one entry.
class RecentFileList final {
public:
    static constexpr int MAX_ENTRIES = 4;

    [[nodiscard]] const QStringList& files() const { return m_files; }
    // Puts the file first, dropping its older entry and the oldest beyond the limit.
    void add(const QString& path);
    void remove(const QString& path);

    void load(QSettings& profile);
    void save(QSettings& profile) const;

    // The menu text of entry index: "&1 path", the path shortened in the middle when long.
    [[nodiscard]] QString menuText(int index) const;

private:
    QStringList m_files;
};

} // namespace quillan::shell

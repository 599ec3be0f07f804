#include "shell/RecentFileList.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace quillan::shell {

namespace {

constexpr int kMenuPathChars = 60;
constexpr const char* kGroup = "Recent File List";

QString canonical(const QString& path)
{
    const QFileInfo info(path);
    const QString resolved = info.canonicalFilePath();
    return QDir::cleanPath(resolved.isEmpty() ? info.absoluteFilePath() : resolved);
}

QString entryKey(int index)
{
    return QStringLiteral("File%1").arg(index + 1);
}

} // namespace

void RecentFileList::add(const QString& path)
{
    remove(path);
    m_files.prepend(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
    while (m_files.size() > MAX_ENTRIES) {
        m_files.removeLast();
    }
}

void RecentFileList::remove(const QString& path)
{
    const QString wanted = canonical(path);
    m_files.removeIf([&](const QString& file) { return canonical(file) == wanted; });
}

void RecentFileList::load(QSettings& profile)
{
    m_files.clear();
    profile.beginGroup(kGroup);
    for (int i = 0; i < MAX_ENTRIES; ++i) {
        const QString file = profile.value(entryKey(i)).toString();
        if (!file.isEmpty() && !m_files.contains(file)) {
            m_files.append(file);
        }
    }
    profile.endGroup();
}

void RecentFileList::save(QSettings& profile) const
{
    profile.beginGroup(kGroup);
    for (int i = 0; i < MAX_ENTRIES; ++i) {
        if (i < m_files.size()) {
            profile.setValue(entryKey(i), m_files[i]);
        } else {
            profile.remove(entryKey(i));
        }
    }
    profile.endGroup();
    profile.sync();
}

QString RecentFileList::menuText(int index) const
{
    QString path = QDir::toNativeSeparators(m_files.value(index));
    if (path.size() > kMenuPathChars) {
        const int keep = (kMenuPathChars - 3) / 2;
        path = path.left(keep) + QStringLiteral("...") + path.right(keep);
    }
    // A single ampersand in a path would underline the next letter.
    path.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return QStringLiteral("&%1 %2").arg(index + 1).arg(path);
}

} // namespace quillan::shell

#include "RecentFiles.h"

#include <QFileInfo>
#include <QSettings>

namespace {

const QString kSection = QStringLiteral("Recent File List");

// The application's settings: the per-user store under its key and its title.
struct CAppSettings : QSettings {
    CAppSettings()
        : QSettings(QSettings::NativeFormat, QSettings::UserScope,
                    CRecentFileList::OrganizationKey(), QStringLiteral("Tavimore"))
    {
    }
};

} // namespace

const QString& CRecentFileList::OrganizationKey()
{
    static const QString key =
        QStringLiteral("アプリケーション ウィザードで生成されたローカル アプリケーション");
    return key;
}

CRecentFileList::CRecentFileList()
{
    Load();
}

void CRecentFileList::Add(const QString& path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    m_paths.removeAll(absolute);
    m_paths.prepend(absolute);
    while (m_paths.size() > kSize)
        m_paths.removeLast();
    Save();
}

void CRecentFileList::Remove(const QString& path)
{
    m_paths.removeAll(QFileInfo(path).absoluteFilePath());
    Save();
}

void CRecentFileList::Load()
{
    CAppSettings settings;
    settings.beginGroup(kSection);
    m_paths.clear();
    for (int i = 1; i <= kSize; ++i) {
        const QString path = settings.value(QStringLiteral("File%1").arg(i)).toString();
        if (!path.isEmpty() && !m_paths.contains(path)) m_paths << path;
    }
}

void CRecentFileList::Save() const
{
    CAppSettings settings;
    settings.beginGroup(kSection);
    for (int i = 1; i <= kSize; ++i) {
        const QString key = QStringLiteral("File%1").arg(i);
        if (i <= m_paths.size())
            settings.setValue(key, m_paths[i - 1]);
        else
            settings.remove(key);
    }
    settings.sync();
}

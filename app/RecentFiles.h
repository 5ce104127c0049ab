// CRecentFileList: the recent-file list of the File menu, kept in the user's settings
// under the application's registry key, as entries File1 (newest) to File6.
#pragma once

#include <QString>
#include <QStringList>

class CRecentFileList {
public:
    static constexpr int kSize = 6;
    static const QString& OrganizationKey();

    CRecentFileList();
    QStringList Paths() const { return m_paths; }
    // Puts the file first, dropping an older entry of it and the oldest beyond six.
    void Add(const QString& path);
    void Remove(const QString& path);
    void Load();
    void Save() const;

private:
    QStringList m_paths;
};

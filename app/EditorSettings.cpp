#include "EditorSettings.h"

#include <QSettings>

#include "RecentFiles.h"

namespace editorsettings {

namespace {

const QString kHighlightingKey = QStringLiteral("Editor/Highlighting");

QSettings Store()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope,
                     CRecentFileList::OrganizationKey(), QStringLiteral("Tavimore"));
}

} // namespace

bool Highlighting()
{
    return Store().value(kHighlightingKey, true).toBool();
}

void SetHighlighting(bool on)
{
    Store().setValue(kHighlightingKey, on);
}

} // namespace editorsettings

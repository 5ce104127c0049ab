#include "EditorSettings.h"

#include <QSettings>

#include "RecentFiles.h"

namespace editorsettings {

namespace {

const QString kHighlightingKey = QStringLiteral("Editor/Highlighting");
const QString kFromOneKey = QStringLiteral("Editor/LineNumbersFromOne");
const QString kFontKey = QStringLiteral("Editor/Font");

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

bool LineNumbersFromOne()
{
    return Store().value(kFromOneKey, false).toBool();
}

void SetLineNumbersFromOne(bool on)
{
    Store().setValue(kFromOneKey, on);
}

QString EditorFont()
{
    return Store().value(kFontKey).toString();
}

void SetEditorFont(const QString& font)
{
    Store().setValue(kFontKey, font);
}

} // namespace editorsettings

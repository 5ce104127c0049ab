#include "EditorSettings.h"

#include <QSettings>
#include <QUrl>

#include "RecentFiles.h"

namespace editorsettings {

namespace {

const QString kHighlightingKey = QStringLiteral("Editor/Highlighting");
const QString kFromOneKey = QStringLiteral("Editor/LineNumbersFromOne");
const QString kFontKey = QStringLiteral("Editor/Font");
const QString kBreakpointsGroup = QStringLiteral("Breakpoints/");

// A path as one key: its slashes would otherwise make groups.
QString BreakpointKey(const QString& path)
{
    return kBreakpointsGroup + QString::fromLatin1(QUrl::toPercentEncoding(path));
}

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

QList<int> Breakpoints(const QString& path)
{
    QList<int> lines;
    for (const QVariant& line : Store().value(BreakpointKey(path)).toList()) {
        bool ok = false;
        const int number = line.toInt(&ok);
        if (ok && number >= 0) lines << number;
    }
    return lines;
}

void SetBreakpoints(const QString& path, const QList<int>& lines)
{
    QSettings store = Store();
    if (lines.isEmpty()) {
        store.remove(BreakpointKey(path));
        return;
    }
    QVariantList list;
    for (int line : lines)
        list << line;
    store.setValue(BreakpointKey(path), list);
}

} // namespace editorsettings

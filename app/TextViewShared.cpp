#include "TextViewShared.h"

#include <QMimeData>

#include "DocumentText.h"
#include "UiTexts.h"

namespace textview {

QMimeData* MakeMimeData(const QString& text)
{
    auto* mime = new QMimeData;
    mime->setText(doctext::StripVariants(text));
    mime->setData(kEditorTextFormat, text.toUtf8());
    return mime;
}

QString LineText(const char* format, int line)
{
    return QString::asprintf(format, line) + ui::kLineSuffix;
}

} // namespace textview

#include "AppFixture.h"

#include <QImage>
#include <QTemporaryDir>
#include <QTextCursor>

CAppFixture::CAppFixture(const QStringList& arguments) : m_pApp(std::make_unique<CTavimoreApp>())
{
    m_pApp->Host().SetMessageHook(
        [this](const QString& text, const QString& caption, MessageButtons) {
            boxes << caption + QLatin1Char('|') + text;
            return answer ? answer(text, caption) : MessageAnswer::Ok;
        });
    m_pApp->SetSaveQuestion([](const QString&) { return CTavimoreApp::SaveAnswer::No; });
    m_pApp->SetErrorReport([this](const QString& text) { errors << text; });
    QString error;
    QStringList args = arguments;
    if (!args.contains(QStringLiteral("--ports")))
        args << QStringLiteral("--ports") << QStringLiteral("none");
    if (!args.contains(QStringLiteral("--ftdi")))
        args << QStringLiteral("--ftdi") << QStringLiteral("none");
    m_pApp->InitInstance(args, error);
    CTavimoreView::ResetTitleToggle();
}

void CAppFixture::PutCaret(int line)
{
    View().setTextCursor(QTextCursor(View().document()->findBlockByNumber(line)));
}

int RowY(CTavimoreView& view, int line)
{
    return view.cursorRect(QTextCursor(view.document()->findBlockByNumber(line))).center().y();
}

bool GutterRowHolds(CTavimoreView& view, int y, const QColor& colour)
{
    const QImage picture = view.Gutter()->grab().toImage();
    for (int x = 0; x < picture.width(); ++x)
        if (picture.pixelColor(x, y) == colour) return true;
    return false;
}

QString Golden(const QString& name, const QString& actual)
{
    QFile file(QStringLiteral(TAVIMORE_SOURCE_DIR "/tests/app/golden/") + name +
               QStringLiteral(".out"));
    if (qgetenv("TAVIMORE_UPDATE_GOLDEN") == "1" && file.open(QIODevice::WriteOnly))
        file.write(actual.toUtf8());
    file.close();
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QList<QMessageBox*> VisibleBoxes()
{
    QList<QMessageBox*> boxes;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(widget); box != nullptr && box->isVisible())
            boxes << box;
    return boxes;
}

QString TestFolder()
{
    static QTemporaryDir folder;
    return folder.path();
}

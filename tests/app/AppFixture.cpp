#include "AppFixture.h"

#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>

#include "DocumentText.h"

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

CAppFixture::~CAppFixture() = default;

void CAppFixture::SetText(const QString& text)
{
    View().setPlainText(text);
}

void CAppFixture::PutCaret(int line)
{
    QTextCursor cursor(View().document()->findBlockByNumber(line));
    View().setTextCursor(cursor);
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

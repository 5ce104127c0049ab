#include "EnvironmentDialog.h"

#include <QClipboard>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "Doctor.h"
#include "UiTexts.h"

CEnvironmentDialog::CEnvironmentDialog(const std::string& portsChoice,
                                       const std::string& ftdiChoice, QWidget* parent)
    : QDialog(parent), m_strPortsChoice(portsChoice), m_strFtdiChoice(ftdiChoice)
{
    setObjectName(QStringLiteral("environmentDialog"));
    setWindowTitle(ui::kEnvCheckCaption);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(ui::kEnvCheckIntro, this));
    m_pText = new QPlainTextEdit(this);
    m_pText->setObjectName(QStringLiteral("findings"));
    m_pText->setReadOnly(true);
    m_pText->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_pText->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    layout->addWidget(m_pText, 1);
    auto* buttons = new QDialogButtonBox(this);
    m_pCopy = buttons->addButton(ui::kEnvCheckCopy, QDialogButtonBox::ActionRole);
    m_pCopy->setObjectName(QStringLiteral("copyFindings"));
    QPushButton* again = buttons->addButton(ui::kEnvCheckAgain, QDialogButtonBox::ActionRole);
    buttons->addButton(QDialogButtonBox::Close);
    layout->addWidget(buttons);
    connect(m_pCopy, &QPushButton::clicked, this,
            [this] { QGuiApplication::clipboard()->setText(m_pText->toPlainText()); });
    connect(again, &QPushButton::clicked, this, &CEnvironmentDialog::Refresh);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    resize(900, 520);
    Refresh();
}

void CEnvironmentDialog::Refresh()
{
    const auto probe = doctor::CreateDoctorProbe();
    const auto findings =
        doctor::CheckAll(*probe, doctor::DoctorSetup(m_strPortsChoice, m_strFtdiChoice));
    m_pText->setPlainText(QString::fromStdString(doctor::FormatText(findings)));
}

QString CEnvironmentDialog::Findings() const
{
    return m_pText->toPlainText();
}

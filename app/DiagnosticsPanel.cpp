#include "DiagnosticsPanel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "LineTable.h"
#include "ScriptDiagnostics.h"
#include "UiTexts.h"

CDiagnosticsPanel::CDiagnosticsPanel(CScriptDiagnostics* diagnostics, QWidget* parent)
    : QDockWidget(ui::kDiagnosticsTitle, parent), m_pDiagnostics(diagnostics)
{
    setObjectName(QStringLiteral("diagnosticsPanel"));
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(2, 2, 2, 2);
    auto* top = new QHBoxLayout;
    m_pSummary = new QLabel(body);
    m_pSummary->setObjectName(QStringLiteral("diagnosticsSummary"));
    m_pCheckNow = new QPushButton(ui::kDiagnosticsCheckNow, body);
    m_pCheckNow->setObjectName(QStringLiteral("diagnosticsCheckNow"));
    top->addWidget(m_pSummary, 1);
    top->addWidget(m_pCheckNow);
    layout->addLayout(top);

    m_pTable = linetable::Make(body, diagnostics, QStringLiteral("diagnosticsTable"), 230,
                               [this](int row) { emit LineChosen(m_pDiagnostics->LineOf(row)); });
    layout->addWidget(m_pTable);
    setWidget(body);

    connect(m_pCheckNow, &QPushButton::clicked, diagnostics, &CScriptDiagnostics::Check);
    connect(diagnostics, &CScriptDiagnostics::Checked, this, &CDiagnosticsPanel::ShowSummary);
    ShowSummary();
}

QString CDiagnosticsPanel::Summary() const
{
    return m_pSummary->text();
}

void CDiagnosticsPanel::ShowSummary()
{
    m_pCheckNow->setVisible(m_pDiagnostics->SkippedLongText());
    if (m_pDiagnostics->SkippedLongText())
        m_pSummary->setText(ui::kDiagnosticsSkipped.arg(CScriptDiagnostics::kLineBound));
    else if (m_pDiagnostics->Omitted() > 0)
        m_pSummary->setText(
            ui::kDiagnosticsOmitted.arg(m_pDiagnostics->Count()).arg(m_pDiagnostics->Omitted()));
    else if (m_pDiagnostics->Count() > 0)
        m_pSummary->setText(ui::kDiagnosticsCount.arg(m_pDiagnostics->Count()));
    else
        m_pSummary->setText(ui::kDiagnosticsNone);
}

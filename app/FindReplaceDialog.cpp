#include "FindReplaceDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextCursor>
#include <QTextDocument>

#include "LargeTextView.h"
#include <QVBoxLayout>

#include "DocumentText.h"
#include "UiTexts.h"

CFindReplaceDialog::CFindReplaceDialog(QPlainTextEdit* editor, QWidget* parent)
    : QDialog(parent), m_pEditor(editor)
{
    setObjectName(QStringLiteral("findReplaceDialog"));
    setModal(false);
    auto* grid = new QGridLayout(this);

    auto* findLabel = new QLabel(ui::kFindWhat, this);
    m_pFind = new QLineEdit(this);
    findLabel->setBuddy(m_pFind);
    grid->addWidget(findLabel, 0, 0);
    grid->addWidget(m_pFind, 0, 1);

    m_pReplaceRow = new QWidget(this);
    auto* replaceRow = new QHBoxLayout(m_pReplaceRow);
    replaceRow->setContentsMargins(0, 0, 0, 0);
    auto* replaceLabel = new QLabel(ui::kReplaceWith, m_pReplaceRow);
    m_pReplace = new QLineEdit(m_pReplaceRow);
    replaceLabel->setBuddy(m_pReplace);
    replaceRow->addWidget(replaceLabel);
    replaceRow->addWidget(m_pReplace);
    grid->addWidget(m_pReplaceRow, 1, 0, 1, 2);

    m_pWholeWord = new QCheckBox(ui::kWholeWord, this);
    m_pMatchCase = new QCheckBox(ui::kMatchCase, this);
    grid->addWidget(m_pWholeWord, 2, 0, 1, 2);
    grid->addWidget(m_pMatchCase, 3, 0, 1, 2);

    auto* direction = new QGroupBox(ui::kDirection, this);
    auto* directionRow = new QHBoxLayout(direction);
    m_pUp = new QRadioButton(ui::kUp, direction);
    m_pDown = new QRadioButton(ui::kDown, direction);
    m_pDown->setChecked(true);
    directionRow->addWidget(m_pUp);
    directionRow->addWidget(m_pDown);
    m_pDirection = direction;
    grid->addWidget(direction, 4, 0, 1, 2);

    auto* buttons = new QVBoxLayout;
    auto* findNext = new QPushButton(ui::kFindNext, this);
    findNext->setDefault(true);
    m_pReplaceButton = new QPushButton(ui::kReplace, this);
    m_pReplaceAllButton = new QPushButton(ui::kReplaceAll, this);
    auto* cancel = new QPushButton(ui::kButtonCancel, this);
    buttons->addWidget(findNext);
    buttons->addWidget(m_pReplaceButton);
    buttons->addWidget(m_pReplaceAllButton);
    buttons->addWidget(cancel);
    buttons->addStretch();
    grid->addLayout(buttons, 0, 2, 5, 1);

    connect(findNext, &QPushButton::clicked, this, &CFindReplaceDialog::FindNext);
    connect(m_pReplaceButton, &QPushButton::clicked, this, &CFindReplaceDialog::ReplaceNext);
    connect(m_pReplaceAllButton, &QPushButton::clicked, this, &CFindReplaceDialog::ReplaceAll);
    connect(cancel, &QPushButton::clicked, this, &QDialog::hide);
    connect(m_pFind, &QLineEdit::textChanged, this, [findNext, this](const QString& text) {
        findNext->setEnabled(!text.isEmpty());
        m_pReplaceButton->setEnabled(!text.isEmpty());
        m_pReplaceAllButton->setEnabled(!text.isEmpty());
    });
    findNext->setEnabled(false);
    m_pReplaceButton->setEnabled(false);
    m_pReplaceAllButton->setEnabled(false);
}

void CFindReplaceDialog::ShowFor(bool replace)
{
    m_bReplaceMode = replace;
    setWindowTitle(replace ? ui::kReplaceCaption : ui::kFindCaption);
    m_pReplaceRow->setVisible(replace);
    m_pReplaceButton->setVisible(replace);
    m_pReplaceAllButton->setVisible(replace);
    m_pDirection->setVisible(!replace);
    if (m_pEditor != nullptr) {
        const QString selected = doctext::StripVariants(
            ViewerShown() ? m_pViewer->SelectedText() : m_pEditor->textCursor().selectedText());
        if (!selected.isEmpty() && !selected.contains(QChar::ParagraphSeparator))
            m_pFind->setText(selected);
    }
    adjustSize();
    show();
    raise();
    activateWindow();
    m_pFind->setFocus();
    m_pFind->selectAll();
}

void CFindReplaceDialog::SetViewer(CLargeTextView* viewer, std::function<void()> makeEditable)
{
    m_pViewer = viewer;
    m_makeEditable = std::move(makeEditable);
}

bool CFindReplaceDialog::ViewerShown() const
{
    return m_pViewer != nullptr && !m_pViewer->isHidden();
}

bool CFindReplaceDialog::Find(bool backward, bool beep)
{
    if (m_pEditor == nullptr || m_pFind->text().isEmpty()) return false;
    QTextDocument::FindFlags flags;
    if (backward) flags |= QTextDocument::FindBackward;
    if (m_pMatchCase->isChecked()) flags |= QTextDocument::FindCaseSensitively;
    if (m_pWholeWord->isChecked()) flags |= QTextDocument::FindWholeWords;
    if (ViewerShown()) {
        const bool found = m_pViewer->Find(m_pFind->text(), flags);
        if (!found && beep) QApplication::beep();
        return found;
    }
    QTextCursor found =
        m_pEditor->document()->find(m_pFind->text(), m_pEditor->textCursor(), flags);
    if (!found.isNull()) {
        // A found character takes along the selector that keeps its code, so that a
        // replacement never inherits it.
        const int start = found.selectionStart();
        const int end = found.selectionEnd();
        if (doctext::IsVariantSelector(m_pEditor->document()->characterAt(end))) {
            found.setPosition(start);
            found.setPosition(end + 1, QTextCursor::KeepAnchor);
        }
    }
    if (found.isNull()) {
        // As the edit control does, a text that is not found only beeps.
        if (beep) QApplication::beep();
        return false;
    }
    m_pEditor->setTextCursor(found);
    m_pEditor->ensureCursorVisible();
    return true;
}

bool CFindReplaceDialog::FindNext()
{
    return Find(!m_bReplaceMode && m_pUp->isChecked(), true);
}

bool CFindReplaceDialog::SelectionMatches() const
{
    if (m_pEditor == nullptr) return false;
    const QString selected = doctext::StripVariants(m_pEditor->textCursor().selectedText());
    const Qt::CaseSensitivity cs =
        m_pMatchCase->isChecked() ? Qt::CaseSensitive : Qt::CaseInsensitive;
    return !selected.isEmpty() && selected.compare(m_pFind->text(), cs) == 0;
}

bool CFindReplaceDialog::ReplaceNext()
{
    if (m_pEditor == nullptr) return false;
    if (ViewerShown() && m_makeEditable) m_makeEditable();
    if (SelectionMatches()) m_pEditor->textCursor().insertText(m_pReplace->text());
    return Find(false, true);
}

int CFindReplaceDialog::ReplaceAll()
{
    if (m_pEditor == nullptr || m_pFind->text().isEmpty()) return 0;
    if (ViewerShown() && m_makeEditable) m_makeEditable();
    QTextCursor start(m_pEditor->document());
    m_pEditor->setTextCursor(start);
    int count = 0;
    QTextCursor edit(m_pEditor->document());
    edit.beginEditBlock();
    while (Find(false, false)) {
        m_pEditor->textCursor().insertText(m_pReplace->text());
        ++count;
    }
    edit.endEditBlock();
    if (count == 0) QApplication::beep();
    return count;
}

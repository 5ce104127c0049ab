// CFindReplaceDialog: the modeless find and replace window of the editor.
#pragma once

#include <QDialog>
#include <QPointer>

#include <functional>

class CLargeTextView;
class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

class CFindReplaceDialog final : public QDialog {
    Q_OBJECT
public:
    CFindReplaceDialog(QPlainTextEdit* editor, QWidget* parent);

    // A run's long output may be shown in `viewer` over the editor (a child of the
    // editor, hidden while it is not shown): finding searches it there; replacing first makes it
    // the editor's text through `makeEditable`.
    void SetViewer(CLargeTextView* viewer, std::function<void()> makeEditable);

    // Shows the window for finding only, or for finding and replacing.
    void ShowFor(bool replace);

    // Finds the next occurrence from the selection; false (with a beep) when there is none.
    bool FindNext();
    // Replaces the selection when it is an occurrence, then finds the next one.
    bool ReplaceNext();
    // Replaces every occurrence as one edit; returns how many.
    int ReplaceAll();

    QLineEdit* FindEdit() const { return m_pFind; }
    QLineEdit* ReplaceEdit() const { return m_pReplace; }
    QCheckBox* MatchCase() const { return m_pMatchCase; }

private:
    bool SelectionMatches() const;
    bool Find(bool backward, bool beep);

    bool ViewerShown() const;

    QPointer<QPlainTextEdit> m_pEditor;
    CLargeTextView* m_pViewer = nullptr;
    std::function<void()> m_makeEditable;
    QLineEdit* m_pFind = nullptr;
    QLineEdit* m_pReplace = nullptr;
    QCheckBox* m_pMatchCase = nullptr;
    QCheckBox* m_pWholeWord = nullptr;
    QRadioButton* m_pUp = nullptr;
    QRadioButton* m_pDown = nullptr;
    QWidget* m_pReplaceRow = nullptr;
    QWidget* m_pDirection = nullptr;
    QPushButton* m_pReplaceButton = nullptr;
    QPushButton* m_pReplaceAllButton = nullptr;
    bool m_bReplaceMode = false;
};

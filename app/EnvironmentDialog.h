// The environment check in the editor: the same findings tavimore-run --doctor prints,
// in a dialog with a button that copies them (the fixes are commands to paste into a
// terminal).
#pragma once

#include <QDialog>

#include <string>

class QPlainTextEdit;
class QPushButton;

class CEnvironmentDialog final : public QDialog {
public:
    CEnvironmentDialog(const std::string& portsChoice, const std::string& ftdiChoice,
                       QWidget* parent);

    // Checks the system again and shows what it found.
    void Refresh();
    QString Findings() const;
    QPushButton* CopyButton() const { return m_pCopy; }

private:
    std::string m_strPortsChoice;
    std::string m_strFtdiChoice;
    QPlainTextEdit* m_pText = nullptr;
    QPushButton* m_pCopy = nullptr;
};

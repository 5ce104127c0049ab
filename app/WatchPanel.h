// CWatchPanel: the dockable panel that shows the engine's state between runs and at
// each pause of a debug run: REGL, REGW, the debug level, the call stack's return
// lines, the two bit buffers, and the user's watches (a register, or a range shown
// also as the text the string statements keep in it). Values that changed since the
// last refresh are highlighted. A register's value can be typed over while no run is
// in progress; the panel writes it into the engine.
#pragma once

#include <QDockWidget>
#include <QHash>
#include <QSet>
#include <QString>

class CDebugger;
class CScriptEngine;
class QTreeWidget;
class QTreeWidgetItem;

class CWatchPanel final : public QDockWidget {
    Q_OBJECT
public:
    enum Column { kName, kHex, kDecimal, kBinary, kText, kBreak, kColumnCount };

    CWatchPanel(CScriptEngine& engine, CDebugger& debugger, QWidget* parent = nullptr);

    QTreeWidget* Tree() const { return m_pTree; }
    // Reads every value again from the engine at a stop (the end of a run or step, a
    // pause): what changed since the stop before is highlighted.
    void Refresh();
    // The top-level row named `name` ("REGL", "REG5", "REG1-REG3", ...), or null.
    QTreeWidgetItem* Row(const QString& name) const;
    // Whether a row is highlighted as changed since the stop before.
    static bool IsChanged(const QTreeWidgetItem* item);
    // The selected rows (every row when none is selected), a line each, tab-separated.
    QString CopyText() const;

    // The texts of a 32-bit value in the panel's columns.
    static QString HexText(uint32_t value, int digits = 8);
    static QString DecimalText(uint32_t value);
    static QString BinaryText(uint32_t value, int bits = 32);

signals:
    // A value typed into the panel could not be read.
    void ValueRejected(const QString& why);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Kind { None, Register, RegL, RegW, Level };
    QTreeWidgetItem* AddRow(QTreeWidgetItem* parent, const QString& name, Kind kind, int index = 0);
    void ShowValue(QTreeWidgetItem* item, uint32_t value, int bits = 32);
    // Shows the values; `stop` makes them the reference for the next stop.
    void Fill(bool stop);
    void OnItemChanged(QTreeWidgetItem* item, int column);
    void ShowMenu(const QPoint& at);
    void RemoveSelectedWatch();
    bool CanEdit() const;
    uint32_t ValueOf(Kind kind, int index) const;

    CScriptEngine& m_engine;
    CDebugger& m_debugger;
    QTreeWidget* m_pTree = nullptr;
    // Each row's values at the last stop and at the one before, by its path of names.
    QHash<QString, QString> m_atStop;
    QHash<QString, QString> m_beforeStop;
    QSet<QString> m_expanded;
    bool m_bFilling = false;
    friend class CWatchDelegate;
};

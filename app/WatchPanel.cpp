#include "WatchPanel.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QStyledItemDelegate>
#include <QTreeWidget>

#include "Debugger.h"
#include "ScriptEngine.h"
#include "UiTexts.h"

namespace {

constexpr int kKindRole = Qt::UserRole;
constexpr int kIndexRole = Qt::UserRole + 1;
constexpr int kWatchRole = Qt::UserRole + 2;
constexpr int kChangedRole = Qt::UserRole + 3;

// The call stack shows its innermost return lines; deeper ones are counted.
constexpr int kShownCalls = 64;

const QColor kChangedColour(255, 236, 140);

// A row's identity across refreshes: its names from the top.
QString PathOf(const QTreeWidgetItem* item)
{
    QString path = item->text(CWatchPanel::kName);
    for (const QTreeWidgetItem* up = item->parent(); up != nullptr; up = up->parent())
        path = up->text(CWatchPanel::kName) + QLatin1Char('/') + path;
    return path;
}

} // namespace

// Only the value columns of a register, REGL, REGW or the debug level take typing, and
// only while no run is in progress.
class CWatchDelegate final : public QStyledItemDelegate {
public:
    explicit CWatchDelegate(CWatchPanel* panel) : QStyledItemDelegate(panel), m_pPanel(panel) {}
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override
    {
        const int column = index.column();
        const bool value = column == CWatchPanel::kHex || column == CWatchPanel::kDecimal ||
                           column == CWatchPanel::kBinary;
        if (!value || !m_pPanel->CanEdit() || index.data(kKindRole).toInt() == 0) return nullptr;
        return QStyledItemDelegate::createEditor(parent, option, index);
    }

private:
    CWatchPanel* m_pPanel;
};

CWatchPanel::CWatchPanel(CScriptEngine& engine, CDebugger& debugger, QWidget* parent)
    : QDockWidget(ui::kWatchCaption, parent), m_engine(engine), m_debugger(debugger)
{
    setObjectName(QStringLiteral("watchPanel"));
    m_pTree = new QTreeWidget(this);
    m_pTree->setObjectName(QStringLiteral("watchTree"));
    m_pTree->setColumnCount(kColumnCount);
    m_pTree->setHeaderLabels(ui::kWatchColumns);
    m_pTree->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_pTree->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    m_pTree->setItemDelegate(new CWatchDelegate(this));
    m_pTree->setContextMenuPolicy(Qt::CustomContextMenu);
    m_pTree->setUniformRowHeights(true);
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    m_pTree->setFont(fixed);
    setWidget(m_pTree);
    setFocusProxy(m_pTree);
    m_pTree->installEventFilter(this);

    connect(m_pTree, &QTreeWidget::itemChanged, this, &CWatchPanel::OnItemChanged);
    connect(m_pTree, &QWidget::customContextMenuRequested, this, &CWatchPanel::ShowMenu);
    connect(m_pTree, &QTreeWidget::itemExpanded, this,
            [this](QTreeWidgetItem* item) { m_expanded.insert(PathOf(item)); });
    connect(m_pTree, &QTreeWidget::itemCollapsed, this,
            [this](QTreeWidgetItem* item) { m_expanded.remove(PathOf(item)); });
    connect(&m_debugger, &CDebugger::WatchesChanged, this, [this] { Fill(false); });
    Refresh();
    m_pTree->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
}

QString CWatchPanel::HexText(uint32_t value, int digits)
{
    return QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0')).toUpper();
}

QString CWatchPanel::DecimalText(uint32_t value)
{
    // Unsigned, and signed as well where the top bit makes them differ.
    const auto signedValue = static_cast<int32_t>(value);
    if (signedValue >= 0) return QString::number(value);
    return QStringLiteral("%1 (%2)").arg(value).arg(signedValue);
}

QString CWatchPanel::BinaryText(uint32_t value, int bits)
{
    // Groups of eight bits, the most significant first.
    QString text;
    for (int bit = bits - 1; bit >= 0; --bit) {
        text += (value >> bit) & 1u ? QLatin1Char('1') : QLatin1Char('0');
        if (bit % 8 == 0 && bit != 0) text += QLatin1Char(' ');
    }
    return text;
}

bool CWatchPanel::CanEdit() const
{
    return !m_engine.IsRunInProgress();
}

uint32_t CWatchPanel::ValueOf(Kind kind, int index) const
{
    switch (kind) {
    case Kind::Register:
        return m_engine.PeekRegister(index);
    case Kind::RegL:
        return m_engine.GetRegL();
    case Kind::RegW:
        return m_engine.GetRegW();
    case Kind::Level:
        return static_cast<uint32_t>(m_engine.GetDebugLevel());
    case Kind::None:
        break;
    }
    return 0;
}

QTreeWidgetItem* CWatchPanel::AddRow(QTreeWidgetItem* parent, const QString& name, Kind kind,
                                     int index)
{
    auto* item = parent != nullptr ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(m_pTree);
    item->setText(kName, name);
    item->setData(kName, kKindRole, static_cast<int>(kind));
    item->setData(kName, kIndexRole, index);
    for (int column = kHex; column <= kBinary; ++column) {
        item->setData(column, kKindRole, static_cast<int>(kind));
        item->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
    }
    if (kind != Kind::None) item->setFlags(item->flags() | Qt::ItemIsEditable);
    return item;
}

void CWatchPanel::ShowValue(QTreeWidgetItem* item, uint32_t value, int bits)
{
    item->setText(kHex, HexText(value, (bits + 3) / 4));
    item->setText(kDecimal, DecimalText(value));
    item->setText(kBinary, BinaryText(value, bits));
}

void CWatchPanel::Refresh()
{
    Fill(true);
}

void CWatchPanel::Fill(bool stop)
{
    if (m_bFilling) return;
    m_bFilling = true;
    m_pTree->clear();

    ShowValue(AddRow(nullptr, QStringLiteral("REGL"), Kind::RegL), m_engine.GetRegL());
    ShowValue(AddRow(nullptr, QStringLiteral("REGW"), Kind::RegW), m_engine.GetRegW());
    QTreeWidgetItem* level = AddRow(nullptr, ui::kWatchDebugLevel, Kind::Level);
    level->setText(kDecimal, QString::number(m_engine.GetDebugLevel()));

    // The call stack: its depth, and the return lines (the line after each CALL) from
    // the innermost call out.
    QTreeWidgetItem* calls = AddRow(nullptr, ui::kWatchCallStack, Kind::None);
    const int depth = m_engine.GetCallDepth();
    calls->setText(kDecimal, depth == 0 ? ui::kWatchCallEmpty : QString::number(depth));
    QStringList returns;
    for (int d = depth - 1; d >= 0 && d >= depth - kShownCalls; --d) {
        const int64_t call = m_engine.CallStackEntry(d);
        returns << QString::number(call + 1);
        QTreeWidgetItem* entry = AddRow(calls, QStringLiteral("[%1]").arg(d), Kind::None);
        entry->setText(kDecimal, QString::number(call + 1));
        entry->setText(kText, ui::kWatchCalledFrom.arg(call));
    }
    if (depth > kShownCalls) returns << QStringLiteral("…");
    calls->setText(kText, returns.join(QStringLiteral(", ")));

    QTreeWidgetItem* bitIn = AddRow(nullptr, ui::kWatchBitIn, Kind::None);
    ShowValue(bitIn, m_engine.BitIn(), 8);
    QTreeWidgetItem* bitOut = AddRow(nullptr, ui::kWatchBitOut, Kind::None);
    ShowValue(bitOut, m_engine.BitBuffer());

    const std::vector<CWatch>& watches = m_debugger.Watches();
    for (size_t i = 0; i < watches.size(); ++i) {
        const CWatch& watch = watches[i];
        QTreeWidgetItem* row = nullptr;
        if (!watch.IsRange()) {
            row = AddRow(nullptr, watch.Name(), Kind::Register, watch.first);
            ShowValue(row, m_engine.PeekRegister(watch.first));
        } else {
            row = AddRow(nullptr, watch.Name(), Kind::None);
            QString text = CDebugger::RangeText(m_engine, watch.first, watch.last);
            text.replace(QLatin1Char('\n'), QChar(0x21B5)); // a line break shows as ↵
            row->setText(kText, text);
            for (int reg = watch.first; reg <= watch.last; ++reg)
                ShowValue(AddRow(row, QStringLiteral("REG%1").arg(reg), Kind::Register, reg),
                          m_engine.PeekRegister(reg));
        }
        row->setData(kName, kWatchRole, static_cast<int>(i));
        row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
        row->setCheckState(kBreak, watch.breakOnChange ? Qt::Checked : Qt::Unchecked);
    }

    // Highlight what differs from the stop before; rows seen for the first time count
    // as unchanged. Between stops (a watch added, a value typed) the same stop stays
    // the reference.
    if (stop) m_beforeStop.swap(m_atStop);
    QHash<QString, QString> shown;
    std::function<void(QTreeWidgetItem*)> mark = [&](QTreeWidgetItem* item) {
        const QString path = PathOf(item);
        const QString values = item->text(kHex) + QLatin1Char('|') + item->text(kDecimal) +
                               QLatin1Char('|') + item->text(kText);
        shown.insert(path, values);
        const auto before = m_beforeStop.constFind(path);
        const bool changed = before != m_beforeStop.constEnd() && *before != values;
        item->setData(kName, kChangedRole, changed);
        if (changed)
            for (int column = kName; column <= kText; ++column)
                item->setBackground(column, kChangedColour);
        if (m_expanded.contains(path)) item->setExpanded(true);
        for (int i = 0; i < item->childCount(); ++i)
            mark(item->child(i));
    };
    for (int i = 0; i < m_pTree->topLevelItemCount(); ++i)
        mark(m_pTree->topLevelItem(i));
    if (stop) {
        m_atStop.swap(shown);
    } else {
        // A row added between stops counts from its first showing.
        for (auto it = shown.cbegin(); it != shown.cend(); ++it)
            if (!m_atStop.contains(it.key())) m_atStop.insert(it.key(), it.value());
    }
    m_bFilling = false;
}

QTreeWidgetItem* CWatchPanel::Row(const QString& name) const
{
    for (int i = 0; i < m_pTree->topLevelItemCount(); ++i)
        if (m_pTree->topLevelItem(i)->text(kName) == name) return m_pTree->topLevelItem(i);
    return nullptr;
}

bool CWatchPanel::IsChanged(const QTreeWidgetItem* item)
{
    return item != nullptr && item->data(kName, kChangedRole).toBool();
}

void CWatchPanel::OnItemChanged(QTreeWidgetItem* item, int column)
{
    if (m_bFilling) return;
    if (column == kBreak) {
        // The row stays as it is: the check box already shows the new state.
        const QVariant watch = item->data(kName, kWatchRole);
        m_bFilling = true;
        if (watch.isValid())
            m_debugger.SetBreakOnChange(watch.toInt(), item->checkState(kBreak) == Qt::Checked);
        m_bFilling = false;
        return;
    }
    const auto kind = static_cast<Kind>(item->data(kName, kKindRole).toInt());
    if (kind == Kind::None || column < kHex || column > kBinary) return;
    const int base = column == kHex ? 16 : column == kBinary ? 2 : 10;
    QString typed = item->text(column);
    if (base == 2) typed.remove(QLatin1Char(' '));
    uint32_t value = 0;
    if (!CanEdit() || !CDebugger::ParseValue(typed, value, base)) {
        if (CanEdit()) emit ValueRejected(ui::kWatchBadValue);
        // The old value comes back (after the editor has let go of the item).
        QMetaObject::invokeMethod(
            this, [this] { Fill(false); }, Qt::QueuedConnection);
        return;
    }
    const int index = item->data(kName, kIndexRole).toInt();
    switch (kind) {
    case Kind::Register:
        m_engine.WriteRegister(index, value);
        break;
    case Kind::RegL:
        m_engine.SetRegL(value);
        break;
    case Kind::RegW:
        m_engine.SetRegW(value);
        break;
    case Kind::Level:
        m_engine.SetDebugLevel(static_cast<int32_t>(value));
        break;
    case Kind::None:
        break;
    }
    QMetaObject::invokeMethod(
        this, [this] { Fill(false); }, Qt::QueuedConnection);
}

QString CWatchPanel::CopyText() const
{
    QList<QTreeWidgetItem*> rows = m_pTree->selectedItems();
    if (rows.isEmpty()) {
        for (QTreeWidgetItemIterator it(m_pTree); *it != nullptr; ++it)
            rows << *it;
    }
    QStringList lines;
    for (const QTreeWidgetItem* row : rows) {
        QStringList cells;
        for (int column = kName; column <= kText; ++column)
            cells << row->text(column);
        lines << cells.join(QLatin1Char('\t'));
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

void CWatchPanel::RemoveSelectedWatch()
{
    QTreeWidgetItem* item = m_pTree->currentItem();
    while (item != nullptr && item->parent() != nullptr)
        item = item->parent();
    if (item == nullptr) return;
    const QVariant watch = item->data(kName, kWatchRole);
    if (watch.isValid()) m_debugger.RemoveWatch(watch.toInt());
}

void CWatchPanel::ShowMenu(const QPoint& at)
{
    QMenu menu(this);
    menu.addAction(ui::kWatchCopy, this,
                   [this] { QApplication::clipboard()->setText(CopyText()); });
    QAction* remove = menu.addAction(ui::kWatchRemove, this, &CWatchPanel::RemoveSelectedWatch);
    QTreeWidgetItem* item = m_pTree->itemAt(at);
    while (item != nullptr && item->parent() != nullptr)
        item = item->parent();
    remove->setEnabled(item != nullptr && item->data(kName, kWatchRole).isValid());
    menu.exec(m_pTree->viewport()->mapToGlobal(at));
}

bool CWatchPanel::eventFilter(QObject* watched, QEvent* event)
{
    // Ctrl+C copies the rows (not only the current cell), Delete removes a watch and
    // Ctrl+A selects every row; none goes to the window's commands for the text while
    // the panel has the focus.
    if (watched == m_pTree &&
        (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress)) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::SelectAll) && event->type() == QEvent::ShortcutOverride) {
            event->accept();
            return true;
        }
        const bool copy = key->matches(QKeySequence::Copy);
        const bool remove = key->key() == Qt::Key_Delete && key->modifiers() == Qt::NoModifier;
        if (copy || remove) {
            event->accept();
            if (event->type() == QEvent::KeyPress) {
                if (copy)
                    QApplication::clipboard()->setText(CopyText());
                else
                    RemoveSelectedWatch();
            }
            return true;
        }
    }
    return QDockWidget::eventFilter(watched, event);
}

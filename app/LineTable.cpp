#include "LineTable.h"

#include <QHeaderView>

#include "UiTexts.h"

namespace linetable {

QTableView* Make(QWidget* parent, QAbstractItemModel* model, const QString& objectName,
                 int kindWidth, std::function<void(int row)> chosen)
{
    auto* table = new QTableView(parent);
    table->setObjectName(objectName);
    table->setModel(model);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setWordWrap(false);
    table->verticalHeader()->hide();
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 4);
    table->horizontalHeader()->setStretchLastSection(true);
    table->setColumnWidth(0, 60);
    table->setColumnWidth(1, kindWidth);
    auto choose = [chosen](const QModelIndex& index) {
        if (index.isValid()) chosen(index.row());
    };
    QObject::connect(table, &QTableView::clicked, table, choose);
    QObject::connect(table, &QTableView::activated, table, choose);
    return table;
}

QVariant Header(int section, Qt::Orientation orientation, int role, const QString& textTitle)
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
    case 0:
        return ui::kColumnLine;
    case 1:
        return ui::kColumnKind;
    case 2:
        return textTitle;
    default:
        return {};
    }
}

} // namespace linetable

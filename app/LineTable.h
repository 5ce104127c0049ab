// The table of the diagnostics and report panels: one row for each thing that names a
// script line, in three columns (line, kind, text).
#pragma once

#include <QTableView>
#include <QVariant>

#include <functional>

namespace linetable {

// A table over model: whole rows selected one at a time, nothing edited in place, and
// rows of one fixed height, so that a table of hundreds of thousands of rows only
// measures the rows in sight. chosen gets the row clicked or activated.
QTableView* Make(QWidget* parent, QAbstractItemModel* model, const QString& objectName,
                 int kindWidth, std::function<void(int row)> chosen);

// The column titles, the text column's being textTitle.
QVariant Header(int section, Qt::Orientation orientation, int role, const QString& textTitle);

} // namespace linetable

#pragma once
// The filter pane's rows as the user sees them: for each row shown, top to
// bottom, its field and operator boxes and its two value boxes.

#include "platform/controls/FilterControl.h"

#include <QComboBox>
#include <QLineEdit>

#include <algorithm>
#include <vector>

namespace panetest {

struct PaneRow {
    QComboBox* field = nullptr;
    QComboBox* op = nullptr;
    QLineEdit* value1 = nullptr;
    QLineEdit* value2 = nullptr;
};

inline std::vector<PaneRow> PaneRows(FILTERLib::Filter* pane)
{
    std::vector<QWidget*> rows;
    for (QWidget* w : pane->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        if (!w->isHidden() && w->findChild<QLineEdit*>(QStringLiteral("value1"), Qt::FindDirectChildrenOnly))
            rows.push_back(w);
    std::sort(rows.begin(), rows.end(), [](QWidget* a, QWidget* b) { return a->y() < b->y(); });
    std::vector<PaneRow> out;
    for (QWidget* w : rows)
        out.push_back({w->findChild<QComboBox*>(QStringLiteral("field")), w->findChild<QComboBox*>(QStringLiteral("operator")),
                       w->findChild<QLineEdit*>(QStringLiteral("value1")),
                       w->findChild<QLineEdit*>(QStringLiteral("value2"))});
    return out;
}

// A value box shows that its value is refused.
inline bool IsMarked(const QLineEdit* box) { return !box->styleSheet().isEmpty(); }

}  // namespace panetest

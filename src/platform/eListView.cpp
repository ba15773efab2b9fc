#include "platform/eListView.h"

eListView::~eListView() = default;
bool eListView::eventFilter(QObject* watched, QEvent* event) { return QWidget::eventFilter(watched, event); }

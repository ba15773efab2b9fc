#include "platform/ReportListView.h"

ReportListView::~ReportListView() = default;
bool ReportListView::eventFilter(QObject* watched, QEvent* event) { return QWidget::eventFilter(watched, event); }
ReportListView::ReportListView(QWidget* parent) : QWidget(parent) {}

#pragma once
// The tab-frame and list-state procedures that the editing forms share.

#include <vector>

class QTabBar;
class QTabWidget;
class QWidget;
class ReportListView;

// Only the frame of the selected tab is enabled (frames indexed like the tabs);
// every frame takes the button-face colour. A missing frame is error 91.
void EnableSelectedTabFrame(const QTabBar* tabs, const std::vector<QWidget*>& frames);
void EnableSelectedTabFrame(const QTabWidget* tabs, const std::vector<QWidget*>& frames);

// A list with rows is enabled; it is reached with Tab and window-coloured only
// when it also is not read-only, else skipped by Tab and button-face coloured.
void SetListViewState(ReportListView* list, bool readOnly);

// Built only by the core_rejects_widget_includes test, which expects this file not to compile:
// core libraries carry an include guard that stops Qt Gui and Widgets headers.
#include <QtWidgets/QWidget>

int probe() { return 0; }

// What every window test includes: GoogleTest, QTest, the widget classes the tests look at, the
// scripted dialogs and the test files.
#pragma once

#include "gui/support/scripted_dialogs.h"
#include "gui/support/test_files.h"
#include "gui/twips.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

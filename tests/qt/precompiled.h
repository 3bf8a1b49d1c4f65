#pragma once
// The Qt and test headers the window tests read, parsed once per build; a system header, as in
// tests/support/precompiled.h.
#pragma GCC system_header

#include <QApplication>
#include <QImage>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include "tests/support/precompiled.h"

#pragma once
// The widget headers every window file reads, parsed once per build; marked as a system header so
// that warnings stay as they are when each file includes them itself.
#pragma GCC system_header

#include <QApplication>
#include <QDialog>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QWidget>
